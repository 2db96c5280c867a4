// The StartPAOSResponse documents are those of the PAOS parser tests with the result replaced.
#include "states/StateStartPaosResponse.h"

#include "paos/PaosHandler.h"
#include "paos/received/StartPaosResponse.h"
#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestWorkflowUi.h"

#include <QBuffer>
#include <QFile>
#include <QtTest>

using namespace tessarovin;

namespace
{

QSharedPointer<StartPaosResponse> startPaosResponse(const QByteArray& pResult)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/paos/corpus/start_paos_response.xml"));
	if (!file.open(QIODevice::ReadOnly))
	{
		return QSharedPointer<StartPaosResponse>();
	}
	QByteArray document = file.readAll();
	const auto start = document.indexOf("<dss:Result>");
	const auto end = document.indexOf("</dss:Result>") + 13;
	document.replace(start, end - start, "<dss:Result>" + pResult + "</dss:Result>");

	QBuffer buffer(&document);
	buffer.open(QIODevice::ReadOnly);
	const PaosHandler handler(&buffer);
	return handler.getPaosMessage().dynamicCast<StartPaosResponse>();
}


const QByteArray cMajor("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#");
const QByteArray cMinor("http://www.bsi.bund.de/ecard/api/1.1/resultminor/");

} // namespace


class test_StateStartPaosResponse
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void run_data()
		{
			QTest::addColumn<QByteArray>("result");
			QTest::addColumn<GlobalStatus>("statusBefore");
			QTest::addColumn<ECardApiResult>("pendingBefore");
			QTest::addColumn<bool>("continues");
			QTest::addColumn<GlobalStatus::Code>("status");
			QTest::addColumn<ECardApiResult::Minor>("pendingMinor");

			using Code = GlobalStatus::Code;
			using Minor = ECardApiResult::Minor;
			const GlobalStatus noError(Code::No_Error);
			const auto ok = ECardApiResult::createOk();
			const QByteArray internalError = "<dss:ResultMajor>" + cMajor + "error</dss:ResultMajor><dss:ResultMinor>" + cMinor + "al/common#internalError</dss:ResultMinor>";

			QTest::newRow("ok") << "<dss:ResultMajor>" + cMajor + "ok</dss:ResultMajor>" << noError << ok << true << Code::No_Error << Minor::null;
			QTest::newRow("ok with a minor") << "<dss:ResultMajor>" + cMajor + "ok</dss:ResultMajor><dss:ResultMinor>" + cMinor + "al/common#internalError</dss:ResultMinor>"
											 << noError << ok << false << Code::Paos_Error_AL_Internal_Error << Minor::AL_Internal_Error;
			QTest::newRow("error") << internalError << noError << ok << false << Code::Paos_Error_AL_Internal_Error << Minor::AL_Internal_Error;
			QTest::newRow("error after an error of the client") << internalError << GlobalStatus(Code::Card_Communication_Error) << ok
																<< false << Code::Card_Communication_Error << Minor::AL_Internal_Error;
			QTest::newRow("error after a pending result") << internalError << GlobalStatus(Code::Workflow_Cancellation_By_User)
														  << ECardApiResult(ECardApiResult::Major::Error, Minor::SAL_Cancellation_by_User)
														  << false << Code::Workflow_Cancellation_By_User << Minor::SAL_Cancellation_by_User;
		}


		void run()
		{
			QFETCH(QByteArray, result);
			QFETCH(GlobalStatus, statusBefore);
			QFETCH(ECardApiResult, pendingBefore);
			QFETCH(bool, continues);
			QFETCH(GlobalStatus::Code, status);
			QFETCH(ECardApiResult::Minor, pendingMinor);

			const auto context = QSharedPointer<AuthContext>::create();
			const auto response = startPaosResponse(result);
			QVERIFY(response);
			context->setStartPaosResponse(response);
			context->setStatus(statusBefore);
			context->setStartPaosResult(pendingBefore);
			TestWorkflowUi ui;
			ui.claim(context);

			QCOMPARE(SingleStateController::runOnce<StateStartPaosResponse>(context), QStringList({continues ? QStringLiteral("fireContinue") : QStringLiteral("fireAbort")}));
			QCOMPARE(context->getStatus().getStatusCode(), status);
			QCOMPARE(context->getStartPaosResult().getMinor(), pendingMinor);
			QCOMPARE(context->getStartPaosResult().isOk(), continues);
			if (!continues)
			{
				QCOMPARE(context->getFailureCode()->getReason(), FailureCode::Reason::Start_Paos_Response_Error);
			}
		}


		void missing()
		{
			const auto context = QSharedPointer<AuthContext>::create();
			TestWorkflowUi ui;
			ui.claim(context);

			QCOMPARE(SingleStateController::runOnce<StateStartPaosResponse>(context), QStringList({QStringLiteral("fireAbort")}));
			QCOMPARE(context->getFailureCode()->getReason(), FailureCode::Reason::Start_Paos_Response_Missing);
			QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Start_Paos_Response_Missing);
		}


};

KENDRAWELL_TEST_MAIN(test_StateStartPaosResponse)
#include "test_StateStartPaosResponse.moc"
