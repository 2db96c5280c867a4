#include "TlsConfiguration.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QSslDiffieHellmanParameters>
#include <QSslEllipticCurve>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

namespace
{

QJsonObject shippedSettings(const QString& pName)
{
	QFile file(QStringLiteral(":/config.json"));
	if (!file.open(QIODevice::ReadOnly))
	{
		qFatal("Missing resource :/config.json");
	}
	return QJsonDocument::fromJson(file.readAll()).object().value(pName).toObject();
}


QStringList cipherNames(const QList<QSslCipher>& pCiphers)
{
	QStringList names;
	for (const auto& cipher : pCiphers)
	{
		names << cipher.name();
	}
	return names;
}


QStringList curveNames(const QList<QSslEllipticCurve>& pCurves)
{
	QStringList names;
	for (const auto& curve : pCurves)
	{
		names << curve.longName();
	}
	return names;
}


const QByteArray PSK = QByteArray::fromHex("a8d4f4e1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d");
const QByteArray PSK_IDENTITY = QByteArrayLiteral("Client_identity");


// An "openssl s_server" on a free loopback port; ended when it goes out of scope.
class OpenSslServer
{
	private:
		QProcess mProcess;
		quint16 mPort = 0;

	public:
		explicit OpenSslServer(const QStringList& pArguments)
		{
			mProcess.setProcessChannelMode(QProcess::MergedChannels);
			mProcess.start(QStringLiteral("openssl"), QStringList({QStringLiteral("s_server"), QStringLiteral("-accept"), QStringLiteral("127.0.0.1:0")}) + pArguments);
			if (!mProcess.waitForStarted())
			{
				return;
			}

			static const QRegularExpression accept(QStringLiteral("ACCEPT 127\\.0\\.0\\.1:(\\d+)"));
			QString output;
			while (mProcess.state() == QProcess::Running && mProcess.waitForReadyRead(10000))
			{
				output += QString::fromUtf8(mProcess.readAll());
				const auto match = accept.match(output);
				if (match.hasMatch())
				{
					mPort = static_cast<quint16>(match.captured(1).toUInt());
					return;
				}
			}
			qWarning() << "s_server did not start:" << output;
		}


		~OpenSslServer()
		{
			mProcess.kill();
			mProcess.waitForFinished();
		}


		OpenSslServer(const OpenSslServer&) = delete;
		OpenSslServer& operator=(const OpenSslServer&) = delete;

		[[nodiscard]] quint16 port() const
		{
			return mPort;
		}


};


// Connects with the configuration and a pre-shared key; true when the handshake completed.
bool handshake(QSslSocket& pSocket, const QSslConfiguration& pConfiguration, quint16 pPort, const QByteArray& pPsk = PSK)
{
	QSslConfiguration configuration = pConfiguration;
	// No authority is trusted by the configuration: the certificate checks are not the topic here.
	configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
	pSocket.setSslConfiguration(configuration);
	QObject::connect(&pSocket, &QSslSocket::preSharedKeyAuthenticationRequired, &pSocket, [pPsk](QSslPreSharedKeyAuthenticator* pAuthenticator) {
			pAuthenticator->setIdentity(PSK_IDENTITY);
			pAuthenticator->setPreSharedKey(pPsk);
		});

	QSignalSpy encrypted(&pSocket, &QSslSocket::encrypted);
	QSignalSpy failed(&pSocket, &QSslSocket::errorOccurred);
	pSocket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), pPort);
	for (int i = 0; i < 100 && encrypted.isEmpty() && failed.isEmpty(); ++i)
	{
		encrypted.wait(200);
	}
	return !encrypted.isEmpty() && failed.isEmpty();
}


} // namespace


