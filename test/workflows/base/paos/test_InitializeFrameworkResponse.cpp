#include "paos/sent/InitializeFrameworkResponse.h"

#include "PaosGolden.h"
#include "TestEnvironment.h"


using namespace tessarovin;

class test_InitializeFrameworkResponse
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void golden()
		{
			InitializeFrameworkResponse response;
			QCOMPARE(response.getType(), PaosType::INITIALIZE_FRAMEWORK_RESPONSE);
			QVERIFY(response.getResult().isOk());
			response.setRelatesTo(QStringLiteral("urn:uuid:6f0c8b2e-1d4a-4e57-9a3b-0c1d2e3f4a5b"));
			QCOMPARE_GOLDEN(response.marshall(), QStringLiteral("initialize_framework_response.xml"));
		}


		void resultOfFirstMarshallIsSent()
		{
			InitializeFrameworkResponse response;
			response.setResult(ECardApiResult::fromGlobalStatus(GlobalStatus(GlobalStatus::Code::Workflow_Cancellation_By_User)));
			const QByteArray document = response.marshall();
			response.setResult(ECardApiResult::createOk());
			QCOMPARE(response.marshall(), document);
			QVERIFY(document.contains("resultminor/sal#cancellationByUser"));
		}


};

KENDRAWELL_TEST_MAIN(test_InitializeFrameworkResponse)
#include "test_InitializeFrameworkResponse.moc"
