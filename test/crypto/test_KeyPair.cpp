#include "KeyPair.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

using namespace tessarovin;

namespace
{

// Small keys keep the tests fast; the program asks for the size of its security configuration.
constexpr int cKeySize = 1024;


struct ToolResult
{
	int mExitCode = -1;
	QByteArray mOutput;
};


ToolResult runOpenSsl(const QStringList& pArguments)
{
	QProcess process;
	process.setProcessChannelMode(QProcess::MergedChannels);
	process.start(QStringLiteral("openssl"), pArguments);
	if (!process.waitForStarted() || !process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
	{
		return ToolResult();
	}
	return ToolResult{process.exitCode(), process.readAll()};
}


QSharedPointer<X509> toX509(const QSslCertificate& pCertificate)
{
	const QByteArray pem = pCertificate.toPem();
	const OpenSslPtr<BIO, BIO_free> bio(BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size())));
	return QSharedPointer<X509>(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr), X509_free);
}


// Whether the certificate's signature verifies with the public key of the given certificate.
bool isSignedBy(const QSslCertificate& pCertificate, const QSslCertificate& pSigner)
{
	const auto certificate = toX509(pCertificate);
	const auto signer = toX509(pSigner);
	const bool verified = X509_verify(certificate.data(), X509_get0_pubkey(signer.data())) == 1;
	ERR_clear_error();
	return verified;
}


QString subjectSerialNumber(const QSslCertificate& pCertificate)
{
	return pCertificate.subjectInfo(QByteArrayLiteral("serialNumber")).value(0);
}


} // namespace


