#include "UrlUtil.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QUrl>

using namespace tessarovin;

Q_DECLARE_METATYPE(UrlQueryRequest)

class test_UrlUtil
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void urlQueryRequest()
		{
			QCOMPARE(Enum<UrlQueryRequest>::allValues(), QList<UrlQueryRequest>({UrlQueryRequest::UNKNOWN, UrlQueryRequest::SHOWUI, UrlQueryRequest::STATUS, UrlQueryRequest::TCTOKENURL}));
			QCOMPARE(static_cast<int>(UrlQueryRequest::TCTOKENURL), 3);
			QCOMPARE(QString(Enum<UrlQueryRequest>::getName(UrlQueryRequest::SHOWUI)), QStringLiteral("SHOWUI"));

			LogCapture log;
			QVERIFY(QString(Enum<UrlQueryRequest>::getName(static_cast<UrlQueryRequest>(0x2a))).isEmpty());
			QVERIFY(log.contains(QStringLiteral("CRITICAL CONVERSION MISMATCH: UNKNOWN 0x2a")));
		}


		void getRequest_data()
		{
			QTest::addColumn<QString>("query");
			QTest::addColumn<UrlQueryRequest>("request");
			QTest::addColumn<QString>("value");

			QTest::newRow("empty") << QString() << UrlQueryRequest::UNKNOWN << QString();
			QTest::newRow("only unrecognised") << QStringLiteral("foo=bar&baz") << UrlQueryRequest::UNKNOWN << QString();
			QTest::newRow("item named unknown") << QStringLiteral("unknown=1&UNKNOWN=2") << UrlQueryRequest::UNKNOWN << QString();
			QTest::newRow("item named by number") << QStringLiteral("2=json") << UrlQueryRequest::UNKNOWN << QString();
			QTest::newRow("tcTokenURL") << QStringLiteral("tcTokenURL=https://service.example/token") << UrlQueryRequest::TCTOKENURL << QStringLiteral("https://service.example/token");
			QTest::newRow("TCTOKENURL") << QStringLiteral("TCTOKENURL=a") << UrlQueryRequest::TCTOKENURL << QStringLiteral("a");
			QTest::newRow("ShowUI with value") << QStringLiteral("ShowUI=UPDATE") << UrlQueryRequest::SHOWUI << QStringLiteral("UPDATE");
			QTest::newRow("showui without value") << QStringLiteral("showui") << UrlQueryRequest::SHOWUI << QString();
			QTest::newRow("Status") << QStringLiteral("Status") << UrlQueryRequest::STATUS << QString();
			QTest::newRow("sTaTuS=json") << QStringLiteral("sTaTuS=json") << UrlQueryRequest::STATUS << QStringLiteral("json");
			QTest::newRow("unrecognised items skipped") << QStringLiteral("a=1&unknown=2&Status=json&ShowUI") << UrlQueryRequest::STATUS << QStringLiteral("json");
			QTest::newRow("tcTokenURL before ShowUI") << QStringLiteral("tcTokenURL=a&ShowUI=b") << UrlQueryRequest::TCTOKENURL << QStringLiteral("a");
			QTest::newRow("ShowUI before tcTokenURL") << QStringLiteral("ShowUI=b&tcTokenURL=a") << UrlQueryRequest::SHOWUI << QStringLiteral("b");
			QTest::newRow("same item twice") << QStringLiteral("Status=json&Status=plain") << UrlQueryRequest::STATUS << QStringLiteral("json");
			QTest::newRow("name must match whole") << QStringLiteral("StatusX=1&XShowUI&tcTokenURL2=x") << UrlQueryRequest::UNKNOWN << QString();
			QTest::newRow("encoded name") << QStringLiteral("Show%55I=x") << UrlQueryRequest::SHOWUI << QStringLiteral("x");
			QTest::newRow("value with blank") << QStringLiteral("ShowUI=a%20b+c") << UrlQueryRequest::SHOWUI << QStringLiteral("a b+c");
		}


		void getRequest()
		{
			QFETCH(QString, query);
			QFETCH(UrlQueryRequest, request);
			QFETCH(QString, value);

			const auto url = QUrl(QStringLiteral("http://127.0.0.1:24727/eID-Client?") + query);
			const auto [gotRequest, gotValue] = UrlUtil::getRequest(QUrlQuery(url));
			QCOMPARE(gotRequest, request);
			QCOMPARE(gotValue, value);
		}


};

KENDRAWELL_TEST_MAIN(test_UrlUtil)
#include "test_UrlUtil.moc"
