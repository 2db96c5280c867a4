// The CV certificates come from the authentication test PKI; the card is a scripted one in a MOCK
// reader, or the simulator after a real PACE with the PIN.
#include "states/StateDidAuthenticateEac1.h"

#include "command/DestroyPaceChannelCommand.h"
#include "EacContextFixture.h"
#include "LogCapture.h"
#include "paos/PaosGolden.h"
#include "ReaderManagerFixture.h"
#include "ReaderThreadHold.h"
#include "SingleStateController.h"
#include "SpyArgument.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"

#include <QFile>
#include <QTemporaryDir>


using namespace tessarovin;

Q_DECLARE_METATYPE(TestPki::Chain)

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QString cSimulator = QStringLiteral("Simulator");
const QStringList cContinue({QStringLiteral("fireContinue")});
const QStringList cAbort({QStringLiteral("fireAbort")});
const QByteArray cChallenge("0f1e2d3c4b5a6978");
const QByteArray cNoChain("no chain");
const QString cRequestCvcs = QStringLiteral("No cvc chain determined, request new cvc list");


// The response's protocol data as the server reads it: "name=text" in document order.
QStringList protocolData(const QSharedPointer<AuthContext>& pContext)
{
	const QString techSchema = PaosCreator::getNamespace(PaosCreator::Namespace::TECHSCHEMA);
	QStringList data;
	const auto children = childrenOf(pContext->getDidAuthenticateResponseEac1()->marshall(), techSchema, QStringLiteral("AuthenticationProtocolData"));
	for (const auto& child : children)
	{
		data += child.startsWith(QLatin1Char('{')) ? child.mid(techSchema.size() + 2) : child;
	}
	return data;
}


QString element(const QString& pName, const QByteArray& pText)
{
	return pName + QLatin1Char('=') + QString::fromLatin1(pText);
}


QByteArray simulatorFixture(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/simulator/") + pName);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


} // namespace


