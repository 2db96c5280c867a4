// EF.CardSecurity files signed in the set-up by "openssl cms" with a document signer made there
// too; the content is the EF.CardAccess fixture, which holds a ChipAuthenticationInfo.

#include "asn1/EFCardSecurity.h"

#include "LogCapture.h"
#include "OpenSslCli.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

namespace
{

const QString SECURITY_OBJECT = QStringLiteral("0.4.0.127.0.7.3.2.1");

QByteArray readFile(const QString& pPath)
{
	QFile file(pPath);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


} // namespace


class test_EFCardSecurity
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		QString mContent;
		QString mOtherContent;

		QString path(const QString& pName) const
		{
			return mDir.filePath(pName);
		}


		bool makeSigner(const QString& pName, const QString& pSubject) const
		{
			// The tool writes nothing to its output here: the file tells whether it worked.
			runOpenSsl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
						"-keyout", path(pName + ".key"), "-out", path(pName + ".pem"), "-subj", pSubject, "-days", "2"});
			return QFile::exists(path(pName + ".pem"));
		}


		QByteArray sign(const QString& pSigner, const QString& pContent, const QStringList& pOptions = {"-nodetach"}, const QString& pContentType = SECURITY_OBJECT) const
		{
			return runOpenSsl(QStringList({"cms", "-sign", "-binary", "-econtent_type", pContentType, "-outform", "DER",
										   "-in", pContent, "-signer", path(pSigner + ".pem"), "-inkey", path(pSigner + ".key")}) + pOptions);
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			mContent = getProgramDirectory() + QStringLiteral("/fixtures/asn1/card_access.der");
			mOtherContent = path(QStringLiteral("integer.der"));
			runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", mOtherContent}, "asn1=INTEGER:5\n");
			QVERIFY(QFile::exists(mOtherContent));
			QVERIFY(makeSigner(QStringLiteral("ds"), QStringLiteral("/C=DE/O=Test/CN=Test Document Signer/serialNumber=DS-0042")));
			QVERIFY(makeSigner(QStringLiteral("anonymous"), QStringLiteral("/C=DE/CN=Document Signer without serial number")));
		}


		void accepted_data()
		{
			QTest::addColumn<QByteArray>("der");
			QTest::addColumn<QStringList>("signers");

			const QStringList ds({QStringLiteral("DS-0042")});
			QTest::newRow("signed by a DS with serial number") << sign(QStringLiteral("ds"), mContent) << ds;
			QTest::newRow("DS without serial number") << sign(QStringLiteral("anonymous"), mContent) << QStringList();
			QTest::newRow("without certificates") << sign(QStringLiteral("ds"), mContent, {"-nodetach", "-nocerts"}) << QStringList();
			QTest::newRow("two certificates") << sign(QStringLiteral("anonymous"), mContent, {"-nodetach", "-certfile", path(QStringLiteral("ds.pem"))}) << ds;
		}


		void accepted()
		{
			QFETCH(QByteArray, der);
			QFETCH(QStringList, signers);
			QVERIFY(!der.isEmpty());

			LogCapture log;
			const auto cardSecurity = EFCardSecurity::decode(der);
			QVERIFY(cardSecurity);
			const auto infos = cardSecurity->getSecurityInfos();
			QVERIFY(infos);
			QCOMPARE(infos->getContentBytes(), readFile(mContent));
			QCOMPARE(infos->getChipAuthenticationInfos().size(), 1);
			QCOMPARE(infos->getChipAuthenticationInfos().constFirst()->getKeyId(), 41);

			QStringList logged;
			for (const auto& entry : log.entries())
			{
				if (entry.mMessage.startsWith(QLatin1String("Parsed EFCardSecurity signed with DocSigner:")))
				{
					logged << entry.mMessage.section(QLatin1Char(' '), 5).remove(QLatin1Char('"'));
				}
			}
			QCOMPARE(logged, signers);
		}


		// A signature that does not verify is no reason to refuse: chip authentication proves the key.
		void acceptedWithBrokenSignature()
		{
			QByteArray der = sign(QStringLiteral("ds"), mContent);
			QVERIFY(!der.isEmpty());
			// Without unsigned attributes the signature value ends the file.
			der[der.size() - 1] = static_cast<char>(der.at(der.size() - 1) ^ 0x01);

			const QString broken = path(QStringLiteral("broken.der"));
			QFile file(broken);
			QVERIFY(file.open(QIODevice::WriteOnly));
			QCOMPARE(file.write(der), der.size());
			file.close();
			QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("openssl.*failed")));
			QVERIFY(runOpenSsl({"cms", "-verify", "-noverify", "-binary", "-inform", "DER", "-in", broken}).isNull());

			const auto cardSecurity = EFCardSecurity::decode(der);
			QVERIFY(cardSecurity);
			QCOMPARE(cardSecurity->getSecurityInfos()->getChipAuthenticationInfos().size(), 1);
		}


		void refused_data()
		{
			QTest::addColumn<QByteArray>("der");
			QTest::addColumn<QString>("message");

			const QByteArray valid = sign(QStringLiteral("ds"), mContent);
			QTest::newRow("data content type") << runOpenSsl({"cms", "-data_create", "-binary", "-outform", "DER", "-in", mContent})
											   << QStringLiteral("Got unexpected ContentInfo type");
			QTest::newRow("other eContentType") << sign(QStringLiteral("ds"), mContent, {"-nodetach"}, QStringLiteral("0.4.0.127.0.7.3.2.2"))
												<< QStringLiteral("Got unexpected eContentType");
			QTest::newRow("detached content") << sign(QStringLiteral("ds"), mContent, {}) << QStringLiteral("Cannot get CMS content");
			QTest::newRow("no SecurityInfos") << sign(QStringLiteral("ds"), mOtherContent) << QStringLiteral("Cannot parse SecurityInfos");
			QTest::newRow("truncated") << valid.chopped(10) << QStringLiteral("No contentInfo");
			QTest::newRow("the content alone") << readFile(mContent) << QStringLiteral("No contentInfo");
			QTest::newRow("empty") << QByteArray() << QStringLiteral("No contentInfo");
		}


		void refused()
		{
			QFETCH(QByteArray, der);
			QFETCH(QString, message);

			LogCapture log;
			QVERIFY(!EFCardSecurity::decode(der));
			QCOMPARE(log.count(message), 1);
		}


};

KENDRAWELL_TEST_MAIN(test_EFCardSecurity)
#include "test_EFCardSecurity.moc"