class test_KeyPair
	: public QObject
{
	Q_OBJECT

	private:
		KeyPair mSigner;
		QTemporaryDir mDir;

		QString writePem(const QString& pName, const QByteArray& pPem)
		{
			QFile file(mDir.filePath(pName));
			if (!file.open(QIODevice::WriteOnly) || file.write(pPem) != pPem.size())
			{
				qFatal("Cannot write %s", qPrintable(pName));
			}
			return file.fileName();
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			mSigner = KeyPair::generate(cKeySize, QByteArray(), QByteArray());
			QVERIFY(mSigner.isValid());
		}


		void defaultIsInvalid()
		{
			const KeyPair pair;
			QVERIFY(!pair.isValid());
			QVERIFY(pair.getKey().isNull());
			QVERIFY(pair.getCertificate().isNull());
		}


		void selfSigned()
		{
			QCOMPARE(mSigner.getKey().algorithm(), QSsl::Rsa);
			QCOMPARE(mSigner.getKey().type(), QSsl::PrivateKey);
			QCOMPARE(mSigner.getKey().length(), cKeySize);
			QCOMPARE(mSigner.getCertificate().publicKey().length(), cKeySize);
			QCOMPARE(mSigner.getCertificate().issuerDisplayName(), mSigner.getCertificate().subjectDisplayName());
			QVERIFY(isSignedBy(mSigner.getCertificate(), mSigner.getCertificate()));

			// The certificate belongs to the key.
			const auto certificate = toX509(mSigner.getCertificate());
			const QByteArray keyPem = mSigner.getKey().toPem();
			const OpenSslPtr<BIO, BIO_free> bio(BIO_new_mem_buf(keyPem.constData(), static_cast<int>(keyPem.size())));
			const OpenSslPtr<EVP_PKEY, EVP_PKEY_free> key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
			QVERIFY(key);
			QCOMPARE(X509_check_private_key(certificate.data(), key.get()), 1);
		}


		void readByOpenSsl()
		{
			const QString file = writePem(QStringLiteral("self.pem"), mSigner.getCertificate().toPem());
			const auto text = runOpenSsl({QStringLiteral("x509"), QStringLiteral("-noout"), QStringLiteral("-text"), QStringLiteral("-in"), file});
			QCOMPARE(text.mExitCode, 0);

			const QString output = QString::fromLatin1(text.mOutput);
			QVERIFY2(output.contains(QStringLiteral("Version: 1 (0x0)")), qPrintable(output));
			QVERIFY(output.contains(QStringLiteral("Not Before: Jan  1 00:00:00 1970 GMT")));
			QVERIFY(output.contains(QStringLiteral("Not After : Dec 31 23:59:59 9999 GMT")));
			QVERIFY(output.contains(QStringLiteral("Signature Algorithm: sha256WithRSAEncryption")));
			QVERIFY(!output.contains(QStringLiteral("X509v3 extensions")));
			QVERIFY(output.contains(QStringLiteral("Public-Key: (1024 bit)")));

			const QRegularExpression subject(QStringLiteral("Subject: CN ?= ?test_KeyPair, ?serialNumber ?= ?([0-9]+)\\n"));
			const auto match = subject.match(output);
			QVERIFY2(match.hasMatch(), qPrintable(output));
			const quint64 serialNumber = match.captured(1).toULongLong();
			QVERIFY(serialNumber >= 1);
			QCOMPARE(match.captured(1), subjectSerialNumber(mSigner.getCertificate()));

			const auto serial = mSigner.getCertificate().serialNumber();
			QVERIFY(!serial.isEmpty());
			const qint64 serialValue = QByteArray(serial).replace(':', "").toLongLong(nullptr, 16);
			QVERIFY(serialValue >= 1 && serialValue <= 2147483647);

			const auto verify = runOpenSsl({QStringLiteral("verify"), QStringLiteral("-CAfile"), file, file});
			QVERIFY2(verify.mExitCode == 0, verify.mOutput.constData());
		}


		void signedByPrevious()
		{
			const KeyPair pair = KeyPair::generate(cKeySize, mSigner.getKey().toPem(), mSigner.getCertificate().toPem());
			QVERIFY(pair.isValid());
			QCOMPARE(pair.getCertificate().issuerInfo(QSslCertificate::CommonName), mSigner.getCertificate().subjectInfo(QSslCertificate::CommonName));
			QCOMPARE(pair.getCertificate().issuerInfo(QByteArrayLiteral("serialNumber")), mSigner.getCertificate().subjectInfo(QByteArrayLiteral("serialNumber")));
			QVERIFY(subjectSerialNumber(pair.getCertificate()) != subjectSerialNumber(mSigner.getCertificate()));
			QVERIFY(isSignedBy(pair.getCertificate(), mSigner.getCertificate()));
			QVERIFY(!isSignedBy(pair.getCertificate(), pair.getCertificate()));

			const QString signer = writePem(QStringLiteral("signer.pem"), mSigner.getCertificate().toPem());
			const QString issued = writePem(QStringLiteral("issued.pem"), pair.getCertificate().toPem());
			const auto verify = runOpenSsl({QStringLiteral("verify"), QStringLiteral("-CAfile"), signer, issued});
			QVERIFY2(verify.mExitCode == 0, verify.mOutput.constData());
			const auto selfVerify = runOpenSsl({QStringLiteral("verify"), QStringLiteral("-CAfile"), issued, issued});
			QVERIFY(selfVerify.mExitCode != 0);
		}


		void selfSignedWithoutUsableSigner_data()
		{
			QTest::addColumn<QByteArray>("signerKey");
			QTest::addColumn<QByteArray>("signerCertificate");

			const QByteArray key = mSigner.getKey().toPem();
			const QByteArray certificate = mSigner.getCertificate().toPem();
			QTest::newRow("key only") << key << QByteArray();
			QTest::newRow("certificate only") << QByteArray() << certificate;
			QTest::newRow("key not PEM") << mSigner.getKey().toDer() << certificate;
			QTest::newRow("certificate not PEM") << key << mSigner.getCertificate().toDer();
			QTest::newRow("cut key") << key.left(key.size() / 2) << certificate;
		}


		void selfSignedWithoutUsableSigner()
		{
			QFETCH(QByteArray, signerKey);
			QFETCH(QByteArray, signerCertificate);

			LogCapture capture;
			const KeyPair pair = KeyPair::generate(cKeySize, signerKey, signerCertificate);
			QVERIFY(pair.isValid());
			QCOMPARE(pair.getCertificate().issuerInfo(QByteArrayLiteral("serialNumber")), pair.getCertificate().subjectInfo(QByteArrayLiteral("serialNumber")));
			QVERIFY(isSignedBy(pair.getCertificate(), pair.getCertificate()));
			QVERIFY(capture.messages().isEmpty());
		}


		void encryptedSignerKeyIsNotPrompted()
		{
			// An encrypted key would make OpenSSL ask on the terminal; it is not usable here.
			const QByteArray encrypted = mSigner.getKey().toPem(QByteArrayLiteral("secret"));
			QVERIFY(encrypted.contains("ENCRYPTED"));

			const KeyPair pair = KeyPair::generate(cKeySize, encrypted, mSigner.getCertificate().toPem());
			QVERIFY(pair.isValid());
			QVERIFY(isSignedBy(pair.getCertificate(), pair.getCertificate()));
		}


		void twoInARowDiffer()
		{
			const KeyPair first = KeyPair::generate(cKeySize, QByteArray(), QByteArray());
			const KeyPair second = KeyPair::generate(cKeySize, QByteArray(), QByteArray());
			QVERIFY(first.isValid() && second.isValid());
			QVERIFY(first.getCertificate().serialNumber() != second.getCertificate().serialNumber());
			QVERIFY(subjectSerialNumber(first.getCertificate()) != subjectSerialNumber(second.getCertificate()));
			QVERIFY(first.getKey() != second.getKey());
			QCOMPARE(first.getCertificate().effectiveDate(), QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC));
			QCOMPARE(first.getCertificate().expiryDate(), QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC));
		}


		void createKeyFailures_data()
		{
			QTest::addColumn<int>("keyType");
			QTest::addColumn<int>("bits");
			QTest::addColumn<QString>("message");

			QTest::newRow("unknown key type") << -1 << cKeySize << QStringLiteral("Cannot create EVP_PKEY_CTX");
			QTest::newRow("parameters refused") << int(EVP_PKEY_RSA) << -1 << QStringLiteral("Cannot set parameters");
			QTest::newRow("too short for RSA") << int(EVP_PKEY_RSA) << 256 << QStringLiteral("Cannot set parameters");
			// Without a curve there is nothing to generate on.
			QTest::newRow("EC without curve") << int(EVP_PKEY_EC) << 0 << QStringLiteral("Cannot generate key");
		}


		void createKeyFailures()
		{
			QFETCH(int, keyType);
			QFETCH(int, bits);
			QFETCH(QString, message);

			LogCapture capture;
			const auto key = KeyPair::createKey(keyType, bits == 0 ? KeyPair::ParameterStep() : [bits](EVP_PKEY_CTX* pContext) {
					return bits > 0 && EVP_PKEY_CTX_set_rsa_keygen_bits(pContext, bits) != 0;
				});
			QVERIFY(!key);
			QCOMPARE(capture.messages(), QStringList({message}));
			QCOMPARE(capture.entries().constFirst().mType, QtCriticalMsg);
			QCOMPARE(capture.entries().constFirst().mCategory, QStringLiteral("settings"));
		}


		void createKeyWithoutParameterStep()
		{
			const auto key = KeyPair::createKey(EVP_PKEY_ED25519);
			QVERIFY(key);
			QCOMPARE(EVP_PKEY_get_id(key.get()), EVP_PKEY_ED25519);
		}


		void generateFailsOnTooShortKey()
		{
			LogCapture capture;
			const KeyPair pair = KeyPair::generate(256, QByteArray(), QByteArray());
			QVERIFY(!pair.isValid());
			QVERIFY(pair.getKey().isNull());
			QVERIFY(pair.getCertificate().isNull());
			QVERIFY(capture.contains(QStringLiteral("Cannot set parameters")));
		}


		void signFailsWithPublicSignerKey()
		{
			// A signer that holds only the public half cannot sign.
			const auto key = KeyPair::createKey(EVP_PKEY_RSA, [](EVP_PKEY_CTX* pContext) {
					return EVP_PKEY_CTX_set_rsa_keygen_bits(pContext, cKeySize) != 0;
				});
			QVERIFY(key);
			const auto signerCertificate = toX509(mSigner.getCertificate());
			const QSharedPointer<EVP_PKEY> publicOnly(X509_get_pubkey(signerCertificate.data()), EVP_PKEY_free);

			LogCapture capture;
			QVERIFY(KeyPair::createCertificate(key.get(), publicOnly, signerCertificate).isNull());
			QVERIFY(capture.contains(QStringLiteral("Cannot sign certificate")));
		}


};

KENDRAWELL_TEST_MAIN(test_KeyPair)
#include "test_KeyPair.moc"
