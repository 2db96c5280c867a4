#include "states/StateEACAdditionalInputType.h"

#include "Env.h"
#include "ReaderManager.h"
#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestWorkflowUi.h"

using namespace tessarovin;

class test_StateEACAdditionalInputType
	: public QObject
{
	Q_OBJECT

	private:
		static QSharedPointer<AuthContext> createContext(const QString& pSignature)
		{
			const auto context = QSharedPointer<AuthContext>::create();
			Eac2InputType input;
			input.setEphemeralPublicKey(QStringLiteral("04AABB"));
			input.setSignature(pSignature);
			auto eac2 = QSharedPointer<DIDAuthenticateEAC2>::create();
			eac2->setEac2InputType(input);
			context->setDidAuthenticateEac2(eac2);

			auto eac1Response = QSharedPointer<DIDAuthenticateResponseEAC1>::create();
			eac1Response->setChallenge("0A1B2C3D4E5F6071");
			context->setDidAuthenticateResponseEac1(eac1Response);
			// The server's EAC2 request brings both responses of the EAC2 form.
			context->setDidAuthenticateResponseEacAdditionalInputType(QSharedPointer<DIDAuthenticateResponseEAC2>::create());
			context->setDidAuthenticateResponseEac2(QSharedPointer<DIDAuthenticateResponseEAC2>::create());
			return context;
		}

	private Q_SLOTS:
		void signature_data()
		{
			QTest::addColumn<QString>("signature");
			QTest::addColumn<QString>("endedBy");

			QTest::newRow("signature") << QStringLiteral("3045022100AB") << QStringLiteral("fireContinue");
			QTest::newRow("no signature") << QString() << QStringLiteral("fireSendDidAuthenticateResponse");
			QTest::newRow("empty signature") << QStringLiteral("") << QStringLiteral("fireSendDidAuthenticateResponse");
		}


		void signature()
		{
			QFETCH(QString, signature);
			QFETCH(QString, endedBy);

			const auto context = createContext(signature);
			TestWorkflowUi ui;
			ui.claim(context);

			const auto ended = SingleStateController::runOnce<StateEACAdditionalInputType>(context, &StateEACAdditionalInputType::fireSendDidAuthenticateResponse);
			QCOMPARE(ended, QStringList({endedBy}));
			QVERIFY(context->getStatus().isNoError());

			const auto& request = context->getDidAuthenticateResponseEacAdditionalInputType();
			// The final EAC2 response never carries the challenge.
			QVERIFY(context->getDidAuthenticateResponseEac2()->getChallenge().isNull());
			if (endedBy == QLatin1String("fireContinue"))
			{
				QVERIFY(request->getChallenge().isNull());
				return;
			}
			QCOMPARE(request->getChallenge(), QByteArray("0A1B2C3D4E5F6071"));
			QVERIFY(request->marshall().contains("Challenge>0A1B2C3D4E5F6071</"));
		}


		void cardRemoved()
		{
			const auto context = createContext(QString());
			context->setReaderName(QStringLiteral("reader"));
			TestWorkflowUi ui(false);
			ui.claim(context);

			SingleStateController controller(context);
			controller.setState<StateEACAdditionalInputType>();
			controller.run();
			QTRY_COMPARE(context->getCurrentState(), QStringLiteral("StateEACAdditionalInputType"));

			Q_EMIT Env::getSingleton<ReaderManager>()->fireReaderRemoved(ReaderInfo(QStringLiteral("reader"), ReaderManagerPluginType::MOCK));
			QTRY_VERIFY(controller.hasLeft());
			QCOMPARE(controller.getEndedBy(), QStringList({QStringLiteral("fireAbort")}));
			QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Card_Removed);
		}


};

KENDRAWELL_TEST_MAIN(test_StateEACAdditionalInputType)
#include "test_StateEACAdditionalInputType.moc"
