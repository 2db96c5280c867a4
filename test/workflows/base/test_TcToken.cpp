#include "TcToken.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "VolatileSettings.h"

#include <QBuffer>
#include <QFile>
#include <QLoggingCategory>

using namespace tessarovin;

namespace
{

// The values a token holds; null fields stand for absent elements.
struct Values
{
	QString mBinding;
	QString mPathSecurityProtocol;
	QByteArray mPsk;
	QByteArray mSessionIdentifier;
	QString mServerAddress;
	QString mCommunicationErrorAddress;
	QString mRefreshAddress;
};


const QByteArray cPsk("4BC1A0B5704F4B6B8D5BB2E2C0D1E4F1");


Values standardValues()
{
	return Values{
		QStringLiteral("urn:liberty:paos:2006-08"),
		QStringLiteral("urn:ietf:rfc:4279"),
		cPsk,
		QByteArray("1A2BB129"),
		QStringLiteral("https://eid.example:4433/paos"),
		QStringLiteral("https://service.example/error"),
		QStringLiteral("https://service.example/refresh?id=42")
	};
}


// A TC token as TR-03124-1's schema has it, one element a line. Replaces the line of element
// pName by pLine (nothing: the element is left out).
QByteArray token(const QByteArray& pName = QByteArray(), const QByteArray& pLine = QByteArray())
{
	const QList<std::pair<QByteArray, QByteArray>> lines = {
		{"ServerAddress", "<ServerAddress>https://eid.example:4433/paos</ServerAddress>"},
		{"SessionIdentifier", "<SessionIdentifier>1A2BB129</SessionIdentifier>"},
		{"RefreshAddress", "<RefreshAddress>https://service.example/refresh?id=42</RefreshAddress>"},
		{"CommunicationErrorAddress", "<CommunicationErrorAddress>https://service.example/error</CommunicationErrorAddress>"},
		{"Binding", "<Binding>urn:liberty:paos:2006-08</Binding>"},
		{"PathSecurity-Protocol", "<PathSecurity-Protocol>urn:ietf:rfc:4279</PathSecurity-Protocol>"},
		{"PSK", "<PathSecurity-Parameters><PSK>" + cPsk + "</PSK></PathSecurity-Parameters>"}
	};

	QByteArray document("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TCTokenType>\n");
	for (const auto& [name, line] : lines)
	{
		document += "  " + (name == pName ? pLine : line) + "\n";
	}
	return document + "</TCTokenType>\n";
}


QSharedPointer<TcToken> parse(const QByteArray& pDocument)
{
	auto buffer = QSharedPointer<QBuffer>::create();
	buffer->setData(pDocument);
	return QSharedPointer<TcToken>::create(buffer);
}


void setDeveloperMode(bool pEnabled)
{
	Env::getSingleton<VolatileSettings>()->setDeveloperMode(pEnabled);
	auto& settings = Env::getSingleton<AppSettings>()->getGeneralSettings();
	settings.setDeveloperOptions(pEnabled);
	settings.setDeveloperMode(pEnabled);
	QCOMPARE(settings.isDeveloperMode(), pEnabled);
}


} // namespace

Q_DECLARE_METATYPE(Values)


