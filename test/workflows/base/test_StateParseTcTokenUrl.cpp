#include "states/StateParseTcTokenUrl.h"

#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestWorkflowUi.h"

#include <QtTest>

using namespace tessarovin;

Q_DECLARE_METATYPE(std::optional<FailureCode::Reason>)

class test_StateParseTcTokenUrl
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void parse_data()
		{
			QTest::addColumn<QString>("activationUrl");
			QTest::addColumn<QUrl>("tcTokenUrl");
			QTest::addColumn<std::optional<FailureCode::Reason>>("failure");

			const auto invalid = std::optional(FailureCode::Reason::Parse_TcToken_Invalid_Url);
			const auto missing = std::optional(FailureCode::Reason::Parse_TcToken_Missing_Url);
			const QString local = QStringLiteral("http://127.0.0.1:24727/eID-Client?");

			QTest::newRow("encoded") << local + "tcTokenURL=https%3A%2F%2Fprovider.example%2Ftoken%3Fid%3D1%26x%3D%252F"
									 << QUrl("https://provider.example/token?id=1&x=%2F") << std::optional<FailureCode::Reason>();
			QTest::newRow("among other items") << local + "ShowUI=false&tcTokenURL=https://provider.example/t&Status=1"
											   << QUrl("https://provider.example/t") << std::optional<FailureCode::Reason>();
			// The scheme is checked when the token is fetched.
			QTest::newRow("plain http") << local + "tcTokenURL=http://provider.example/t" << QUrl("http://provider.example/t") << std::optional<FailureCode::Reason>();
			QTest::newRow("empty value") << local + "tcTokenURL=" << QUrl() << invalid;
			QTest::newRow("no value") << local + "tcTokenURL" << QUrl() << invalid;
			QTest::newRow("broken address") << local + "tcTokenURL=https%3A%2F%2F%5Bprovider" << QUrl() << invalid;
			QTest::newRow("no item") << local + "ShowUI=true" << QUrl() << missing;
			QTest::newRow("key in other case") << local + "TCTokenURL=https://provider.example/t" << QUrl() << missing;
			QTest::newRow("no query") << QStringLiteral("http://127.0.0.1:24727/eID-Client") << QUrl() << missing;
		}


		void parse()
		{
			QFETCH(QString, activationUrl);
			QFETCH(QUrl, tcTokenUrl);
			QFETCH(std::optional<FailureCode::Reason>, failure);

			const auto context = QSharedPointer<AuthContext>::create(true, QUrl(activationUrl));
			TestWorkflowUi ui;
			ui.claim(context);
			const auto endedBy = SingleStateController::runOnce<StateParseTcTokenUrl>(context);

			QCOMPARE(endedBy, QStringList({failure ? QStringLiteral("fireAbort") : QStringLiteral("fireContinue")}));
			QCOMPARE(context->getTcTokenUrl(), tcTokenUrl);
			if (failure)
			{
				QCOMPARE(context->getFailureCode()->getReason(), *failure);
				QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Wrong_Parameter_Invocation);
			}
			else
			{
				QVERIFY(!context->getFailureCode());
				QVERIFY(context->getStatus().isNoError());
			}
		}


};

KENDRAWELL_TEST_MAIN(test_StateParseTcTokenUrl)
#include "test_StateParseTcTokenUrl.moc"
