#include "TlsChecker.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCapture.h"
#include "LogCategories.h"
#include "SecureStorage.h"
#include "TestEnvironment.h"
#include "TestPeer.h"
#include "VolatileSettings.h"

#include <QFile>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QSslKey>

using namespace tessarovin;

using SslErrorList = QList<QSslError::SslError>;
Q_DECLARE_METATYPE(SslErrorList)

namespace
{

// A reply that only records which errors it was told to ignore.
class IgnoreRecordingReply
	: public QNetworkReply
{
	Q_OBJECT

	public:
		QList<QList<QSslError>> mIgnored;

		void abort() override
		{
		}

	protected:
		qint64 readData(char*, qint64) override
		{
			return -1;
		}


		void ignoreSslErrorsImplementation(const QList<QSslError>& pErrors) override
		{
			mIgnored << pErrors;
		}


};


QSslCertificate loadCertificate(const QString& pName)
{
	QFile file(TestPeer::certificate(pName));
	if (!file.open(QIODevice::ReadOnly))
	{
		qFatal("certificate missing");
	}
	return QSslCertificate(file.readAll(), QSsl::Pem);
}


// The hash as an independent tool computes it.
QString opensslSha256(const QString& pName)
{
	QProcess shell;
	shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("openssl x509 -in '%1' -outform DER | sha256sum").arg(TestPeer::certificate(pName))});
	shell.waitForFinished();
	return QString::fromLatin1(shell.readAllStandardOutput().split(' ').value(0));
}


TlsChecker::KeySizeFunction minimumSizes(const QMap<QSsl::KeyAlgorithm, int>& pSizes)
{
	return [pSizes](QSsl::KeyAlgorithm pAlgorithm) {
			   return pSizes.value(pAlgorithm, 0);
		   };
}


void setDeveloperMode(bool pEnabled)
{
	// Tests run as the SDK would, where the switch is the volatile one.
	Env::getSingleton<VolatileSettings>()->setDeveloperMode(pEnabled);
	auto& settings = Env::getSingleton<AppSettings>()->getGeneralSettings();
	settings.setDeveloperOptions(pEnabled);
	settings.setDeveloperMode(pEnabled);
	QCOMPARE(settings.isDeveloperMode(), pEnabled);
}


struct Handshake
{
	QNetworkReply::NetworkError mError = QNetworkReply::NoError;
	SslErrorList mErrors;
	bool mFatal = false;
	QSslConfiguration mConfiguration;
};


// One GET against a Python TLS server with the given certificate; the TLS errors go through the checker
// the way the workflow states use it.
Handshake handshake(const QString& pCertificate, const QStringList& pExtraArguments = QStringList())
{
	Handshake result;
	TestPeer server;
	if (!server.startScript(QStringLiteral("echo_server.py"), QStringList({QStringLiteral("--cert"), TestPeer::certificate(pCertificate), QStringLiteral("--key"), TestPeer::key(pCertificate)}) + pExtraArguments))
	{
		qFatal("echo server did not start");
	}

	QNetworkAccessManager manager;
	QNetworkRequest request(QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(server.port())));
	request.setSslConfiguration(SecureStorage::getInstance().getTlsConfig().getConfiguration());
	const QSharedPointer<QNetworkReply> reply(manager.get(request), &QObject::deleteLater);
	QObject::connect(reply.data(), &QNetworkReply::sslErrors, reply.data(), [&result, &reply](const QList<QSslError>& pErrors){
				for (const auto& error : pErrors)
				{
					result.mErrors << error.error();
				}
				result.mFatal = TlsChecker::containsFatalError(reply, pErrors);
			});
	QObject::connect(reply.data(), &QNetworkReply::encrypted, reply.data(), [&result, &reply]{
				result.mConfiguration = reply->sslConfiguration();
			});

	QSignalSpy finished(reply.data(), &QNetworkReply::finished);
	if (!finished.wait(30000))
	{
		qFatal("no answer");
	}
	result.mError = reply->error();
	return result;
}


} // namespace


