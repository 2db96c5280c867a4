#include "apdu/CardReturnCode.h"

#include "TestEnvironment.h"

using namespace tessarovin;

namespace
{

using Code = GlobalStatus::Code;

} // namespace


class test_CardReturnCode
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationName(QStringLiteral("Kendrawell2"));
		}


		void toGlobalStatus_data()
		{
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<Code>("statusCode");

			QTest::newRow("UNDEFINED") << CardReturnCode::UNDEFINED << Code::Unknown_Error;
			QTest::newRow("OK") << CardReturnCode::OK << Code::No_Error;
			QTest::newRow("RESPONSE_EMPTY") << CardReturnCode::RESPONSE_EMPTY << Code::Card_Not_Found;
			QTest::newRow("CARD_NOT_FOUND") << CardReturnCode::CARD_NOT_FOUND << Code::Card_Not_Found;
			QTest::newRow("UNKNOWN") << CardReturnCode::UNKNOWN << Code::Unknown_Error;
			QTest::newRow("INPUT_TIME_OUT") << CardReturnCode::INPUT_TIME_OUT << Code::Card_Input_TimeOut;
			QTest::newRow("COMMAND_FAILED") << CardReturnCode::COMMAND_FAILED << Code::Card_Communication_Error;
			QTest::newRow("CANCELLATION_BY_USER") << CardReturnCode::CANCELLATION_BY_USER << Code::Card_Cancellation_By_User;
			QTest::newRow("PIN_NOT_BLOCKED") << CardReturnCode::PIN_NOT_BLOCKED << Code::Card_Pin_Not_Blocked;
			QTest::newRow("PROTOCOL_ERROR") << CardReturnCode::PROTOCOL_ERROR << Code::Card_Protocol_Error;
			QTest::newRow("WRONG_LENGTH") << CardReturnCode::WRONG_LENGTH << Code::Workflow_Wrong_Length_Error;
			QTest::newRow("UNEXPECTED_TRANSMIT_STATUS") << CardReturnCode::UNEXPECTED_TRANSMIT_STATUS << Code::Card_Unexpected_Transmit_Status;
		}


		void toGlobalStatus()
		{
			QFETCH(CardReturnCode, returnCode);
			QFETCH(Code, statusCode);

			const GlobalStatus status = cardReturnCodeToGlobalStatus(returnCode);
			QCOMPARE(status.getStatusCode(), statusCode);
			QCOMPARE(status.getOrigin(), GlobalStatus::Origin::Client);
			QVERIFY(status.getExternalInfo(QStringLiteral("; ")).isEmpty());
			QVERIFY(status == GlobalStatus(statusCode));
		}


		void everyReturnCodeHasARow()
		{
			QCOMPARE(Enum<CardReturnCode>::allValues().size(), 12);
		}


		void wrongLengthNamesTheApplication()
		{
			const auto text = cardReturnCodeToGlobalStatus(CardReturnCode::WRONG_LENGTH).toErrorDescription();
			QVERIFY(text.endsWith(QStringLiteral("Unfortunately, the Kendrawell2 has no influence on this restriction.")));
		}


};

KENDRAWELL_TEST_MAIN(test_CardReturnCode)
#include "test_CardReturnCode.moc"
