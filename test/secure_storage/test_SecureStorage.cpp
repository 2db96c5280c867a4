#include "SecureStorage.h"

#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <memory>

using namespace tessarovin;

namespace
{

QString localPath()
{
	return QCoreApplication::applicationDirPath() + QStringLiteral("/config.json");
}


QJsonObject shippedConfig()
{
	QFile file(QStringLiteral(":/config.json"));
	if (!file.open(QIODevice::ReadOnly))
	{
		qFatal("Missing resource :/config.json");
	}
	return QJsonDocument::fromJson(file.readAll()).object();
}


void writeLocal(const QByteArray& pContent)
{
	QFile file(localPath());
	if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(pContent) != pContent.size())
	{
		qFatal("Cannot write %s", qPrintable(localPath()));
	}
}


// The shipped configuration with some top-level keys replaced; a null value removes the key.
QByteArray configWith(const QJsonObject& pChanges)
{
	QJsonObject config = shippedConfig();
	for (auto change = pChanges.constBegin(); change != pChanges.constEnd(); ++change)
	{
		if (change.value().isNull())
		{
			config.remove(change.key());
		}
		else
		{
			config.insert(change.key(), change.value());
		}
	}
	return QJsonDocument(config).toJson();
}


} // namespace


class test_SecureStorage
	: public QObject
{
	Q_OBJECT

	private:
		static std::unique_ptr<SecureStorage, void (*)(SecureStorage*)> load()
		{
			return {new SecureStorage(), [](SecureStorage* pStorage){
						delete pStorage;
					}};
		}


		static QString dump(const LogCapture& pCapture)
		{
			return pCapture.messages().join(QLatin1Char('\n'));
		}

	private Q_SLOTS:
		void cleanup()
		{
			QFile::remove(localPath());
		}


		void locations_data()
		{
			QTest::addColumn<QByteArray>("local");
			QTest::addColumn<bool>("valid");
			QTest::addColumn<QString>("selfAuthentication");
			QTest::addColumn<QStringList>("logs");
			QTest::addColumn<bool>("resourceTried");

			const QString shipped = QStringLiteral("https://selfauth.kendrawell.example/tcToken");
			const QString local = QStringLiteral("https://local.example/tcToken");
			const QJsonObject localSelfAuthentication({{QStringLiteral("selfAuthentication"), QJsonObject({
									  {QStringLiteral("url"), local}, {QStringLiteral("testUrl"), local}
								  })}});

			QTest::newRow("resource only") << QByteArray() << true << shipped << QStringList() << true;
			QTest::newRow("local wins") << configWith(localSelfAuthentication) << true << local << QStringList() << false;
			QTest::newRow("invalid local") << QByteArrayLiteral("{\"cvRootCertificates\": [") << true << shipped
										   << QStringList({QStringLiteral("Parse error while reading SecureStorage on position 24 : \"unterminated array\"")}) << true;
			QTest::newRow("empty object") << QByteArrayLiteral("{}") << false << QString() << QStringList() << false;
			QTest::newRow("array at top level") << QJsonDocument(QJsonArray({shippedConfig()})).toJson() << false << QString() << QStringList() << false;
			QTest::newRow("empty file") << QByteArray("") << true << shipped
										<< QStringList({QStringLiteral("Parse error while reading SecureStorage on position 0 : \"illegal value\"")}) << true;
		}


		void locations()
		{
			QFETCH(QByteArray, local);
			QFETCH(bool, valid);
			QFETCH(QString, selfAuthentication);
			QFETCH(QStringList, logs);
			QFETCH(bool, resourceTried);

			if (!local.isNull())
			{
				writeLocal(local);
			}

			LogCapture capture;
			const auto storage = load();
			QCOMPARE(storage->isValid(), valid);
			QCOMPARE(storage->getUrl(SecureStorage::SELF_AUTHENTICATION).toString(), selfAuthentication);
			QCOMPARE(storage->getCVRootCertificates(true).isEmpty(), !valid);

			const QString localLine = QStringLiteral("Load SecureStorage: \"%1\"").arg(localPath());
			QCOMPARE(capture.count(localLine), local.isNull() ? 0 : 1);
			QCOMPARE(capture.count(QStringLiteral("Load SecureStorage: \":/config.json\"")), resourceTried ? 1 : 0);
			const QString tryLine = QStringLiteral("Try locations: QList(\"%1\", \":/config.json\")").arg(local.isNull() ? QString() : localPath());
			QVERIFY2(capture.messages().contains(tryLine), qPrintable(dump(capture)));
			for (const auto& log : logs)
			{
				QVERIFY2(capture.messages().contains(log), qPrintable(dump(capture)));
			}
			// An empty document stops loading before anything is read.
			QCOMPARE(capture.count(QStringLiteral("SecureStorage loaded:")), valid ? 1 : 0);
		}


		void unreadableLocal()
		{
			QVERIFY(QDir().mkpath(localPath()));
			const auto removeDirectory = qScopeGuard([] {
						QDir().rmdir(localPath());
					});

			LogCapture capture;
			const auto storage = load();
			QVERIFY(storage->isValid());
			QVERIFY2(capture.messages().contains(QStringLiteral("Wasn't able to open SecureStorage")), qPrintable(dump(capture)));
			QCOMPARE(capture.count(QStringLiteral("Load SecureStorage: \":/config.json\"")), 1);
		}


		void nothingFound()
		{
			Q_CLEANUP_RESOURCE(test_SecureStorage_config);
			const auto restore = qScopeGuard([] {
						Q_INIT_RESOURCE(test_SecureStorage_config);
					});
			QVERIFY(!QFile::exists(QStringLiteral(":/config.json")));

			LogCapture capture;
			const auto storage = load();
			QVERIFY(!storage->isValid());
			QVERIFY(storage->getCVRootCertificates(true).isEmpty());
			QCOMPARE(storage->getTlsConfig().getConfiguration(), QSslConfiguration());
			QCOMPARE(capture.messages(), QStringList({
						QStringLiteral("Try locations: QList(\"\", \":/config.json\")"),
						QStringLiteral("Load SecureStorage: \":/config.json\""),
						QStringLiteral("SecureStorage not found")
					}));
		}


		void shippedConfiguration()
		{
			LogCapture capture;
			const auto storage = load();
			QVERIFY(storage->isValid());
			QCOMPARE(capture.count(QStringLiteral("in SecureStorage")), 0);
			QCOMPARE(capture.count(QStringLiteral("not supported")), 0);
			QCOMPARE(capture.messages().last(), QStringLiteral("SecureStorage loaded: true"));

			QCOMPARE(storage->getCVRootCertificates(true).size(), 1);
			QCOMPARE(storage->getCVRootCertificates(false).size(), 1);
			QVERIFY(storage->getCVRootCertificates(true) != storage->getCVRootCertificates(false));
			QCOMPARE(storage->getUpdateCertificates().size(), 1);

			QCOMPARE(storage->getMinimumKeySize(QSsl::Rsa), 3000);
			QCOMPARE(storage->getMinimumKeySize(QSsl::Dh), 3000);
			QCOMPARE(storage->getMinimumKeySize(QSsl::Ec), 250);
			QCOMPARE(storage->getMinimumIfdKeySize(QSsl::Rsa), 2000);
			QCOMPARE(storage->getIfdCreateSize(), 3072);
			QCOMPARE(storage->getLocalIfdMinPskSize(), 256);
			QCOMPARE(capture.count(QStringLiteral("No minimum key size specified")), 0);

			// A pre-shared key must never be left out by a TLS 1.3 handshake on the certificate alone.
			QCOMPARE(storage->getTlsConfig(SecureStorage::TlsSuite::PSK).getConfiguration().protocol(), QSsl::TlsV1_2);
			QCOMPARE(storage->getTlsConfigRemoteIfd(SecureStorage::TlsSuite::PSK).getConfiguration().protocol(), QSsl::TlsV1_2);
			QCOMPARE(storage->getTlsConfigLocalIfd().getConfiguration().protocol(), QSsl::TlsV1_2);

			// No address of the shipped file leads to a real service.
			for (int selector = SecureStorage::SELF_AUTHENTICATION; selector <= SecureStorage::UPDATES_BETA; ++selector)
			{
				QVERIFY(storage->getUrl(selector).host().endsWith(QLatin1String(".example")));
			}
		}


		void singleton()
		{
			auto& instance = SecureStorage::getInstance();
			QCOMPARE(&SecureStorage::getInstance(), &instance);
			QCOMPARE(Env::getSingleton<SecureStorage>(), &instance);
			QVERIFY(instance.isValid());
		}


		void urls()
		{
			const QJsonObject changes({
						{QStringLiteral("selfAuthentication"), QJsonObject({
								 {QStringLiteral("url"), QStringLiteral("https://a.example/0")},
								 {QStringLiteral("testUrl"), QStringLiteral("https://a.example/1")}
							 })},
						{QStringLiteral("updateServer"), QJsonObject({{QStringLiteral("baseUrl"), QStringLiteral("https://a.example/2")}})},
						{QStringLiteral("whitelistServer"), QJsonObject({{QStringLiteral("baseUrl"), QStringLiteral("https://a.example/3")}})},
						{QStringLiteral("updates"), QJsonObject({
								 {QStringLiteral("release"), QStringLiteral("https://a.example/4")},
								 {QStringLiteral("beta"), QStringLiteral("https://a.example/ with space")}
							 })}
					});
			writeLocal(configWith(changes));

			const auto storage = load();
			for (int selector = 0; selector < 5; ++selector)
			{
				QCOMPARE(storage->getUrl(selector), QUrl(QStringLiteral("https://a.example/%1").arg(selector)));
			}
			// Leniently parsed: the space is taken in encoded.
			QCOMPARE(storage->getUrl(SecureStorage::UPDATES_BETA).toEncoded(), QByteArrayLiteral("https://a.example/%20with%20space"));
			QCOMPARE(storage->getUrl(false), storage->getUrl(SecureStorage::SELF_AUTHENTICATION));
			QCOMPARE(storage->getUrl(true), storage->getUrl(SecureStorage::SELF_AUTHENTICATION_TEST));
			QCOMPARE(storage->getUpdateUrl(), QUrl(QStringLiteral("https://a.example/4")));
			QCOMPARE(storage->getUrl(-1), QUrl());
			QCOMPARE(storage->getUrl(6), QUrl());
		}


		void malformedEntries_data()
		{
			QTest::addColumn<QJsonObject>("changes");
			QTest::addColumn<bool>("valid");
			QTest::addColumn<QStringList>("logs");

			QTest::newRow("root not a string")
				<< QJsonObject({{QStringLiteral("cvRootCertificatesTest"), QJsonArray({QStringLiteral("0102"), 7, QStringLiteral("0304")})}})
				<< true << QStringList({QStringLiteral("Expected hexstring in array[1] cvRootCertificatesTest in SecureStorage")});
			QTest::newRow("roots not an array")
				<< QJsonObject({{QStringLiteral("cvRootCertificates"), QStringLiteral("0102")}})
				<< false << QStringList({QStringLiteral("Expecting array for \"cvRootCertificates\" in SecureStorage")});
			QTest::newRow("roots missing")
				<< QJsonObject({{QStringLiteral("cvRootCertificatesTest"), QJsonValue::Null}})
				<< false << QStringList({QStringLiteral("Expecting array for \"cvRootCertificatesTest\" in SecureStorage")});
			QTest::newRow("update certificate not DER")
				<< QJsonObject({{QStringLiteral("updateCertificates"), QJsonArray({QStringLiteral("30030201"), shippedConfig().value(QStringLiteral("updateCertificates")).toArray().at(0)})}})
				<< true << QStringList({QStringLiteral("Failed to read update certificate[0] from SecureStorage")});
			QTest::newRow("group not an object")
				<< QJsonObject({{QStringLiteral("updates"), QJsonArray()}})
				<< true << QStringList({QStringLiteral("Expecting group for updates in SecureStorage"), QStringLiteral("Expecting group for updates in SecureStorage")});
			QTest::newRow("self-authentication address not a string")
				<< QJsonObject({{QStringLiteral("selfAuthentication"), QJsonObject({{QStringLiteral("url"), 1}, {QStringLiteral("testUrl"), QStringLiteral("https://a.example")}})}})
				<< false << QStringList({QStringLiteral("Expecting string for selfAuthentication/url in SecureStorage")});
			QTest::newRow("TLS settings not an object")
				<< QJsonObject({{QStringLiteral("tlsSettingsLocalIfd"), QJsonArray()}})
				<< false << QStringList();
			QTest::newRow("local reader without minimum key size")
				<< QJsonObject({{QStringLiteral("localIfd"), QJsonObject({{QStringLiteral("packageName"), QStringLiteral("a")}, {QStringLiteral("minVersion"), QStringLiteral("1")}, {QStringLiteral("allowedCertificateHashes"), QJsonArray()}})}})
				<< false << QStringList();
			QTest::newRow("local reader missing")
				<< QJsonObject({{QStringLiteral("localIfd"), QJsonValue::Null}})
				<< false << QStringList();
			QTest::newRow("key sizes empty")
				<< QJsonObject({{QStringLiteral("minKeySizes"), QJsonObject()}})
				<< false << QStringList();
			QTest::newRow("key sizes lower case")
				<< QJsonObject({{QStringLiteral("minKeySizes"), QJsonObject({{QStringLiteral("rsa"), 3000}, {QStringLiteral("Ec"), 250}})}})
				<< true << QStringList({QStringLiteral("Ignore unknown key type \"rsa\"")});
		}


		void malformedEntries()
		{
			QFETCH(QJsonObject, changes);
			QFETCH(bool, valid);
			QFETCH(QStringList, logs);

			writeLocal(configWith(changes));
			LogCapture capture;
			const auto storage = load();
			QCOMPARE(storage->isValid(), valid);
			QCOMPARE(capture.count(QStringLiteral("Load SecureStorage: \":/config.json\"")), 0);
			for (const auto& log : logs)
			{
				QCOMPARE(capture.count(log), logs.count(log));
			}
		}


		void hexLists()
		{
			writeLocal(configWith({
						{QStringLiteral("cvRootCertificatesTest"), QJsonArray({QStringLiteral("0102"), true, QStringLiteral("0A0b")})},
						{QStringLiteral("updateCertificates"), QJsonArray({QStringLiteral("30030201"), shippedConfig().value(QStringLiteral("updateCertificates")).toArray().at(0)})},
						{QStringLiteral("localIfd"), QJsonObject({
								 {QStringLiteral("packageName"), QStringLiteral("org.example.reader")},
								 {QStringLiteral("minVersion"), 2},
								 {QStringLiteral("allowedCertificateHashes"), QJsonArray({QStringLiteral("AABB"), QStringLiteral("ccdd")})},
								 {QStringLiteral("minPskSize"), 512}
							 })}
					}));

			LogCapture capture;
			const auto storage = load();
			QCOMPARE(storage->getCVRootCertificates(false), QByteArrayList({QByteArray::fromHex("0102"), QByteArray::fromHex("0a0b")}));
			QCOMPARE(storage->getUpdateCertificates().size(), 1);
			QCOMPARE(storage->getUpdateCertificates().at(0).subjectInfo(QSslCertificate::CommonName), QStringList({QStringLiteral("Kendrawell update signing")}));
			QCOMPARE(storage->getLocalIfdPackageName(), QStringLiteral("org.example.reader"));
			QCOMPARE(storage->getLocalIfdMinVersion(), QString());
			QCOMPARE(storage->getLocalIfdAllowedCertificateHashes(), QByteArrayList({QByteArray::fromHex("aabb"), QByteArray::fromHex("ccdd")}));
			QCOMPARE(storage->getLocalIfdMinPskSize(), 512);
			QVERIFY(capture.messages().contains(QStringLiteral("Expected hexstring in array[1] cvRootCertificatesTest in SecureStorage")));
			QVERIFY(capture.messages().contains(QStringLiteral("Expecting string for localIfd/minVersion in SecureStorage")));
		}


		void keySizes_data()
		{
			QTest::addColumn<QJsonObject>("sizes");
			QTest::addColumn<QSsl::KeyAlgorithm>("algorithm");
			QTest::addColumn<int>("size");
			QTest::addColumn<bool>("warning");

			const QJsonObject all({{QStringLiteral("Rsa"), 1}, {QStringLiteral("Dsa"), 2}, {QStringLiteral("Dh"), 3}, {QStringLiteral("Ec"), 4}});
			QTest::newRow("Rsa") << all << QSsl::Rsa << 1 << false;
			QTest::newRow("Dsa") << all << QSsl::Dsa << 2 << false;
			QTest::newRow("Dh") << all << QSsl::Dh << 3 << false;
			QTest::newRow("Ec") << all << QSsl::Ec << 4 << false;
			QTest::newRow("Opaque") << all << QSsl::Opaque << 0 << true;
			QTest::newRow("lower case") << QJsonObject({{QStringLiteral("rsa"), 3000}}) << QSsl::Rsa << 0 << true;
			QTest::newRow("not a number") << QJsonObject({{QStringLiteral("Ec"), QStringLiteral("250")}}) << QSsl::Ec << 0 << false;
			QTest::newRow("fraction") << QJsonObject({{QStringLiteral("Ec"), 250.5}}) << QSsl::Ec << 0 << false;
		}


		void keySizes()
		{
			QFETCH(QJsonObject, sizes);
			QFETCH(QSsl::KeyAlgorithm, algorithm);
			QFETCH(int, size);
			QFETCH(bool, warning);

			writeLocal(configWith({
						{QStringLiteral("minKeySizes"), sizes},
						{QStringLiteral("sizesIfd"), QJsonObject({{QStringLiteral("min"), sizes}, {QStringLiteral("createRsa"), QStringLiteral("big")}})}
					}));
			const auto storage = load();

			LogCapture capture;
			QCOMPARE(storage->getMinimumKeySize(algorithm), size);
			QCOMPARE(storage->getMinimumIfdKeySize(algorithm), size);
			QCOMPARE(capture.count(QStringLiteral("No minimum key size specified, returning default")), warning ? 2 : 0);
			QCOMPARE(storage->getIfdCreateSize(), 0);
		}


		void tlsSelectors()
		{
			const auto settings = [](const char* pCipher) {
						return QJsonObject({{QStringLiteral("ciphers"), QJsonArray({QLatin1String(pCipher)})}});
					};
			writeLocal(configWith({
						{QStringLiteral("tlsSettings"), settings("ECDHE-RSA-AES128-GCM-SHA256")},
						{QStringLiteral("tlsSettingsPsk"), settings("RSA-PSK-AES128-GCM-SHA256")},
						{QStringLiteral("tlsSettingsRemoteIfd"), settings("ECDHE-RSA-AES256-GCM-SHA384")},
						{QStringLiteral("tlsSettingsRemoteIfdPairing"), settings("RSA-PSK-AES256-GCM-SHA384")},
						{QStringLiteral("tlsSettingsLocalIfd"), settings("ECDHE-PSK-AES128-CBC-SHA256")}
					}));
			const auto storage = load();
			QVERIFY(storage->isValid());

			const auto cipher = [](const TlsConfiguration& pConfiguration) {
						return pConfiguration.getCiphers().value(0).name();
					};
			QCOMPARE(cipher(storage->getTlsConfig()), QStringLiteral("ECDHE-RSA-AES128-GCM-SHA256"));
			QCOMPARE(cipher(storage->getTlsConfig(SecureStorage::TlsSuite::PSK)), QStringLiteral("RSA-PSK-AES128-GCM-SHA256"));
			QCOMPARE(cipher(storage->getTlsConfigRemoteIfd()), QStringLiteral("ECDHE-RSA-AES256-GCM-SHA384"));
			QCOMPARE(cipher(storage->getTlsConfigRemoteIfd(SecureStorage::TlsSuite::PSK)), QStringLiteral("RSA-PSK-AES256-GCM-SHA384"));
			QCOMPARE(cipher(storage->getTlsConfigLocalIfd()), QStringLiteral("ECDHE-PSK-AES128-CBC-SHA256"));
		}


};

KENDRAWELL_TEST_MAIN(test_SecureStorage)
#include "test_SecureStorage.moc"