class test_TcToken
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void cleanup()
		{
			setDeveloperMode(false);
			QLoggingCategory::setFilterRules(QString());
		}


		void parseAndCheck_data()
		{
			QTest::addColumn<QByteArray>("document");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<bool>("schemaConform");
			QTest::addColumn<bool>("valid");
			QTest::addColumn<Values>("values");

			const Values none;
			const auto with = [](auto Values::* pField, const auto& pValue){
						Values values = standardValues();
						values.*pField = pValue;
						return values;
					};

			QTest::newRow("valid") << token() << false << true << true << standardValues();
			QTest::newRow("empty document") << QByteArray() << false << false << false << none;
			QTest::newRow("no XML") << QByteArray("https://eid.example/paos") << false << false << false << none;
			QTest::newRow("unclosed root") << token().chopped(15) << false << false << false << none;
			// All or nothing: every value was read before the error.
			QTest::newRow("garbage after root") << token() + "<second/>" << false << false << false << none;
			QTest::newRow("names are case-sensitive") << token("ServerAddress", "<serveraddress>https://eid.example/</serveraddress>") << false << false << false << none;

			QTest::newRow("binding with trailing blank") << token("Binding", "<Binding>urn:liberty:paos:2006-08 </Binding>") << false << true << true << standardValues();
			QTest::newRow("binding in other case") << token("Binding", "<Binding>urn:liberty:PAOS:2006-08</Binding>") << false << true << false
												   << with(&Values::mBinding, QStringLiteral("urn:liberty:PAOS:2006-08"));
			QTest::newRow("binding of another protocol") << token("Binding", "<Binding>urn:liberty:paos:2003-08</Binding>") << false << true << false
														 << with(&Values::mBinding, QStringLiteral("urn:liberty:paos:2003-08"));
			QTest::newRow("no binding") << token("Binding") << false << false << false << none;
			QTest::newRow("empty binding") << token("Binding", "<Binding/>") << false << true << false << with(&Values::mBinding, QStringLiteral(""));

			QTest::newRow("empty PathSecurity-Protocol") << token("PathSecurity-Protocol", "<PathSecurity-Protocol></PathSecurity-Protocol>") << false << true << false
														 << with(&Values::mPathSecurityProtocol, QStringLiteral(""));
			QTest::newRow("no PathSecurity-Protocol") << token("PathSecurity-Protocol") << false << true << true << with(&Values::mPathSecurityProtocol, QString());
			QTest::newRow("PathSecurity-Protocol of TLS") << token("PathSecurity-Protocol", "<PathSecurity-Protocol>urn:ietf:rfc:5246</PathSecurity-Protocol>") << false << true << false
														  << with(&Values::mPathSecurityProtocol, QStringLiteral("urn:ietf:rfc:5246"));

			QTest::newRow("no PSK") << token("PSK") << false << true << true << with(&Values::mPsk, QByteArray());
			QTest::newRow("empty PSK") << token("PSK", "<PSK/>") << false << true << true << with(&Values::mPsk, QByteArray(""));
			QTest::newRow("PSK of blanks") << token("PSK", "<PSK>   </PSK>") << false << true << true << with(&Values::mPsk, QByteArray(""));
			QTest::newRow("PSK of lower-case digits") << token("PSK", "<PSK>4bc1a0b5</PSK>") << false << true << true << with(&Values::mPsk, QByteArray("4bc1a0b5"));
			QTest::newRow("PSK of odd length") << token("PSK", "<PSK>4BC</PSK>") << false << true << false << with(&Values::mPsk, QByteArray("4BC"));
			QTest::newRow("PSK with G") << token("PSK", "<PSK>4BG1</PSK>") << false << true << false << with(&Values::mPsk, QByteArray("4BG1"));
			QTest::newRow("PSK with inner blank") << token("PSK", "<PSK>4B C1</PSK>") << false << true << false << with(&Values::mPsk, QByteArray("4B C1"));

			QTest::newRow("no SessionIdentifier") << token("SessionIdentifier") << false << true << true << with(&Values::mSessionIdentifier, QByteArray());
			QTest::newRow("empty SessionIdentifier") << token("SessionIdentifier", "<SessionIdentifier/>") << false << true << true << with(&Values::mSessionIdentifier, QByteArray(""));

			QTest::newRow("no ServerAddress") << token("ServerAddress") << false << false << false << none;
			QTest::newRow("empty ServerAddress") << token("ServerAddress", "<ServerAddress/>") << false << true << false << with(&Values::mServerAddress, QString());
			QTest::newRow("broken ServerAddress") << token("ServerAddress", "<ServerAddress>https://[::1/paos</ServerAddress>") << false << false << false << none;
			QTest::newRow("http ServerAddress") << token("ServerAddress", "<ServerAddress>http://eid.example/paos</ServerAddress>") << false << true << false
												<< with(&Values::mServerAddress, QStringLiteral("http://eid.example/paos"));
			QTest::newRow("http ServerAddress in developer mode") << token("ServerAddress", "<ServerAddress>http://eid.example/paos</ServerAddress>") << true << true << false
																  << with(&Values::mServerAddress, QStringLiteral("http://eid.example/paos"));
			QTest::newRow("ServerAddress with child element") << token("ServerAddress", "<ServerAddress>https://eid.example/<b>paos</b></ServerAddress>") << false << false << false << none;

			QTest::newRow("no RefreshAddress") << token("RefreshAddress") << false << false << false << none;
			QTest::newRow("broken RefreshAddress") << token("RefreshAddress", "<RefreshAddress>https://[::1/</RefreshAddress>") << false << false << false << none;
			QTest::newRow("http RefreshAddress") << token("RefreshAddress", "<RefreshAddress>http://service.example/r</RefreshAddress>") << false << true << false
												 << with(&Values::mRefreshAddress, QStringLiteral("http://service.example/r"));
			QTest::newRow("http RefreshAddress in developer mode") << token("RefreshAddress", "<RefreshAddress>http://service.example/r</RefreshAddress>") << true << true << true
																   << with(&Values::mRefreshAddress, QStringLiteral("http://service.example/r"));

			QTest::newRow("no CommunicationErrorAddress") << token("CommunicationErrorAddress") << false << true << true << with(&Values::mCommunicationErrorAddress, QString());
			QTest::newRow("http CommunicationErrorAddress") << token("CommunicationErrorAddress", "<CommunicationErrorAddress>http://service.example/e</CommunicationErrorAddress>") << false << true << true
															<< with(&Values::mCommunicationErrorAddress, QStringLiteral("http://service.example/e"));
			QTest::newRow("broken CommunicationErrorAddress") << token("CommunicationErrorAddress", "<CommunicationErrorAddress>https://[::1/</CommunicationErrorAddress>") << false << false << false << none;

			QTest::newRow("blanks around every value") << QByteArray(
					"<TCTokenType>\n"
					"  <ServerAddress>\n    https://eid.example:4433/paos\n  </ServerAddress>\n"
					"  <SessionIdentifier> 1A2BB129\t</SessionIdentifier>\n"
					"  <RefreshAddress>  https://service.example/refresh?id=42 </RefreshAddress>\n"
					"  <CommunicationErrorAddress>\thttps://service.example/error\n</CommunicationErrorAddress>\n"
					"  <Binding>\n urn:liberty:paos:2006-08\n</Binding>\n"
					"  <PathSecurity-Protocol> urn:ietf:rfc:4279 </PathSecurity-Protocol>\n"
					"  <PSK>\n " + cPsk + " \n</PSK>\n"
					"</TCTokenType>") << false << true << true << standardValues();
			QTest::newRow("last occurrence wins") << QByteArray(
					"<TCTokenType>\n"
					"  <RefreshAddress>http://first.example/</RefreshAddress>\n"
					"  <PSK>ABC</PSK>\n"
					+ token().mid(token().indexOf("<TCTokenType>") + 13)) << false << true << true << standardValues();
			QTest::newRow("any namespace, depth and order") << QByteArray(
					"<?xml version=\"1.0\"?>\n"
					"<a:Envelope xmlns:a=\"urn:outer\" xmlns:t=\"http://www.bsi.bund.de/ecard/api/1.1\">\n"
					" <a:Body><t:TCTokenType>\n"
					"  <PathSecurity-Parameters xmlns=\"urn:other\"><x:Wrap xmlns:x=\"urn:x\"><PSK>" + cPsk + "</PSK></x:Wrap></PathSecurity-Parameters>\n"
					"  <t:Binding>urn:liberty:paos:2006-08</t:Binding>\n"
					"  <Deep><Deeper><Deepest><RefreshAddress>https://service.example/refresh?id=42</RefreshAddress></Deepest></Deeper></Deep>\n"
					"  <u:CommunicationErrorAddress xmlns:u=\"urn:u\">https://service.example/error</u:CommunicationErrorAddress>\n"
					"  <t:PathSecurity-Protocol>urn:ietf:rfc:4279</t:PathSecurity-Protocol>\n"
					"  <t:SessionIdentifier>1A2BB129</t:SessionIdentifier>\n"
					" </t:TCTokenType></a:Body>\n"
					" <a:Trailer><t:ServerAddress>https://eid.example:4433/paos</t:ServerAddress></a:Trailer>\n"
					"</a:Envelope>\n") << false << true << true << standardValues();
		}


		void parseAndCheck()
		{
			QFETCH(QByteArray, document);
			QFETCH(bool, developerMode);
			QFETCH(bool, schemaConform);
			QFETCH(bool, valid);
			QFETCH(Values, values);

			setDeveloperMode(developerMode);
			const auto token = parse(document);

			QCOMPARE(token->isSchemaConform(), schemaConform);
			QCOMPARE(token->isValid(), valid);
			QCOMPARE(token->usePsk(), !values.mPsk.isNull());

			QCOMPARE(token->getBinding(), values.mBinding);
			QCOMPARE(token->getBinding().isNull(), values.mBinding.isNull());
			QCOMPARE(token->getPathSecurityProtocol(), values.mPathSecurityProtocol);
			QCOMPARE(token->getPathSecurityProtocol().isNull(), values.mPathSecurityProtocol.isNull());
			QCOMPARE(token->getPsk(), values.mPsk);
			QCOMPARE(token->getPsk().isNull(), values.mPsk.isNull());
			QCOMPARE(token->getSessionIdentifier(), values.mSessionIdentifier);
			QCOMPARE(token->getSessionIdentifier().isNull(), values.mSessionIdentifier.isNull());
			QCOMPARE(token->getServerAddress(), QUrl(values.mServerAddress));
			QCOMPARE(token->getCommunicationErrorAddress(), QUrl(values.mCommunicationErrorAddress));
			QCOMPARE(token->getRefreshAddress(), QUrl(values.mRefreshAddress));
		}


		void logLines_data()
		{
			QTest::addColumn<QByteArray>("document");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<QString>("category");
			QTest::addColumn<QString>("line");

			QTest::newRow("no PSK") << token("PSK") << false << "network" << "PSK is null";
			QTest::newRow("no SessionIdentifier") << token("SessionIdentifier") << false << "network" << "SessionIdentifier is null";
			QTest::newRow("child element") << token("Binding", "<Binding><x/></Binding>") << false << "network" << "XML error:";
			QTest::newRow("http RefreshAddress") << token("RefreshAddress", "<RefreshAddress>http://service.example/r</RefreshAddress>") << false
												 << "network" << "RefreshAddress no valid https url: http://service.example/r";
			QTest::newRow("http RefreshAddress in developer mode") << token("RefreshAddress", "<RefreshAddress>http://service.example/r</RefreshAddress>") << true
																   << "developermode" << "RefreshAddress no valid https url: http://service.example/r";
			QTest::newRow("empty PathSecurity-Protocol") << token("PathSecurity-Protocol", "<PathSecurity-Protocol/>") << false << "network" << "Wrong PathSecurity-Protocol:";
		}


		void logLines()
		{
			QFETCH(QByteArray, document);
			QFETCH(bool, developerMode);
			QFETCH(QString, category);
			QFETCH(QString, line);

			setDeveloperMode(developerMode);
			LogCapture log;
			QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true\nsecure.debug=false"));
			const auto token = parse(document);
			Q_UNUSED(token->isValid())

			const auto entries = log.entries();
			QVERIFY(std::any_of(entries.cbegin(), entries.cend(), [&](const LogCapture::Entry& pEntry){
						return pEntry.mCategory == category && pEntry.mMessage.contains(line);
					}));
		}


		void pskOnlyInSecureCategory_data()
		{
			QTest::addColumn<QByteArray>("document");
			QTest::addColumn<QByteArray>("psk");

			QTest::newRow("valid") << token() << cPsk;
			QTest::newRow("not hexBinary") << token("PSK", "<PSK>4BC1A0B5704F4B6B8D5BB2E2C0D1E4FX</PSK>") << QByteArray("4BC1A0B5704F4B6B8D5BB2E2C0D1E4FX");
		}


		void pskOnlyInSecureCategory()
		{
			QFETCH(QByteArray, document);
			QFETCH(QByteArray, psk);

			for (const bool secureDebug : {false, true})
			{
				LogCapture log;
				QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true\nsecure.debug=%1").arg(secureDebug ? QStringLiteral("true") : QStringLiteral("false")));
				const auto token = parse(document);
				Q_UNUSED(token->isValid())

				QVERIFY(log.contains(QStringLiteral("PSK = (...)")));
				bool seenInSecure = false;
				for (const auto& entry : log.entries())
				{
					if (entry.mMessage.contains(QString::fromLatin1(psk)))
					{
						QCOMPARE(entry.mCategory, QStringLiteral("secure"));
						seenInSecure = true;
					}
				}
				QCOMPARE(seenInSecure, secureDebug);
			}
		}


		void devices()
		{
			QVERIFY(!TcToken(QSharedPointer<QIODevice>()).isSchemaConform());

			// A device that is not open yet is opened for reading.
			auto closed = QSharedPointer<QBuffer>::create();
			closed->setData(token());
			const TcToken fromClosed(closed);
			QVERIFY(fromClosed.isValid());
			QCOMPARE(fromClosed.getSessionIdentifier(), QByteArray("1A2BB129"));

			const TcToken unreadable(QSharedPointer<QFile>::create(QStringLiteral("no-such-folder/token.xml")));
			QVERIFY(!unreadable.isSchemaConform());
			QVERIFY(unreadable.getBinding().isNull());
			QVERIFY(!unreadable.usePsk());
		}


};

KENDRAWELL_TEST_MAIN(test_TcToken)
#include "test_TcToken.moc"
