// The CV certificates come from the authentication test PKI (cvc-create, run by make_pki.py at
// test start); the CV roots from the tests' security configuration.
#include "states/StateProcessCertificatesFromEac2.h"

#include "Env.h"
#include "LogCapture.h"
#include "PkiMessages.h"
#include "ReaderManager.h"
#include "SingleStateController.h"
#include "SpyArgument.h"
#include "TestEnvironment.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace tessarovin;

class test_StateProcessCertificatesFromEac2
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;

		QSharedPointer<AuthContext> createContext(const QStringList& pEac1, const QStringList& pEac2, const QByteArray& pCar) const
		{
			const auto context = QSharedPointer<AuthContext>::create();
			context->setDidAuthenticateEac1(pkiEac1(mPki, pEac1, QString()));
			// As after the EAC1 checks.
			context->initCvcChainBuilder();

			Eac2InputType input;
			for (const auto& certificate : pkiCertificates(mPki, pEac2))
			{
				input.appendCvcert(certificate);
			}
			input.setEphemeralPublicKey(QStringLiteral("04AABB"));
			auto eac2 = QSharedPointer<DIDAuthenticateEAC2>::create();
			eac2->setEac2InputType(input);
			context->setDidAuthenticateEac2(eac2);

			EstablishPaceChannelOutput output;
			output.setCarCurr(pCar);
			context->setPaceOutputData(output);
			return context;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), 443));
		}


		void chainForTheCard_data()
		{
			QTest::addColumn<QStringList>("eac1");
			QTest::addColumn<QStringList>("eac2");
			QTest::addColumn<QByteArray>("car");
			QTest::addColumn<bool>("continues");
			QTest::addColumn<int>("ignored");
			QTest::addColumn<bool>("skipped");

			const QString link = QStringLiteral("DETESTeID00006.cvcert");
			const QString dv = QStringLiteral("dv_domestic.cvcert");
			const QString terminal = QStringLiteral("terminal.cvcert");
			const QString otherTerminal = QStringLiteral("terminal_no_subject_url.cvcert");

			QTest::newRow("chain already from EAC1") << QStringList({link, dv, terminal}) << QStringList({otherTerminal}) << QByteArray("DETESTeID00005") << true << 0 << true;
			QTest::newRow("DV from EAC2") << QStringList({terminal}) << QStringList({dv}) << QByteArray("DETESTeID00006") << true << 0 << false;
			QTest::newRow("link and DV from EAC2") << QStringList({terminal}) << QStringList({link, dv}) << QByteArray("DETESTeID00005") << true << 0 << false;
			QTest::newRow("terminal of EAC2 beside EAC1's") << QStringList({terminal}) << QStringList({dv, otherTerminal}) << QByteArray("DETESTeID00006") << true << 1 << false;
			QTest::newRow("only EAC2 brings a terminal") << QStringList() << QStringList({dv, terminal}) << QByteArray("DETESTeID00006") << false << 1 << false;
			QTest::newRow("no DV") << QStringList({terminal}) << QStringList() << QByteArray("DETESTeID00006") << false << 0 << false;
			QTest::newRow("another CAR") << QStringList({terminal}) << QStringList({dv}) << QByteArray("DETESTeID00099") << false << 0 << false;
		}


		void chainForTheCard()
		{
			QFETCH(QStringList, eac1);
			QFETCH(QStringList, eac2);
			QFETCH(QByteArray, car);
			QFETCH(bool, continues);
			QFETCH(int, ignored);
			QFETCH(bool, skipped);

			const auto context = createContext(eac1, eac2, car);
			TestWorkflowUi ui;
			ui.claim(context);

			SingleStateController controller(context);
			auto* state = controller.setState<StateProcessCertificatesFromEac2>();
			QSignalSpy abort(state, &AbstractState::fireAbort);
			const LogCapture log;
			controller.run();
			QTRY_VERIFY(controller.hasLeft());

			QCOMPARE(controller.getEndedBy(), QStringList({continues ? QStringLiteral("fireContinue") : QStringLiteral("fireAbort")}));
			QCOMPARE(log.count(QStringLiteral("Ignoring AT CVC from EAC2InputType")), ignored);
			QCOMPARE(log.count(QStringLiteral("CVC chain already determined, skip further processing")), skipped ? 1 : 0);
			QCOMPARE(log.count(QStringLiteral("Initialize ChainBuilder with certificates")), skipped ? 0 : 1);

			if (continues)
			{
				QVERIFY(context->getStatus().isNoError());
				// The chain ends in the terminal the user approved with EAC1.
				const auto chain = context->getChainForCertificationAuthority(context->getPaceOutputData());
				QCOMPARE(chain.getTerminalCvc()->encode(), mPki.read(QStringLiteral("terminal.cvcert")));
				return;
			}

			QCOMPARE(log.count(QStringLiteral("No cvc chain determined, abort authentication")), 1);
			QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Cannot_Confirm_IdCard_Authenticity);
			const auto& failure = spyArgument<FailureCode>(abort.at(0).at(0));
			QCOMPARE(failure.getReason(), FailureCode::Reason::Process_Certificates_From_Eac2_Cvc_Chain_Missing);
			QCOMPARE(failure.getInfoMap().value(FailureCode::Info::State_Name), QStringLiteral("StateProcessCertificatesFromEac2"));
		}


		void cardRemoved()
		{
			const auto context = createContext({QStringLiteral("terminal.cvcert")}, {QStringLiteral("dv_domestic.cvcert")}, "DETESTeID00006");
			context->setReaderName(QStringLiteral("reader"));
			TestWorkflowUi ui(false);
			ui.claim(context);

			SingleStateController controller(context);
			controller.setState<StateProcessCertificatesFromEac2>();
			controller.run();
			QTRY_COMPARE(context->getCurrentState(), QStringLiteral("StateProcessCertificatesFromEac2"));

			Q_EMIT Env::getSingleton<ReaderManager>()->fireCardRemoved(ReaderInfo(QStringLiteral("reader"), ReaderManagerPluginType::MOCK));
			QTRY_VERIFY(controller.hasLeft());
			QCOMPARE(controller.getEndedBy(), QStringList({QStringLiteral("fireAbort")}));
			QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Card_Removed);
		}


};

KENDRAWELL_TEST_MAIN(test_StateProcessCertificatesFromEac2)
#include "test_StateProcessCertificatesFromEac2.moc"