class test_StateDidAuthenticateEac1
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;
		QSharedPointer<AuthContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		void createContext(TestPki::Chain pChain)
		{
			createContext(mPki.getEac1Certificates(pChain));
		}


		void createContext(const QByteArrayList& pCertificates)
		{
			mContext = EacContextFixture::create(pCertificates);
			QVERIFY(mContext);
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		// A context without certificates: the chain builder has nothing for the card.
		void createContextWithoutChain()
		{
			mContext = EacContextFixture::create(QByteArrayList());
			QVERIFY(mContext);
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		void connectScriptedCard(const ResponseApduResult& pChallengeAnswer)
		{
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}, [pChallengeAnswer](ScriptedCard& pCard) {
					pCard.add("0084000008", pChallengeAnswer);
				}));
			mContext->setReaderName(cReader);
			mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
			QVERIFY(mContext->getCardConnection());
		}


		static QList<QByteArray> cardCommands()
		{
			QList<QByteArray> commands;
			onScriptedCard(cReader, [&commands](ScriptedCard* pCard) {
					if (pCard)
					{
						commands = pCard->getCommands();
					}
				});
			return commands;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), 443));
		}


		void init()
		{
			ReaderManagerFixture::start();
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(false);
			ReaderManagerFixture::stop();
		}


		void fillsResponse_data()
		{
			QTest::addColumn<TestPki::Chain>("chain");
			QTest::addColumn<bool>("withChain");
			QTest::addColumn<QByteArray>("carCurr");
			QTest::addColumn<QByteArray>("carPrev");
			QTest::addColumn<QByteArrayList>("requested");

			const QByteArray trustPoint("DETESTeID00005");
			const QByteArray root("DETESTeID00004");
			const QByteArray unknown("DETESTeID00099");
			const QByteArray otherUnknown("DETESTeID00098");
			// The link CVCA leads from the card's trust point on; the chain builder then has a chain.
			QTest::newRow("chain for the current reference") << TestPki::Chain::VALID << true << trustPoint << QByteArray() << QByteArrayList();
			QTest::newRow("chain for the previous reference") << TestPki::Chain::VALID << true << unknown << trustPoint << QByteArrayList();
			QTest::newRow("chain with a previous reference") << TestPki::Chain::VALID << true << trustPoint << root << QByteArrayList();
			QTest::newRow("no chain, current reference") << TestPki::Chain::VALID << false << trustPoint << QByteArray() << QByteArrayList({trustPoint});
			QTest::newRow("no chain, both references") << TestPki::Chain::VALID << false << trustPoint << root << QByteArrayList({trustPoint, root});
			// The request's link certificates lead on from the test root as well.
			QTest::newRow("chain for the root as previous reference") << TestPki::Chain::VALID << true << unknown << root << QByteArrayList();
			QTest::newRow("no chain for either reference") << TestPki::Chain::VALID << true << unknown << otherUnknown << QByteArrayList({unknown, otherUnknown});
			// A request without terminal certificate gives no chain and no access rights.
			QTest::newRow("no terminal") << TestPki::Chain::NO_TERMINAL << true << trustPoint << root << QByteArrayList({trustPoint, root});
		}


		void fillsResponse()
		{
			QFETCH(TestPki::Chain, chain);
			QFETCH(bool, withChain);
			QFETCH(QByteArray, carCurr);
			QFETCH(QByteArray, carPrev);
			QFETCH(QByteArrayList, requested);

			if (withChain)
			{
				createContext(chain);
			}
			else
			{
				createContextWithoutChain();
			}
			if (QTest::currentTestFailed())
			{
				return;
			}
			connectScriptedCard(ScriptedCard::answer(cChallenge + "9000"));

			EstablishPaceChannelOutput paceOutput;
			paceOutput.setCarCurr(carCurr);
			paceOutput.setCarPrev(carPrev);
			paceOutput.setEfCardAccess(readFixture(QStringLiteral("card_access_13.der")));
			paceOutput.setIdIcc(QByteArray::fromHex("7c3b1f0e9d8a2b4c5d6e7f8091a2b3c4d5e6f708192a3b4c5d6e7f8091a2b3c4"));
			mContext->setPaceOutputData(paceOutput);

			const LogCapture log;
			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac1>(mContext), cContinue);

			// Without access rights there is no CHAT to send.
			QStringList expected;
			QCOMPARE(mContext->getAccessRightManager().isNull(), chain == TestPki::Chain::NO_TERMINAL || !withChain);
			if (mContext->getAccessRightManager())
			{
				QCOMPARE(mContext->encodeEffectiveChat().left(2), QByteArray::fromHex("7f4c"));
				expected += element(QStringLiteral("CertificateHolderAuthorizationTemplate"), mContext->encodeEffectiveChat().toHex());
			}
			for (const auto& reference : std::as_const(requested))
			{
				expected += element(QStringLiteral("CertificationAuthorityReference"), reference);
			}
			expected += element(QStringLiteral("EFCardAccess"), readFixture(QStringLiteral("card_access_13.der")).toHex());
			expected += element(QStringLiteral("IDPICC"), paceOutput.getIdIcc().toHex());
			expected += element(QStringLiteral("Challenge"), cChallenge);
			QCOMPARE(protocolData(mContext), expected);
			QCOMPARE(log.contains(cRequestCvcs), !requested.isEmpty());

			// One GET CHALLENGE of eight bytes, after what the connection itself sent.
			const auto commands = cardCommands();
			QCOMPARE(commands.count(QByteArray("0084000008")), 1);
			QCOMPARE(commands.constLast(), QByteArray("0084000008"));
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
			QVERIFY(!mContext->getFailureCode().has_value());
		}


		// The challenge comes from the card over the channel of a real PACE; the simulator knows
		// no previous trust point, so only the current one is asked for.
		void simulatorAfterPace_data()
		{
			QTest::addColumn<bool>("withChain");

			QTest::newRow("chain known") << true;
			QTest::newRow("no chain") << false;
		}


		void simulatorAfterPace()
		{
			QFETCH(bool, withChain);

			// Without the link certificates nothing leads from the card's trust point to the DV.
			QByteArrayList certificates = mPki.getEac1Certificates(TestPki::Chain::VALID);
			if (!withChain)
			{
				certificates.removeIf([](const QByteArray& pDer) {
						return cvcertificate_st::decode(pDer)->getBody().getCHAT().getAccessRole() == AccessRole::CVCA;
					});
				QCOMPARE(certificates.size(), 2);
			}
			createContext(certificates);
			QVERIFY(!mContext->encodeEffectiveChat().isEmpty());
			QVERIFY(ReaderManagerFixture::insertSimulatorCard(true));
			mContext->setReaderName(cSimulator);
			mContext->setCardConnection(ReaderManagerFixture::connect(cSimulator));
			QVERIFY(mContext->getCardConnection());
			const auto paceOutput = ReaderManagerFixture::establishPaceChannel(mContext->getCardConnection(), PacePasswordId::PACE_PIN, "731862", mContext->encodeEffectiveChat());
			QCOMPARE(paceOutput.getPaceReturnCode(), CardReturnCode::OK);
			QCOMPARE(paceOutput.getCarCurr(), QByteArray("DETESTeID00005"));
			QVERIFY(paceOutput.getCarPrev().isEmpty());
			mContext->setPaceOutputData(paceOutput);

			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac1>(mContext), cContinue);

			const QStringList data = protocolData(mContext);
			QCOMPARE(data.filter(QStringLiteral("CertificationAuthorityReference=")),
					withChain ? QStringList() : QStringList({QStringLiteral("CertificationAuthorityReference=DETESTeID00005")}));
			QVERIFY(data.contains(element(QStringLiteral("EFCardAccess"), simulatorFixture(QStringLiteral("ef_card_access.der")).toHex())));
			// IDPICC is the x coordinate of the card's PACE key on brainpoolP256r1.
			QCOMPARE(paceOutput.getIdIcc().size(), 32);
			QVERIFY(data.contains(element(QStringLiteral("IDPICC"), paceOutput.getIdIcc().toHex())));
			const auto challenge = data.filter(QStringLiteral("Challenge="));
			QCOMPARE(challenge.size(), 1);
			QVERIFY(QRegularExpression(QStringLiteral("^Challenge=[0-9a-f]{16}$")).match(challenge.constFirst()).hasMatch());
		}


		void cardCommandFails_data()
		{
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<QByteArray>("answer");
			QTest::addColumn<GlobalStatus::Code>("status");
			QTest::addColumn<QString>("returnCodeName");

			using Code = GlobalStatus::Code;
			QTest::newRow("reader fails") << CardReturnCode::COMMAND_FAILED << QByteArray() << Code::Card_Communication_Error << QStringLiteral("COMMAND_FAILED");
			QTest::newRow("card gone") << CardReturnCode::CARD_NOT_FOUND << QByteArray() << Code::Card_Not_Found << QStringLiteral("CARD_NOT_FOUND");
			QTest::newRow("card refuses") << CardReturnCode::OK << QByteArray("6982") << Code::Card_Protocol_Error << QStringLiteral("PROTOCOL_ERROR");
		}


		void cardCommandFails()
		{
			QFETCH(CardReturnCode, returnCode);
			QFETCH(QByteArray, answer);
			QFETCH(GlobalStatus::Code, status);
			QFETCH(QString, returnCodeName);

			createContext(TestPki::Chain::VALID);
			connectScriptedCard(ScriptedCard::answer(answer, returnCode));

			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac1>(mContext), cAbort);
			QCOMPARE(mContext->getStatus().getStatusCode(), status);
			QCOMPARE(mContext->getStatus().getOrigin(), GlobalStatus::Origin::Client);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Did_Authenticate_Eac1_Card_Command_Failed);
			QCOMPARE(mContext->getFailureCode()->getInfoMap(), FailureCode::FailureInfoMap({{FailureCode::Info::Card_Return_Code, returnCodeName}}));
			QVERIFY(protocolData(mContext).contains(QStringLiteral("Challenge=")));
		}


		void noCardConnection()
		{
			createContext(TestPki::Chain::VALID);
			const LogCapture log;

			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac1>(mContext), cAbort);
			QVERIFY(log.contains(QStringLiteral("No card connection available")));
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Card_Removed);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Did_Authenticate_Eac1_Card_Command_Failed);
			QCOMPARE(mContext->getFailureCode()->getInfoMap(), FailureCode::FailureInfoMap({{FailureCode::Info::Card_Return_Code, QStringLiteral("CARD_NOT_FOUND")}}));
		}


		void cardRemovedWhileCommandRuns()
		{
			createContext(TestPki::Chain::VALID);
			connectScriptedCard(ScriptedCard::answer(cChallenge + "9000"));
			const LogCapture log;

			// The reader thread is held: the command is asked for, but cannot run yet.
			ReaderThreadHold hold;
			QVERIFY(hold.isHeld());

			SingleStateController controller(mContext);
			auto* state = controller.setState<StateDidAuthenticateEac1>();
			QSignalSpy abort(state, &AbstractState::fireAbort);
			QSignalSpy proceed(state, &AbstractState::fireContinue);
			controller.run();
			QTRY_VERIFY(log.contains(QStringLiteral("Running state StateDidAuthenticateEac1")));

			Q_EMIT Env::getSingleton<ReaderManager>()->fireCardRemoved(ReaderInfo(cReader, ReaderManagerPluginType::MOCK));
			QCOMPARE(abort.count(), 1);
			QCOMPARE(spyArgument<FailureCode>(abort.constFirst().constFirst()).getReason(), FailureCode::Reason::Card_Removed);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Card_Removed);

			// The challenge that comes later reaches nobody.
			hold.release();
			QVERIFY(ReaderManagerFixture::waitForEarlierCommands(mContext->getCardConnection()));
			QCOMPARE(cardCommands().count(QByteArray("0084000008")), 1);
			QCOMPARE(abort.count(), 1);
			QCOMPARE(proceed.count(), 0);
			QVERIFY(protocolData(mContext).contains(QStringLiteral("Challenge=")));
		}


		void progressBeforeTheStateIsPublished()
		{
			createContext(TestPki::Chain::VALID);
			connectScriptedCard(ScriptedCard::answer(cChallenge + "9000"));
			QList<QPair<int, QString>> seen;
			connect(mContext.data(), &WorkflowContext::fireStateChanged, this, [this, &seen] {
					seen += qMakePair(mContext->getProgressValue(), mContext->getProgressMessage());
				});

			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac1>(mContext), cContinue);
			QVERIFY(!seen.isEmpty());
			QCOMPARE(seen.constFirst(), qMakePair(20, QStringLiteral("Provider is being verified")));
		}


		void answerOfAnotherCommand()
		{
			createContext(TestPki::Chain::VALID);
			QScopedPointer<StateDidAuthenticateEac1> state(createState<StateDidAuthenticateEac1>(mContext));
			QSignalSpy abort(state.data(), &AbstractState::fireAbort);
			const QSharedPointer<BaseCardCommand> command(new DestroyPaceChannelCommand(QSharedPointer<CardConnectionWorker>(), QString()));

			QVERIFY(QMetaObject::invokeMethod(state.data(), "onCardCommandDone", Q_ARG(QSharedPointer<tessarovin::BaseCardCommand>, command)));

			QCOMPARE(abort.count(), 1);
			QCOMPARE(spyArgument<FailureCode>(abort.constFirst().constFirst()).getReason(), FailureCode::Reason::Did_Authenticate_Eac1_Card_Command_Failed);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Card_Protocol_Error);
		}


};

KENDRAWELL_TEST_MAIN(test_StateDidAuthenticateEac1)
#include "test_StateDidAuthenticateEac1.moc"
