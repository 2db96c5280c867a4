// The CV certificates come from the authentication test PKI. Against the simulator, after a real
// PACE with the PIN, the eID server's part (the ephemeral key, the signature over the card's
// challenge and the check of the chip's token) comes from the OpenPACE peer's terminal, so that
// nothing of our own protocol code checks itself.
#include "states/StateDidAuthenticateEac2.h"

#include "command/DestroyPaceChannelCommand.h"
#include "EacContextFixture.h"
#include "LogCapture.h"
#include "OpenSslCli.h"
#include "paos/PaosGolden.h"
#include "PeerTerminalProcess.h"
#include "ReaderManagerFixture.h"
#include "ReaderThreadHold.h"
#include "SingleStateController.h"
#include "SpyArgument.h"
#include "states/StateDidAuthenticateEac1.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"

#include <QFile>
#include <QTemporaryDir>


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QString cSimulator = QStringLiteral("Simulator");
const QStringList cContinue({QStringLiteral("fireContinue")});
const QStringList cAbort({QStringLiteral("fireAbort")});
const QByteArray cPin("731862");


enum class SignatureIn
{
	EAC2,
	ADDITIONAL,
	EAC2_AND_WRONG_ADDITIONAL,
	WRONG_EAC2,
	NOWHERE
};


// A response's protocol data as the server reads it: "name" to text.
QMap<QString, QByteArray> protocolData(PaosCreator& pResponse)
{
	const QString techSchema = PaosCreator::getNamespace(PaosCreator::Namespace::TECHSCHEMA);
	QMap<QString, QByteArray> data;
	const auto children = childrenOf(pResponse.marshall(), techSchema, QStringLiteral("AuthenticationProtocolData"));
	for (const auto& child : children)
	{
		const auto separator = child.indexOf(QLatin1Char('='));
		data.insert(child.mid(techSchema.size() + 2, separator - techSchema.size() - 2), child.mid(separator + 1).toLatin1());
	}
	return data;
}


QByteArray simulatorFixture(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/simulator/") + pName);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


QSharedPointer<DIDAuthenticateEAC2> eac2(const QByteArray& pEphemeralKey, const QByteArray& pSignature)
{
	Eac2InputType input;
	input.setEphemeralPublicKey(QString::fromLatin1(pEphemeralKey.toHex()));
	input.setSignature(QString::fromLatin1(pSignature.toHex()));
	auto message = QSharedPointer<DIDAuthenticateEAC2>::create();
	message->setEac2InputType(input);
	return message;
}


QSharedPointer<DIDAuthenticateEACAdditional> additional(const QByteArray& pSignature)
{
	auto message = QSharedPointer<DIDAuthenticateEACAdditional>::create();
	message->setSignature(QString::fromLatin1(pSignature.toHex()));
	return message;
}


} // namespace

Q_DECLARE_METATYPE(SignatureIn)