class test_TlsChecker
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(SecureStorage::getInstance().isValid());
			QVERIFY(QFile::exists(TestPeer::certificate(QStringLiteral("rsa2048"))));
		}


		void cleanup()
		{
			setDeveloperMode(false);
		}


		void checkCertificate_data()
		{
			QTest::addColumn<QString>("name");
			QTest::addColumn<QCryptographicHash::Algorithm>("algorithm");
			QTest::addColumn<QStringList>("accepted");
			QTest::addColumn<bool>("result");

			const auto ownHash = QStringLiteral("<own>");
			QTest::newRow("lower case") << "rsa2048" << QCryptographicHash::Sha256 << QStringList({ownHash}) << true;
			QTest::newRow("upper case") << "rsa2048" << QCryptographicHash::Sha256 << QStringList({QStringLiteral("<OWN>")}) << true;
			QTest::newRow("among others") << "ec256" << QCryptographicHash::Sha256 << QStringList({QString(64, QLatin1Char('0')), ownHash}) << true;
			QTest::newRow("other certificate") << "rsa2048" << QCryptographicHash::Sha256 << QStringList({QStringLiteral("<stranger>")}) << false;
			QTest::newRow("other algorithm") << "rsa2048" << QCryptographicHash::Sha512 << QStringList({ownHash}) << false;
			QTest::newRow("empty set") << "rsa2048" << QCryptographicHash::Sha256 << QStringList() << false;
			QTest::newRow("prefix only") << "rsa2048" << QCryptographicHash::Sha256 << QStringList({QStringLiteral("<own-prefix>")}) << false;
		}


		void checkCertificate()
		{
			QFETCH(QString, name);
			QFETCH(QCryptographicHash::Algorithm, algorithm);
			QFETCH(QStringList, accepted);
			QFETCH(bool, result);

			const auto own = opensslSha256(name);
			QCOMPARE(own.size(), 64);
			QSet<QString> hashes;
			for (const auto& hash : std::as_const(accepted))
			{
				if (hash == QLatin1String("<own>"))
				{
					hashes << own;
				}
				else if (hash == QLatin1String("<OWN>"))
				{
					hashes << own.toUpper();
				}
				else if (hash == QLatin1String("<own-prefix>"))
				{
					hashes << own.left(32);
				}
				else if (hash == QLatin1String("<stranger>"))
				{
					hashes << opensslSha256(QStringLiteral("stranger"));
				}
				else
				{
					hashes << hash;
				}
			}

			const LogCapture capture;
			QCOMPARE(TlsChecker::checkCertificate(loadCertificate(name), algorithm, hashes), result);
			QVERIFY(capture.contains(QStringLiteral("Check certificate CN=")));
			QVERIFY(capture.contains(QStringLiteral("Accepted certificate hashes")));
		}


		void fatalErrors_data()
		{
			QTest::addColumn<QSslError::SslError>("error");
			QTest::addColumn<bool>("fatal");

			const QList<QSslError::SslError> fatal({
						QSslError::CertificateSignatureFailed, QSslError::CertificateNotYetValid, QSslError::CertificateExpired,
						QSslError::InvalidNotBeforeField, QSslError::InvalidNotAfterField, QSslError::CertificateRevoked,
						QSslError::InvalidCaCertificate, QSslError::CertificateRejected, QSslError::SubjectIssuerMismatch,
						QSslError::HostNameMismatch, QSslError::UnspecifiedError, QSslError::NoSslSupport, QSslError::CertificateBlacklisted
					});
			for (const auto error : fatal)
			{
				QTest::addRow("fatal %d", int(error)) << error << true;
			}

			const QList<QSslError::SslError> tolerated({
						QSslError::UnableToGetIssuerCertificate, QSslError::SelfSignedCertificate, QSslError::SelfSignedCertificateInChain,
						QSslError::UnableToGetLocalIssuerCertificate, QSslError::UnableToVerifyFirstCertificate, QSslError::CertificateUntrusted,
						QSslError::NoPeerCertificate, QSslError::OcspNoResponseFound, QSslError::OcspStatusUnknown, QSslError::PathLengthExceeded
					});
			for (const auto error : tolerated)
			{
				QTest::addRow("not fatal %d", int(error)) << error << false;
			}
		}


		void fatalErrors()
		{
			QFETCH(QSslError::SslError, error);
			QFETCH(bool, fatal);

			const QSslError sslError(error, loadCertificate(QStringLiteral("rsa2048")));
			const QList<QSslError> errors({QSslError(QSslError::SelfSignedCertificate), sslError});

			{
				const LogCapture capture;
				const auto texts = TlsChecker::getFatalErrors(errors);
				QCOMPARE(texts, fatal ? QStringList({sslError.errorString()}) : QStringList());
				QCOMPARE(capture.count(QStringLiteral("(ignored)")), fatal ? 1 : 2);
			}

			// Developer mode lists nothing, but every fatal error is still reported, with its certificate.
			setDeveloperMode(true);
			const LogCapture capture;
			QCOMPARE(TlsChecker::getFatalErrors(errors), QStringList());
			int developerLines = 0;
			for (const auto& entry : capture.entries())
			{
				if (entry.mCategory == QLatin1String("developermode"))
				{
					QCOMPARE(entry.mType, QtWarningMsg);
					++developerLines;
				}
			}
			QCOMPARE(developerLines, fatal ? 2 : 0);
		}


		void containsFatalError_data()
		{
			QTest::addColumn<SslErrorList>("errors");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<bool>("fatal");

			QTest::newRow("self-signed only") << SslErrorList({QSslError::SelfSignedCertificate}) << false << false;
			QTest::newRow("no errors") << SslErrorList() << false << false;
			QTest::newRow("host mismatch") << SslErrorList({QSslError::SelfSignedCertificate, QSslError::HostNameMismatch}) << false << true;
			QTest::newRow("host mismatch, developer mode") << SslErrorList({QSslError::SelfSignedCertificate, QSslError::HostNameMismatch}) << true << false;
			QTest::newRow("expired") << SslErrorList({QSslError::CertificateExpired}) << false << true;
		}


		void containsFatalError()
		{
			QFETCH(SslErrorList, errors);
			QFETCH(bool, developerMode);
			QFETCH(bool, fatal);

			setDeveloperMode(developerMode);
			QList<QSslError> sslErrors;
			for (const auto error : std::as_const(errors))
			{
				sslErrors << QSslError(error);
			}

			const QSharedPointer<IgnoreRecordingReply> reply(new IgnoreRecordingReply());
			QCOMPARE(TlsChecker::containsFatalError(reply, sslErrors), fatal);
			if (fatal)
			{
				QVERIFY(reply->mIgnored.isEmpty());
			}
			else
			{
				QCOMPARE(reply->mIgnored, QList<QList<QSslError>>({sslErrors}));
			}
		}


		void containsFatalErrorWithoutReply()
		{
			const LogCapture capture;
			QVERIFY(!TlsChecker::containsFatalError(QSharedPointer<QNetworkReply>(), {QSslError(QSslError::HostNameMismatch)}));
			QVERIFY(capture.contains(QStringLiteral("Reply should not be nullptr")));
		}


		void handshakes_data()
		{
			QTest::addColumn<QString>("certificate");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<SslErrorList>("errors");
			QTest::addColumn<bool>("fatal");

			QTest::newRow("self-signed") << "rsa2048" << false << SslErrorList({QSslError::SelfSignedCertificate}) << false;
			QTest::newRow("issuer unknown") << "leaf" << false << SslErrorList({QSslError::UnableToGetLocalIssuerCertificate, QSslError::UnableToVerifyFirstCertificate}) << false;
			QTest::newRow("expired") << "expired" << false << SslErrorList({QSslError::SelfSignedCertificate, QSslError::CertificateExpired}) << true;
			QTest::newRow("expired, developer mode") << "expired" << true << SslErrorList({QSslError::SelfSignedCertificate, QSslError::CertificateExpired}) << false;
			QTest::newRow("host mismatch") << "wrongsan" << false << SslErrorList({QSslError::SelfSignedCertificate, QSslError::HostNameMismatch}) << true;
			QTest::newRow("host mismatch, developer mode") << "wrongsan" << true << SslErrorList({QSslError::SelfSignedCertificate, QSslError::HostNameMismatch}) << false;
		}


		void handshakes()
		{
			QFETCH(QString, certificate);
			QFETCH(bool, developerMode);
			QFETCH(SslErrorList, errors);
			QFETCH(bool, fatal);

			setDeveloperMode(developerMode);
			const auto result = handshake(certificate);

			auto sortedErrors = result.mErrors;
			std::sort(sortedErrors.begin(), sortedErrors.end());
			std::sort(errors.begin(), errors.end());
			QCOMPARE(sortedErrors, errors);
			QCOMPARE(result.mFatal, fatal);
			QCOMPARE(result.mError, fatal ? QNetworkReply::SslHandshakeFailedError : QNetworkReply::NoError);
		}


		void certificateKeyLength_data()
		{
			QTest::addColumn<QString>("certificate");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<bool>("valid");
			QTest::addColumn<QString>("warning");

			QTest::newRow("rsa 2048 against 3000") << "rsa2048" << false << false << "Rsa key with insufficient key size found 2048";
			QTest::newRow("rsa 2048 against 3000, developer mode") << "rsa2048" << true << true << "Rsa key with insufficient key size found 2048";
			QTest::newRow("rsa 3072") << "rsa3072" << false << true << QString();
			QTest::newRow("ec 256 against 250") << "ec256" << false << true << QString();
		}


		void certificateKeyLength()
		{
			QFETCH(QString, certificate);
			QFETCH(bool, developerMode);
			QFETCH(bool, valid);
			QFETCH(QString, warning);

			setDeveloperMode(developerMode);
			const LogCapture capture;
			QCOMPARE(TlsChecker::hasValidCertificateKeyLength(loadCertificate(certificate), TlsChecker::cDefaultMinimumKeySize), valid);

			bool found = false;
			for (const auto& entry : capture.entries())
			{
				if (entry.mMessage == warning)
				{
					QCOMPARE(entry.mType, QtWarningMsg);
					QCOMPARE(entry.mCategory, developerMode ? QStringLiteral("developermode") : QStringLiteral("network"));
					found = true;
				}
			}
			QCOMPARE(found, !warning.isEmpty());
		}


		void keyLengthRules_data()
		{
			QTest::addColumn<int>("length");
			QTest::addColumn<int>("minimum");
			QTest::addColumn<bool>("valid");

			QTest::newRow("below") << 2999 << 3000 << false;
			QTest::newRow("equal") << 3000 << 3000 << true;
			QTest::newRow("above") << 3001 << 3000 << true;
			QTest::newRow("no minimum") << 0 << 0 << true;
		}


		void keyLengthRules()
		{
			QFETCH(int, length);
			QFETCH(int, minimum);
			QFETCH(bool, valid);

			QCOMPARE(TlsChecker::isValidKeyLength(length, QSsl::Dh, minimum), valid);
		}


		void keyLengthOfUnlistedAlgorithm()
		{
			// A rule without a minimum for the algorithm accepts every key of it.
			const auto rsaOnly = minimumSizes({{QSsl::Rsa, 4096}});
			QVERIFY(TlsChecker::hasValidCertificateKeyLength(loadCertificate(QStringLiteral("ec256")), rsaOnly));
			QVERIFY(!TlsChecker::hasValidCertificateKeyLength(loadCertificate(QStringLiteral("rsa3072")), rsaOnly));

			const LogCapture capture;
			QVERIFY(!TlsChecker::hasValidCertificateKeyLength(QSslCertificate(), rsaOnly));
			QVERIFY(capture.contains(QStringLiteral("Certificate is null")));
		}


		void ephemeralKey()
		{
			// Python's server offers X25519 first, which the configuration does not list: P-256 it is.
			const auto result = handshake(QStringLiteral("ec256"), {QStringLiteral("--tls12")});
			QCOMPARE(result.mError, QNetworkReply::NoError);

			const auto key = result.mConfiguration.ephemeralServerKey();
			QCOMPARE(key.algorithm(), QSsl::Ec);
			QCOMPARE(key.length(), 256);
			QVERIFY(TlsChecker::hasValidEphemeralKeyLength(key, TlsChecker::cDefaultMinimumKeySize));
			QVERIFY(!TlsChecker::hasValidEphemeralKeyLength(key, minimumSizes({{QSsl::Ec, 384}})));

			const FailureCode::FailureInfoMap expected({
						{FailureCode::Info::Ephemeral_Server_Key_Algorithm, QStringLiteral("Ec")},
						{FailureCode::Info::Ephemeral_Server_Key_Length, QStringLiteral("256")}
					});
			QCOMPARE(TlsChecker::getEphemeralKeyInfoMap(key), expected);
		}


		void opaqueEphemeralKey()
		{
			// A key Qt could not read has no length: it fails even without a minimum.
			const LogCapture capture;
			QVERIFY(!TlsChecker::hasValidEphemeralKeyLength(QSslKey(), minimumSizes({})));
			QVERIFY(capture.contains(QStringLiteral("Qt failed to determine algorithm")));
			QVERIFY(capture.contains(QStringLiteral("Opaque key with insufficient key size found -1")));
		}


		void rootCertificate_data()
		{
			QTest::addColumn<QStringList>("chain");
			QTest::addColumn<QString>("root");

			QTest::newRow("leaf and root") << QStringList({"leaf", "ca"}) << "ca";
			QTest::newRow("first self-signed wins") << QStringList({"leaf", "rsa2048", "ca"}) << "rsa2048";
			QTest::newRow("no self-signed") << QStringList({"leaf"}) << QString();
			QTest::newRow("empty") << QStringList() << QString();
		}


		void rootCertificate()
		{
			QFETCH(QStringList, chain);
			QFETCH(QString, root);

			QList<QSslCertificate> certificates;
			for (const auto& name : std::as_const(chain))
			{
				certificates << loadCertificate(name);
			}
			const auto result = TlsChecker::getRootCertificate(certificates);
			QCOMPARE(result, root.isEmpty() ? QSslCertificate() : loadCertificate(root));
			QCOMPARE(result.isNull(), root.isEmpty());
		}


		void sslErrorsToString()
		{
			const QSslError first(QSslError::SelfSignedCertificate);
			const QSslError second(QSslError::HostNameMismatch);
			QCOMPARE(TlsChecker::sslErrorsToString({first, second}), first.errorString() + QLatin1Char(',') + second.errorString());
			QCOMPARE(TlsChecker::sslErrorsToString({}), QString());
		}


		void logSslConfig()
		{
			const auto result = handshake(QStringLiteral("rsa2048"), {QStringLiteral("--tls12")});
			QCOMPARE(result.mError, QNetworkReply::NoError);
			const auto ticket = result.mConfiguration.sessionTicket();
			QVERIFY(!ticket.isEmpty());

			LogCapture capture;
			TlsChecker::logSslConfig(result.mConfiguration, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, webservice));
			const auto entries = capture.entries();
			QCOMPARE(entries.size(), 6);
			const QStringList starts({
						QStringLiteral("Used session cipher"), QStringLiteral("Used session protocol: TlsV1_2"),
						QStringLiteral("Used ephemeral server key: QSslKey("), QStringLiteral("Used peer certificate:"),
						QStringLiteral("Used ssl session: ") + QString::fromLatin1(QCryptographicHash::hash(ticket, QCryptographicHash::Sha256).toHex()),
						QStringLiteral("Handshake of tls connection done!")
					});
			for (int i = 0; i < starts.size(); ++i)
			{
				QVERIFY2(entries.at(i).mMessage.startsWith(starts.at(i)), qPrintable(entries.at(i).mMessage));
				QCOMPARE(entries.at(i).mType, QtInfoMsg);
				QCOMPARE(entries.at(i).mCategory, QStringLiteral("webservice"));
				// The ticket resumes the session: it must never reach the log, in any encoding.
				QVERIFY(!entries.at(i).mMessage.contains(QString::fromLatin1(ticket.toHex())));
				QVERIFY(!entries.at(i).mMessage.contains(QString::fromLatin1(ticket.toBase64())));
			}

			// A configuration without handshake has no key and no session: the lines end after their labels.
			capture.clear();
			TlsChecker::logSslConfig(QSslConfiguration(), CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, webservice));
			QCOMPARE(capture.entries().size(), 6);
			QCOMPARE(capture.entries().at(2).mMessage, QStringLiteral("Used ephemeral server key:"));
			QCOMPARE(capture.entries().at(4).mMessage, QStringLiteral("Used ssl session:"));
		}


};

KENDRAWELL_TEST_MAIN(test_TlsChecker)
#include "test_TlsChecker.moc"
