#include "states/StateRedirectBrowser.h"

#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestWorkflowUi.h"

#include <QBuffer>
#include <QtTest>

using namespace tessarovin;

namespace
{

QSharedPointer<const TcToken> token(const QByteArray& pCommunicationErrorAddress)
{
	auto buffer = QSharedPointer<QBuffer>::create();
	buffer->setData("<TCTokenType>"
					"<ServerAddress>https://eid.example/paos</ServerAddress>"
					"<SessionIdentifier>1A2BB129</SessionIdentifier>"
					"<RefreshAddress>https://service.example/refresh</RefreshAddress>"
					"<CommunicationErrorAddress>" + pCommunicationErrorAddress + "</CommunicationErrorAddress>"
					"<Binding>urn:liberty:paos:2006-08</Binding>"
					"</TCTokenType>");
	return QSharedPointer<const TcToken>::create(buffer);
}


} // namespace


class test_StateRedirectBrowser
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void majorMinor_data()
		{
			QTest::addColumn<ECardApiResult>("result");
			QTest::addColumn<QString>("query");

			using Major = ECardApiResult::Major;
			using Minor = ECardApiResult::Minor;
			using Origin = ECardApiResult::Origin;
			QTest::newRow("ok") << ECardApiResult::createOk() << "id=42&ResultMajor=ok";
			QTest::newRow("communication error") << ECardApiResult(Major::Error, Minor::AL_Communication_Error) << "id=42&ResultMajor=error&ResultMinor=communicationError";
			QTest::newRow("trusted channel") << ECardApiResult(Major::Error, Minor::DP_Trusted_Channel_Establishment_Failed)
											 << "id=42&ResultMajor=error&ResultMinor=trustedChannelEstablishmentFailed";
			QTest::newRow("cancellation") << ECardApiResult(Major::Error, Minor::SAL_Cancellation_by_User) << "id=42&ResultMajor=error&ResultMinor=cancellationByUser";
			QTest::newRow("other of the client") << ECardApiResult(Major::Error, Minor::AL_Internal_Error, QString(), Origin::Client)
												 << "id=42&ResultMajor=error&ResultMinor=clientError";
			QTest::newRow("other of the server") << ECardApiResult(Major::Error, Minor::AL_Internal_Error, QString(), Origin::Server)
												 << "id=42&ResultMajor=error&ResultMinor=serverError";
			QTest::newRow("cancellation of the server") << ECardApiResult(Major::Error, Minor::SAL_Cancellation_by_User, QString(), Origin::Server)
														<< "id=42&ResultMajor=error&ResultMinor=cancellationByUser";
			QTest::newRow("warning") << ECardApiResult(Major::Warning, Minor::AL_Session_Terminated_Warning, QString(), Origin::Server)
									 << "id=42&ResultMajor=error&ResultMinor=serverError";
		}


		void majorMinor()
		{
			QFETCH(ECardApiResult, result);
			QFETCH(QString, query);

			const auto url = StateRedirectBrowser::addMajorMinor(QUrl(QStringLiteral("https://service.example/refresh?id=42#top")), result);
			QCOMPARE(url.query(), query);
			QCOMPARE(url.path(), QStringLiteral("/refresh"));
			QCOMPARE(url.fragment(), QStringLiteral("top"));
		}


		void redirect_data()
		{
			QTest::addColumn<QString>("refreshUrl");
			QTest::addColumn<QByteArray>("communicationErrorAddress");
			QTest::addColumn<GlobalStatus>("status");
			QTest::addColumn<ECardApiResult>("pending");
			QTest::addColumn<QString>("handlerAnswer");
			QTest::addColumn<QString>("target");

			using Code = GlobalStatus::Code;
			const QString refresh = QStringLiteral("https://service.example/refresh?id=42");
			const QByteArray error = "https://service.example/error?step=2";
			const auto ok = ECardApiResult::createOk();
			const GlobalStatus noError(Code::No_Error);
			const ECardApiResult cardResult(ECardApiResult::Major::Error, ECardApiResult::Minor::AL_Internal_Error);

			QTest::newRow("success") << refresh << error << noError << ok << QString() << refresh + "&ResultMajor=ok";
			QTest::newRow("error of the client") << refresh << error << GlobalStatus(Code::Card_Communication_Error) << ok << QString()
												 << refresh + "&ResultMajor=error&ResultMinor=clientError";
			QTest::newRow("pending result") << refresh << error << GlobalStatus(Code::Paos_Error_AL_Internal_Error, GlobalStatus::Origin::Server)
											<< ECardApiResult(ECardApiResult::Major::Error, ECardApiResult::Minor::AL_Internal_Error, QString(), ECardApiResult::Origin::Server)
											<< QString() << refresh + "&ResultMajor=error&ResultMinor=serverError";
			QTest::newRow("cancellation over a pending result") << refresh << error << GlobalStatus(Code::Workflow_Cancellation_By_User) << cardResult << QString()
																<< refresh + "&ResultMajor=error&ResultMinor=cancellationByUser";
			QTest::newRow("no refresh address") << QString() << error << GlobalStatus(Code::Card_Communication_Error) << ok << QString()
												<< QString::fromLatin1(error) + "&ResultMajor=error&ResultMinor=communicationError";
			QTest::newRow("no address at all") << QString() << QByteArray() << noError << ok << QString() << QString();
			QTest::newRow("handler fails") << refresh << error << noError << ok << QStringLiteral("Connection to browser lost") << refresh + "&ResultMajor=ok";
		}


		void redirect()
		{
			QFETCH(QString, refreshUrl);
			QFETCH(QByteArray, communicationErrorAddress);
			QFETCH(GlobalStatus, status);
			QFETCH(ECardApiResult, pending);
			QFETCH(QString, handlerAnswer);
			QFETCH(QString, target);

			QUrl handed;
			int calls = 0;
			const auto handler = [&handed, &calls, handlerAnswer](const QSharedPointer<AuthContext>& pContext) {
						handed = pContext->getRefreshUrl();
						++calls;
						return handlerAnswer;
					};
			const auto context = QSharedPointer<AuthContext>::create(true, QUrl(), handler);
			context->setTcToken(token(communicationErrorAddress));
			context->setRefreshUrl(QUrl(refreshUrl));
			context->setStatus(status);
			context->setStartPaosResult(pending);
			TestWorkflowUi ui;
			ui.claim(context);

			const auto endedBy = SingleStateController::runOnce<StateRedirectBrowser>(context);
			QCOMPARE(calls, 1);
			QCOMPARE(handed, QUrl(target));
			QCOMPARE(context->getRefreshUrl(), QUrl(target));
			QCOMPARE(context->isReceivedBrowserSendFailed(), !handlerAnswer.isEmpty());

			if (handlerAnswer.isEmpty())
			{
				QCOMPARE(endedBy, QStringList({QStringLiteral("fireContinue")}));
				// Only the query tells of a missing refresh address.
				QVERIFY(context->getStatus() == status);
				return;
			}

			QCOMPARE(endedBy, QStringList({QStringLiteral("fireAbort")}));
			QCOMPARE(context->getFailureCode()->getReason(), FailureCode::Reason::Browser_Send_Failed);
			QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Browser_Transmission_Error);
			QCOMPARE(context->getStatus().getExternalInfo(GlobalStatus::ExternalInformation::ACTIVATION_ERROR), handlerAnswer);
		}


		void withoutHandlerOrToken()
		{
			const auto context = QSharedPointer<AuthContext>::create();
			TestWorkflowUi ui;
			ui.claim(context);
			QCOMPARE(SingleStateController::runOnce<StateRedirectBrowser>(context), QStringList({QStringLiteral("fireContinue")}));
			QVERIFY(!context->getRefreshUrl().isValid());
			QVERIFY(context->getStatus().isNoError());
		}


};

KENDRAWELL_TEST_MAIN(test_StateRedirectBrowser)
#include "test_StateRedirectBrowser.moc"