class test_TlsConfiguration
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;

		QString path(const QString& pName) const
		{
			return mDir.filePath(pName);
		}

	private Q_SLOTS:
		void initTestCase()
		{
			if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
			{
				QFAIL("openssl is needed: install the Debian package openssl");
			}
			QVERIFY(mDir.isValid());

			// The server certificate of the RSA-PSK suites; 3072 bits as the minimum sizes ask.
			QCOMPARE(QProcess::execute(QStringLiteral("openssl"), {
						QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:3072"),
						QStringLiteral("-nodes"), QStringLiteral("-keyout"), path(QStringLiteral("server.key")),
						QStringLiteral("-out"), path(QStringLiteral("server.pem")), QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
						QStringLiteral("-days"), QStringLiteral("1")
					}), 0);
		}


		void defaultIsEmpty()
		{
			const TlsConfiguration configuration;
			QVERIFY(!configuration.isValid());
			QVERIFY(configuration.getCiphers().isEmpty());
			QCOMPARE(configuration.getConfiguration(), QSslConfiguration());
		}


		void protocolVersion_data()
		{
			QTest::addColumn<QJsonValue>("value");
			QTest::addColumn<QSsl::SslProtocol>("protocol");
			QTest::addColumn<QString>("log");

			QTest::newRow("absent") << QJsonValue(QJsonValue::Undefined) << QSsl::SecureProtocols << QStringLiteral("\"protocolVersion\" undefined, using default");
			QTest::newRow("TlsV1_2") << QJsonValue(QStringLiteral("TlsV1_2")) << QSsl::TlsV1_2 << QString();
			QTest::newRow("TlsV1_2OrLater") << QJsonValue(QStringLiteral("TlsV1_2OrLater")) << QSsl::TlsV1_2OrLater << QString();
			QTest::newRow("TlsV1_3") << QJsonValue(QStringLiteral("TlsV1_3")) << QSsl::TlsV1_3 << QString();
			QTest::newRow("TlsV1_3OrLater") << QJsonValue(QStringLiteral("TlsV1_3OrLater")) << QSsl::TlsV1_3OrLater << QString();
			QTest::newRow("lower case") << QJsonValue(QStringLiteral("tlsv1_3")) << QSsl::SecureProtocols << QStringLiteral("\"protocolVersion\": Unsupported TLS protocol version detected QJsonValue(string, \"tlsv1_3\")");
			QTest::newRow("number") << QJsonValue(13) << QSsl::SecureProtocols << QStringLiteral("\"protocolVersion\": Unsupported TLS protocol version detected QJsonValue(double, 13)");
		}


		void protocolVersion()
		{
			QFETCH(QJsonValue, value);
			QFETCH(QSsl::SslProtocol, protocol);
			QFETCH(QString, log);

			QJsonObject settings({{QStringLiteral("ciphers"), QJsonArray({QStringLiteral("ECDHE-RSA-AES256-GCM-SHA384")})}});
			if (!value.isUndefined())
			{
				settings.insert(QStringLiteral("protocolVersion"), value);
			}

			LogCapture capture;
			TlsConfiguration configuration;
			configuration.load(settings);
			QCOMPARE(configuration.getConfiguration().protocol(), protocol);
			QCOMPARE(capture.contains(QStringLiteral("protocolVersion")), !log.isEmpty());
			if (!log.isEmpty())
			{
				QVERIFY2(capture.messages().contains(log), qPrintable(capture.messages().join(QLatin1Char('\n'))));
			}
		}


		void ciphers_data()
		{
			QTest::addColumn<QJsonValue>("ciphers");
			QTest::addColumn<QStringList>("expected");
			QTest::addColumn<QStringList>("logs");

			QTest::newRow("order kept") << QJsonValue(QJsonArray({QStringLiteral("RSA-PSK-AES128-CBC-SHA256"), QStringLiteral("ECDHE-RSA-AES256-GCM-SHA384"), QStringLiteral("ECDHE-PSK-AES256-CBC-SHA384")}))
										<< QStringList({QStringLiteral("RSA-PSK-AES128-CBC-SHA256"), QStringLiteral("ECDHE-RSA-AES256-GCM-SHA384"), QStringLiteral("ECDHE-PSK-AES256-CBC-SHA384")})
										<< QStringList();
			QTest::newRow("unknown skipped") << QJsonValue(QJsonArray({QStringLiteral("ECDHE-RSA-AES128-GCM-SHA256"), QStringLiteral("RSA-PSK-DES-CBC3-NOPE"), QStringLiteral("RSA-PSK-AES256-GCM-SHA384")}))
											 << QStringList({QStringLiteral("ECDHE-RSA-AES128-GCM-SHA256"), QStringLiteral("RSA-PSK-AES256-GCM-SHA384")})
											 << QStringList({QStringLiteral("Cipher is not supported by OpenSSL and will be ignored: \"RSA-PSK-DES-CBC3-NOPE\"")});
			QTest::newRow("absent") << QJsonValue(QJsonValue::Undefined) << QStringList()
									<< QStringList({QStringLiteral("\"ciphers\" undefined, using an empty array")});
			QTest::newRow("not an array") << QJsonValue(QStringLiteral("ECDHE-RSA-AES128-GCM-SHA256")) << QStringList()
										  << QStringList({QStringLiteral("Expecting array for \"ciphers\" in SecureStorage")});
		}


		void ciphers()
		{
			QFETCH(QJsonValue, ciphers);
			QFETCH(QStringList, expected);
			QFETCH(QStringList, logs);

			QJsonObject settings;
			if (!ciphers.isUndefined())
			{
				settings.insert(QStringLiteral("ciphers"), ciphers);
			}

			LogCapture capture;
			TlsConfiguration configuration;
			configuration.load(settings);
			QCOMPARE(cipherNames(configuration.getCiphers()), expected);
			QCOMPARE(cipherNames(configuration.getConfiguration().ciphers()), expected);
			QCOMPARE(configuration.isValid(), !expected.isEmpty());
			for (const auto& log : logs)
			{
				QVERIFY2(capture.messages().contains(log), qPrintable(capture.messages().join(QLatin1Char('\n'))));
			}
		}


		void ellipticCurves_data()
		{
			QTest::addColumn<QJsonValue>("curves");
			QTest::addColumn<QStringList>("expected");
			QTest::addColumn<QStringList>("logs");

			QTest::newRow("order kept") << QJsonValue(QJsonArray({QStringLiteral("secp384r1"), QStringLiteral("brainpoolP256r1"), QStringLiteral("prime256v1")}))
										<< QStringList({QStringLiteral("secp384r1"), QStringLiteral("brainpoolP256r1"), QStringLiteral("prime256v1")})
										<< QStringList();
			QTest::newRow("not a TLS curve") << QJsonValue(QJsonArray({QStringLiteral("brainpoolP160r1"), QStringLiteral("secp521r1")}))
											 << QStringList({QStringLiteral("secp521r1")})
											 << QStringList({QStringLiteral("EllipticCurve is not supported by OpenSSL and will be ignored: \"brainpoolP160r1\"")});
			QTest::newRow("unknown") << QJsonValue(QJsonArray({QStringLiteral("secp384r1"), QStringLiteral("curve0815")}))
									 << QStringList({QStringLiteral("secp384r1")})
									 << QStringList({QStringLiteral("EllipticCurve is not supported by OpenSSL and will be ignored: \"curve0815\"")});
			QTest::newRow("absent") << QJsonValue(QJsonValue::Undefined) << QStringList()
									<< QStringList({QStringLiteral("\"ellipticCurves\" undefined, using an empty array")});
			QTest::newRow("not an array") << QJsonValue(QJsonObject()) << QStringList()
										  << QStringList({QStringLiteral("Expecting array for \"ellipticCurves\" in SecureStorage")});
		}


		void ellipticCurves()
		{
			QFETCH(QJsonValue, curves);
			QFETCH(QStringList, expected);
			QFETCH(QStringList, logs);

			QJsonObject settings;
			if (!curves.isUndefined())
			{
				settings.insert(QStringLiteral("ellipticCurves"), curves);
			}

			LogCapture capture;
			TlsConfiguration configuration;
			configuration.load(settings);
			QCOMPARE(curveNames(configuration.getConfiguration().ellipticCurves()), expected);
			for (const auto& log : logs)
			{
				QVERIFY2(capture.messages().contains(log), qPrintable(capture.messages().join(QLatin1Char('\n'))));
			}
		}


		void signatureAlgorithms_data()
		{
			QTest::addColumn<QJsonValue>("algorithms");
			QTest::addColumn<QVariant>("option");
			QTest::addColumn<QString>("log");

			QTest::newRow("two joined") << QJsonValue(QJsonArray({QStringLiteral("rsa_pss_rsae_sha256"), QStringLiteral("ECDSA+SHA384")}))
										<< QVariant(QByteArrayLiteral("rsa_pss_rsae_sha256:ECDSA+SHA384")) << QString();
			QTest::newRow("one") << QJsonValue(QJsonArray({QStringLiteral("RSA+SHA512")})) << QVariant(QByteArrayLiteral("RSA+SHA512")) << QString();
			QTest::newRow("empty array") << QJsonValue(QJsonArray()) << QVariant() << QString();
			QTest::newRow("absent") << QJsonValue(QJsonValue::Undefined) << QVariant() << QStringLiteral("\"signatureAlgorithms\" undefined, using default");
			QTest::newRow("text") << QJsonValue(QStringLiteral("RSA+SHA512")) << QVariant() << QStringLiteral("\"signatureAlgorithms\" is malformed");
		}


		void signatureAlgorithms()
		{
			QFETCH(QJsonValue, algorithms);
			QFETCH(QVariant, option);
			QFETCH(QString, log);

			QJsonObject settings;
			if (!algorithms.isUndefined())
			{
				settings.insert(QStringLiteral("signatureAlgorithms"), algorithms);
			}

			LogCapture capture;
			TlsConfiguration configuration;
			configuration.load(settings);
			const auto backend = configuration.getConfiguration().backendConfiguration();
			QCOMPARE(backend.value(QByteArrayLiteral("SignatureAlgorithms")), option);
			QCOMPARE(backend.contains(QByteArrayLiteral("SignatureAlgorithms")), option.isValid());
			if (!log.isEmpty())
			{
				QVERIFY2(capture.messages().contains(log), qPrintable(capture.messages().join(QLatin1Char('\n'))));
			}
		}


		void commonSettings_data()
		{
			QTest::addColumn<QJsonValue>("ocspStapling");
			QTest::addColumn<bool>("expected");

			QTest::newRow("absent") << QJsonValue(QJsonValue::Undefined) << false;
			QTest::newRow("true") << QJsonValue(true) << true;
			QTest::newRow("false") << QJsonValue(false) << false;
			QTest::newRow("not a boolean") << QJsonValue(QStringLiteral("true")) << false;
		}


		void commonSettings()
		{
			QFETCH(QJsonValue, ocspStapling);
			QFETCH(bool, expected);

			QJsonObject settings;
			if (!ocspStapling.isUndefined())
			{
				settings.insert(QStringLiteral("ocspStapling"), ocspStapling);
			}

			LogCapture capture;
			TlsConfiguration configuration;
			configuration.load(settings);
			const auto& sslConfiguration = configuration.getConfiguration();
			QCOMPARE(sslConfiguration.ocspStaplingEnabled(), expected);
			QCOMPARE(capture.messages().contains(QStringLiteral("\"ocspStapling\" undefined, using default")), ocspStapling.isUndefined());

			QVERIFY(!sslConfiguration.testSslOption(QSsl::SslOptionDisableSessionPersistence));
			QVERIFY(sslConfiguration.caCertificates().isEmpty());
			QVERIFY(sslConfiguration.diffieHellmanParameters().isEmpty());
		}


		void shippedSettingsKnownToOpenSsl_data()
		{
			QTest::addColumn<QString>("name");

			QTest::newRow("general") << QStringLiteral("tlsSettings");
			QTest::newRow("pre-shared key") << QStringLiteral("tlsSettingsPsk");
			QTest::newRow("remote reader") << QStringLiteral("tlsSettingsRemoteIfd");
			QTest::newRow("pairing") << QStringLiteral("tlsSettingsRemoteIfdPairing");
			QTest::newRow("local remote reader") << QStringLiteral("tlsSettingsLocalIfd");
		}


		void shippedSettingsKnownToOpenSsl()
		{
			QFETCH(QString, name);

			const auto settings = shippedSettings(name);
			LogCapture capture;
			TlsConfiguration configuration;
			configuration.load(settings);

			QVERIFY(configuration.isValid());
			QCOMPARE(configuration.getCiphers().size(), settings.value(QStringLiteral("ciphers")).toArray().size());
			QCOMPARE(configuration.getConfiguration().ellipticCurves().size(), settings.value(QStringLiteral("ellipticCurves")).toArray().size());
			QCOMPARE(capture.count(QStringLiteral("not supported")), 0);
		}


		void pskHandshake_data()
		{
			QTest::addColumn<QStringList>("server");
			QTest::addColumn<QByteArray>("psk");
			QTest::addColumn<bool>("connected");
			QTest::addColumn<QString>("cipher");

			const QStringList certificate({QStringLiteral("-cert"), path(QStringLiteral("server.pem")), QStringLiteral("-key"), path(QStringLiteral("server.key"))});

			QTest::newRow("ECDHE-PSK without certificate")
				<< QStringList({QStringLiteral("-nocert"), QStringLiteral("-cipher"), QStringLiteral("ECDHE-PSK-AES256-CBC-SHA384")})
				<< PSK << true << QStringLiteral("ECDHE-PSK-AES256-CBC-SHA384");
			QTest::newRow("RSA-PSK GCM with certificate")
				<< QStringList({QStringLiteral("-cipher"), QStringLiteral("RSA-PSK-AES256-GCM-SHA384")}) + certificate
				<< PSK << true << QStringLiteral("RSA-PSK-AES256-GCM-SHA384");
			QTest::newRow("RSA-PSK CBC with certificate")
				<< QStringList({QStringLiteral("-cipher"), QStringLiteral("RSA-PSK-AES128-CBC-SHA256")}) + certificate
				<< PSK << true << QStringLiteral("RSA-PSK-AES128-CBC-SHA256");
			QTest::newRow("wrong key")
				<< QStringList({QStringLiteral("-nocert"), QStringLiteral("-cipher"), QStringLiteral("ECDHE-PSK-AES256-CBC-SHA384")})
				<< QByteArray(PSK).replace(0, 1, "x") << false << QString();
			QTest::newRow("TLS 1.3 only with certificate")
				<< QStringList({QStringLiteral("-tls1_3")}) + certificate
				<< PSK << false << QString();
			QTest::newRow("no suite with a pre-shared key")
				<< QStringList({QStringLiteral("-tls1_2"), QStringLiteral("-cipher"), QStringLiteral("ECDHE-RSA-AES256-GCM-SHA384")}) + certificate
				<< PSK << false << QString();
		}


		void pskHandshake()
		{
			QFETCH(QStringList, server);
			QFETCH(QByteArray, psk);
			QFETCH(bool, connected);
			QFETCH(QString, cipher);

			const OpenSslServer openssl(server + QStringList({QStringLiteral("-psk"), QString::fromLatin1(PSK.toHex()), QStringLiteral("-psk_identity"), QString::fromLatin1(PSK_IDENTITY)}));
			QVERIFY(openssl.port() != 0);

			TlsConfiguration configuration;
			configuration.load(shippedSettings(QStringLiteral("tlsSettingsPsk")));

			QSslSocket socket;
			QCOMPARE(handshake(socket, configuration.getConfiguration(), openssl.port(), psk), connected);
			if (connected)
			{
				QCOMPARE(socket.sessionCipher().name(), cipher);
				QCOMPARE(socket.sessionProtocol(), QSsl::TlsV1_2);
			}
		}


		void sessionKeptForResumption()
		{
			const OpenSslServer openssl({QStringLiteral("-tls1_2"), QStringLiteral("-cert"), path(QStringLiteral("server.pem")), QStringLiteral("-key"), path(QStringLiteral("server.key"))});
			QVERIFY(openssl.port() != 0);

			TlsConfiguration configuration;
			configuration.load(shippedSettings(QStringLiteral("tlsSettings")));

			QSslSocket socket;
			QVERIFY(handshake(socket, configuration.getConfiguration(), openssl.port()));
			QCOMPARE(socket.sessionCipher().name(), QStringLiteral("ECDHE-RSA-AES256-GCM-SHA384"));
			// Qt keeps the session only when persistence is on.
			QVERIFY(!socket.sslConfiguration().sessionTicket().isEmpty());
		}


};

KENDRAWELL_TEST_MAIN(test_TlsConfiguration)
#include "test_TlsConfiguration.moc"