class test_StateDidAuthenticateEac2
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;
		QByteArray mAuxiliaryData;
		QSharedPointer<AuthContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		void createContext(const QByteArrayList& pCertificates, const QByteArray& pAuxiliaryData = QByteArray())
		{
			mContext = EacContextFixture::create(pCertificates, pAuxiliaryData);
			QVERIFY(mContext);
			mContext->setPin(QString::fromLatin1(cPin));
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		// A scripted card after PACE with the simulated card's trust point, for which the context has a chain.
		void connectScriptedCard(const std::function<void(ScriptedCard&)>& pScript)
		{
			createContext(mPki.getEac1Certificates(TestPki::Chain::VALID));
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}, pScript));
			mContext->setReaderName(cReader);
			mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
			QVERIFY(mContext->getCardConnection());
			EstablishPaceChannelOutput paceOutput;
			paceOutput.setCarCurr("DETESTeID00005");
			mContext->setPaceOutputData(paceOutput);
			mContext->setDidAuthenticateEac2(eac2(QByteArray(1, '\x04') + QByteArray(64, '\x11'), QByteArray(64, '\x22')));
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
			// Age and community verification, which the test PKI's terminals may ask for.
			mAuxiliaryData = runOpenSsl({QStringLiteral("asn1parse"), QStringLiteral("-genconf"), QStringLiteral("-"), QStringLiteral("-noout"), QStringLiteral("-out"), QStringLiteral("-")},
					"asn1=IMPLICIT:7A,SET:t\n[t]\nage=IMPLICIT:19A,SEQUENCE:age\ncommunity=IMPLICIT:19A,SEQUENCE:community\n"
					"[age]\noid=OID:0.4.0.127.0.7.3.1.4.1\nvalue=IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20060515\n"
					"[community]\noid=OID:0.4.0.127.0.7.3.1.4.3\nvalue=IMPLICIT:19A,FORMAT:HEX,OCTETSTRING:02760400000000\n");
			QVERIFY(mAuxiliaryData.startsWith('\x67'));
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


		void independentServer_data()
		{
			QTest::addColumn<SignatureIn>("signatureIn");
			QTest::addColumn<bool>("withAuxiliaryData");
			QTest::addColumn<QString>("failure");
			QTest::addColumn<GlobalStatus::Code>("status");

			using Code = GlobalStatus::Code;
			QTest::newRow("signature in the EAC2 request") << SignatureIn::EAC2 << false << QString() << Code::No_Error;
			QTest::newRow("signature in the additional input") << SignatureIn::ADDITIONAL << false << QString() << Code::No_Error;
			QTest::newRow("EAC2's signature before the additional one") << SignatureIn::EAC2_AND_WRONG_ADDITIONAL << false << QString() << Code::No_Error;
			QTest::newRow("with auxiliary data") << SignatureIn::ADDITIONAL << true << QString() << Code::No_Error;
			// The card refuses the signature; a provider whose key did not sign has no rights.
			QTest::newRow("wrong signature") << SignatureIn::WRONG_EAC2 << false << QStringLiteral("PROTOCOL_ERROR") << Code::Workflow_No_Permission_Error;
			// The simulated card answers an empty EXTERNAL AUTHENTICATE with 6700.
			QTest::newRow("no signature") << SignatureIn::NOWHERE << false << QStringLiteral("WRONG_LENGTH") << Code::Workflow_Wrong_Length_Error;
		}


		// The server's side as a real one does it: from what the EAC1 response tells, over a real
		// PACE channel to the simulated card.
		void independentServer()
		{
			QFETCH(SignatureIn, signatureIn);
			QFETCH(bool, withAuxiliaryData);
			QFETCH(QString, failure);
			QFETCH(GlobalStatus::Code, status);

			const QByteArray auxiliaryData = withAuxiliaryData ? mAuxiliaryData : QByteArray();
			createContext(mPki.getEac1Certificates(TestPki::Chain::VALID), auxiliaryData);
			QVERIFY(ReaderManagerFixture::insertSimulatorCard(true));
			mContext->setReaderName(cSimulator);
			mContext->setCardConnection(ReaderManagerFixture::connect(cSimulator));
			QVERIFY(mContext->getCardConnection());
			const auto paceOutput = ReaderManagerFixture::establishPaceChannel(mContext->getCardConnection(), PacePasswordId::PACE_PIN, cPin, mContext->encodeEffectiveChat());
			QCOMPARE(paceOutput.getPaceReturnCode(), CardReturnCode::OK);
			mContext->setPaceOutputData(paceOutput);
			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac1>(mContext), cContinue);

			// The server signs what it read in the EAC1 response. Its signing takes only the x
			// coordinate of the card's key, which is what IDPICC carries.
			const auto eac1Response = protocolData(*mContext->getDidAuthenticateResponseEac1());
			const QByteArray challenge = QByteArray::fromHex(eac1Response.value(QStringLiteral("Challenge")));
			const QByteArray idPicc = QByteArray::fromHex(eac1Response.value(QStringLiteral("IDPICC")));
			QCOMPARE(challenge.size(), 8);
			QCOMPARE(idPicc.size(), 32);
			PeerTerminalProcess server;
			QVERIFY(server.start(TestPki::getFixture(QStringLiteral("terminal.pkcs8"))));
			const auto ephemeralKey = server.request("ephemeral-key");
			QVERIFY2(ephemeralKey, server.getLastError().constData());
			QByteArrayList signArguments({challenge, QByteArray(1, '\x04') + idPicc + QByteArray(idPicc.size(), '\0')});
			if (withAuxiliaryData)
			{
				signArguments << auxiliaryData;
			}
			const auto signed_ = server.request("sign", signArguments);
			QVERIFY2(signed_, server.getLastError().constData());
			const QByteArray signature = signed_->constFirst();
			QCOMPARE(signature.size(), 64);

			QByteArray wrongSignature = signature;
			wrongSignature[10] = static_cast<char>(wrongSignature.at(10) ^ 0x01);
			switch (signatureIn)
			{
				case SignatureIn::EAC2:
					mContext->setDidAuthenticateEac2(eac2(ephemeralKey->constFirst(), signature));
					break;

				case SignatureIn::ADDITIONAL:
					mContext->setDidAuthenticateEac2(eac2(ephemeralKey->constFirst(), QByteArray()));
					mContext->setDidAuthenticateEacAdditional(additional(signature));
					break;

				case SignatureIn::EAC2_AND_WRONG_ADDITIONAL:
					mContext->setDidAuthenticateEac2(eac2(ephemeralKey->constFirst(), signature));
					mContext->setDidAuthenticateEacAdditional(additional(wrongSignature));
					break;

				case SignatureIn::WRONG_EAC2:
					mContext->setDidAuthenticateEac2(eac2(ephemeralKey->constFirst(), wrongSignature));
					break;

				case SignatureIn::NOWHERE:
					mContext->setDidAuthenticateEac2(eac2(ephemeralKey->constFirst(), QByteArray()));
					break;
			}

			const auto& response = mContext->getDidAuthenticateResponseEac2();
			if (!failure.isEmpty())
			{
				QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac2>(mContext), cAbort);
				QCOMPARE(mContext->getStatus().getStatusCode(), status);
				QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Did_Authenticate_Eac2_Card_Command_Failed);
				QCOMPARE(mContext->getFailureCode()->getInfoMap(), FailureCode::FailureInfoMap({{FailureCode::Info::Card_Return_Code, failure}}));
				QVERIFY(protocolData(*response).isEmpty());
				return;
			}

			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac2>(mContext), cContinue);
			QCOMPARE(mContext->getStatus().getStatusCode(), status);
			const auto data = protocolData(*response);
			// The challenge is for the additional-input request alone.
			QCOMPARE(data.keys(), QStringList({QStringLiteral("AuthenticationToken"), QStringLiteral("EFCardSecurity"), QStringLiteral("Nonce")}));
			QCOMPARE(data.value(QStringLiteral("EFCardSecurity")), simulatorFixture(QStringLiteral("ef_card_security.der")).toHex());
			QCOMPARE(data.value(QStringLiteral("Nonce")), QByteArray("0001020304050607"));

			// The token proves to the server that the card holds the key of EF.CardSecurity.
			const QByteArray cardKey = runOpenSsl({QStringLiteral("pkey"), QStringLiteral("-inform"), QStringLiteral("DER"), QStringLiteral("-in"),
												   getProgramDirectory() + QStringLiteral("/fixtures/simulator/key41.pkcs8"), QStringLiteral("-pubout"),
												   QStringLiteral("-outform"), QStringLiteral("DER")}).right(65);
			QVERIFY2(server.request("chip-authentication", {cardKey, QByteArray::fromHex(data.value(QStringLiteral("Nonce"))), QByteArray::fromHex(data.value(QStringLiteral("AuthenticationToken")))}),
					server.getLastError().constData());

			// The server's own secure messaging reaches the card now: DG1 under the new keys.
			const auto wrapped = server.request("wrap", {QByteArray::fromHex("00b0810000")});
			QVERIFY2(wrapped, server.getLastError().constData());
			InputApduInfo info(wrapped->constFirst());
			CommandReceiver receiver;
			mContext->getCardConnection()->call(mContext->getCardConnection()->createTransmitCommand({info}, QStringLiteral("slot")), &receiver, &CommandReceiver::onCommandDone);
			QTRY_COMPARE_WITH_TIMEOUT(receiver.mCommands.size(), 1, 30000);
			const auto transmit = receiver.mCommands.constFirst().staticCast<TransmitCommand>();
			QCOMPARE(transmit->getReturnCode(), CardReturnCode::OK);
			const auto unwrapped = server.request("unwrap", {QByteArray::fromHex(transmit->getOutputApduAsHex().constFirst())});
			QVERIFY2(unwrapped, server.getLastError().constData());
			QCOMPARE(unwrapped->constFirst(), simulatorFixture(QStringLiteral("dg01.der")) + QByteArray::fromHex("9000"));
		}


		void cardCommandFails_data()
		{
			QTest::addColumn<QByteArray>("commandPrefix");
			QTest::addColumn<QByteArray>("answer");
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<GlobalStatus::Code>("status");
			QTest::addColumn<QString>("returnCodeName");

			using Code = GlobalStatus::Code;
			const QByteArray setDst("002281b6");
			const QByteArray verify("002a00be");
			const auto ok = CardReturnCode::OK;
			QTest::newRow("reader fails") << setDst << QByteArray() << CardReturnCode::COMMAND_FAILED << Code::Workflow_Card_Removed << QStringLiteral("COMMAND_FAILED");
			QTest::newRow("wrong length") << verify << QByteArray("6700") << ok << Code::Workflow_Wrong_Length_Error << QStringLiteral("WRONG_LENGTH");
			QTest::newRow("certificate refused") << verify << QByteArray("6a80") << ok << Code::Workflow_No_Permission_Error << QStringLiteral("PROTOCOL_ERROR");
			QTest::newRow("card gone") << setDst << QByteArray() << CardReturnCode::CARD_NOT_FOUND << Code::Workflow_No_Permission_Error << QStringLiteral("CARD_NOT_FOUND");
			QTest::newRow("input time-out") << setDst << QByteArray() << CardReturnCode::INPUT_TIME_OUT << Code::Workflow_No_Permission_Error << QStringLiteral("INPUT_TIME_OUT");
		}


		void cardCommandFails()
		{
			QFETCH(QByteArray, commandPrefix);
			QFETCH(QByteArray, answer);
			QFETCH(CardReturnCode, returnCode);
			QFETCH(GlobalStatus::Code, status);
			QFETCH(QString, returnCodeName);

			connectScriptedCard([commandPrefix, answer, returnCode](ScriptedCard& pCard) {
					pCard.add("002281b6", "9000");
					pCard.add("002a00be", "9000");
					pCard.add(commandPrefix, answer, returnCode);
				});
			if (QTest::currentTestFailed())
			{
				return;
			}

			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac2>(mContext), cAbort);
			QCOMPARE(mContext->getStatus().getStatusCode(), status);
			QCOMPARE(mContext->getStatus().getOrigin(), GlobalStatus::Origin::Client);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Did_Authenticate_Eac2_Card_Command_Failed);
			QCOMPARE(mContext->getFailureCode()->getInfoMap(), FailureCode::FailureInfoMap({{FailureCode::Info::Card_Return_Code, returnCodeName}}));
			QVERIFY(protocolData(*mContext->getDidAuthenticateResponseEac2()).isEmpty());
			// The chain starts at the card's trust point.
			const auto commands = cardCommands();
			const auto firstSetDst = std::find_if(commands.cbegin(), commands.cend(), [](const QByteArray& pCommand) {
					return pCommand.startsWith("002281b6");
				});
			QVERIFY(firstSetDst != commands.cend());
			QCOMPARE(*firstSetDst, QByteArray("002281b610830e") + QByteArray("DETESTeID00005").toHex());
		}


		void invalidChain()
		{
			connectScriptedCard([](ScriptedCard& pCard) {
					pCard.add("0022", "9000");
				});
			if (QTest::currentTestFailed())
			{
				return;
			}
			// The card's trust point is one the chain builder knows nothing of.
			EstablishPaceChannelOutput paceOutput;
			paceOutput.setCarCurr("DETESTeID00099");
			mContext->setPaceOutputData(paceOutput);
			const auto commandsBefore = cardCommands().size();
			const LogCapture log;

			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac2>(mContext), cAbort);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_No_Permission_Error);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Did_Authenticate_Eac2_Invalid_Cvc_Chain);
			QVERIFY(mContext->getFailureCode()->getInfoMap().isEmpty());
			QVERIFY(log.contains(QStringLiteral("No cvc chain determined, abort authentication")));
			// Nothing reached the card.
			QCOMPARE(cardCommands().size(), commandsBefore);
		}


		void noCardConnection()
		{
			createContext(mPki.getEac1Certificates(TestPki::Chain::VALID));
			const LogCapture log;

			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac2>(mContext), cAbort);
			QVERIFY(log.contains(QStringLiteral("No card connection available")));
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Card_Removed);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Did_Authenticate_Eac2_Card_Command_Failed);
			QCOMPARE(mContext->getFailureCode()->getInfoMap(), FailureCode::FailureInfoMap({{FailureCode::Info::Card_Return_Code, QStringLiteral("CARD_NOT_FOUND")}}));
		}


		void cardRemovedWhileCommandRuns()
		{
			connectScriptedCard([](ScriptedCard& pCard) {
					pCard.add("0022", "9000");
				});
			if (QTest::currentTestFailed())
			{
				return;
			}
			const LogCapture log;

			// The reader thread is held: the command is asked for, but cannot run yet.
			ReaderThreadHold hold;
			QVERIFY(hold.isHeld());

			SingleStateController controller(mContext);
			auto* state = controller.setState<StateDidAuthenticateEac2>();
			QSignalSpy abort(state, &AbstractState::fireAbort);
			QSignalSpy proceed(state, &AbstractState::fireContinue);
			controller.run();
			QTRY_VERIFY(log.contains(QStringLiteral("Running state StateDidAuthenticateEac2")));

			Q_EMIT Env::getSingleton<ReaderManager>()->fireReaderRemoved(ReaderInfo(cReader, ReaderManagerPluginType::MOCK));
			QCOMPARE(abort.count(), 1);
			QCOMPARE(spyArgument<FailureCode>(abort.constFirst().constFirst()).getReason(), FailureCode::Reason::Card_Removed);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Card_Removed);

			// The command's failure that comes later reaches nobody.
			hold.release();
			QVERIFY(ReaderManagerFixture::waitForEarlierCommands(mContext->getCardConnection()));
			QVERIFY(log.contains(QStringLiteral("DidAuthenticateEAC2Command | ReturnCode of internal execute: PROTOCOL_ERROR")));
			QCOMPARE(abort.count(), 1);
			QCOMPARE(proceed.count(), 0);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Card_Removed);
		}


		void progressBeforeTheStateIsPublished()
		{
			createContext(mPki.getEac1Certificates(TestPki::Chain::VALID));
			QList<QPair<int, QString>> seen;
			connect(mContext.data(), &WorkflowContext::fireStateChanged, this, [this, &seen] {
					seen += qMakePair(mContext->getProgressValue(), mContext->getProgressMessage());
				});

			QCOMPARE(SingleStateController::runOnce<StateDidAuthenticateEac2>(mContext), cAbort);
			QVERIFY(!seen.isEmpty());
			QCOMPARE(seen.constFirst(), qMakePair(40, QStringLiteral("eID is being verified")));
		}


		void answerOfAnotherCommand()
		{
			createContext(mPki.getEac1Certificates(TestPki::Chain::VALID));
			QScopedPointer<StateDidAuthenticateEac2> state(createState<StateDidAuthenticateEac2>(mContext));
			QSignalSpy abort(state.data(), &AbstractState::fireAbort);
			const QSharedPointer<BaseCardCommand> command(new DestroyPaceChannelCommand(QSharedPointer<CardConnectionWorker>(), QString()));

			QVERIFY(QMetaObject::invokeMethod(state.data(), "onCardCommandDone", Q_ARG(QSharedPointer<tessarovin::BaseCardCommand>, command)));

			QCOMPARE(abort.count(), 1);
			QCOMPARE(spyArgument<FailureCode>(abort.constFirst().constFirst()).getReason(), FailureCode::Reason::Did_Authenticate_Eac2_Card_Command_Failed);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_No_Permission_Error);
		}


};

KENDRAWELL_TEST_MAIN(test_StateDidAuthenticateEac2)
#include "test_StateDidAuthenticateEac2.moc"
