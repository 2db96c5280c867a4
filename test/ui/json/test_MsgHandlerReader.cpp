// The reader, card and password messages against the real reader manager with the MOCK back end
// and the card simulator.
#include "MessageDispatcher.h"

#include "AppSettings.h"
#include "context/AuthContext.h"
#include "context/ChangePinContext.h"
#include "Env.h"
#include "ReaderManager.h"
#include "ReaderManagerFixture.h"
#include "ScriptedReader.h"
#include "TestEnvironment.h"
#include "UiPluginJson.h"
#include "VolatileSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

using namespace tessarovin;

namespace
{

const QString cBasic = QStringLiteral("Basic reader");
const QString cPinPad = QStringLiteral("PIN pad reader");
const QString cOther = QStringLiteral("Other card reader");
const QString cSimulator = QStringLiteral("Simulator");


QJsonObject parse(const QByteArray& pJson)
{
	return QJsonDocument::fromJson(pJson).object();
}


bool insertOtherCard(const QString& pReaderName)
{
	auto* manager = Env::getSingleton<ReaderManager>();
	// No eID application: the card answers the SELECT with "file not found".
	const bool done = insertScriptedCard(pReaderName, [](ScriptedCard& pCard) {
			pCard.setDefaultAnswer(ScriptedCard::answer("6a82"));
		});
	return done && QTest::qWaitFor([manager, pReaderName] {
			const auto info = manager->getReaderInfo(pReaderName);
			return info.hasCard() && !info.hasEid();
		});
}


bool removeCard(const QString& pReaderName)
{
	return MockReaderManagerPlugin::runOnPlugin([pReaderName](MockReaderManagerPlugin& pPlugin) {
			if (auto* reader = pPlugin.getMockReader(pReaderName))
			{
				reader->removeCard();
			}
		});
}


} // namespace


class test_MsgHandlerReader
	: public QObject
{
	Q_OBJECT

	private:
		ReaderManager* mManager = nullptr;

		static void setLevel(MessageDispatcher& pDispatcher, int pLevel)
		{
			(void) pDispatcher.processCommand(QByteArray(R"({"cmd":"SET_API_LEVEL","level":)") + QByteArray::number(pLevel) + "}");
		}


		// A workflow of the kind asking for a password, its card connection on the reader when one is named.
		QSharedPointer<WorkflowContext> enterPassword(MessageDispatcher& pDispatcher, bool pChangePin, const QString& pState, PacePasswordId pPassword, const QString& pReader)
		{
			QSharedPointer<WorkflowContext> context;
			if (pChangePin)
			{
				context = QSharedPointer<ChangePinContext>::create();
			}
			else
			{
				context = QSharedPointer<AuthContext>::create();
			}
			(void) pDispatcher.init(context);
			if (!pReader.isEmpty())
			{
				context->setReaderName(pReader);
				const auto connection = ReaderManagerFixture::connect(pReader);
				if (!connection)
				{
					qWarning() << "No connection to" << pReader;
				}
				context->setCardConnection(connection);
				context->rememberReader();
			}
			context->setPasswordType(pPassword);
			context->setStateApproved(false);
			(void) pDispatcher.processStateChange(pState);
			return context;
		}

	private Q_SLOTS:
		void init()
		{
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(false);
			mManager = ReaderManagerFixture::start();
			QVERIFY(ReaderManagerFixture::insertEidCard(cBasic, {"9000"}));
			QVERIFY(insertScriptedCard(cPinPad, [](ScriptedCard& pCard) {
					pCard.scriptEidCard(readFixture(QStringLiteral("card_access_13.der")), "63c2");
				}, false));
			QTRY_VERIFY(mManager->getReaderInfo(cPinPad).hasEid());
			QVERIFY(!mManager->getReaderInfo(cPinPad).isBasicReader());
		}


		void cleanup()
		{
			ReaderManagerFixture::stop();
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
		}


		void getReader_data()
		{
			QTest::addColumn<int>("level");
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<QByteArray>("answer");

			QTest::newRow("no name") << 3 << QByteArray(R"({"cmd":"GET_READER"})") << QByteArray(R"({"msg":"READER","error":"Name cannot be undefined"})");
			QTest::newRow("name a number") << 3 << QByteArray(R"({"cmd":"GET_READER","name":5})") << QByteArray(R"({"msg":"READER","error":"Invalid name"})");
			QTest::newRow("unknown name") << 1 << QByteArray(R"({"cmd":"GET_READER","name":"nobody"})") << QByteArray(R"({"msg":"READER","name":"nobody","attached":false})");
			QTest::newRow("eID card in a basic reader") << 3 << QByteArray(R"({"cmd":"GET_READER","name":"Basic reader"})")
														<< QByteArray(R"({"msg":"READER","name":"Basic reader","attached":true,"insertable":false,"keypad":false,"card":{"deactivated":false,"inoperative":false,"retryCounter":3}})");
			QTest::newRow("eID card on v1") << 1 << QByteArray(R"({"cmd":"GET_READER","name":"PIN pad reader"})")
											<< QByteArray(R"({"msg":"READER","name":"PIN pad reader","attached":true,"insertable":false,"keypad":true,"card":{"deactivated":false,"inoperative":false,"retryCounter":2}})");
		}


		void getReader()
		{
			QFETCH(int, level);
			QFETCH(QByteArray, command);
			QFETCH(QByteArray, answer);

			MessageDispatcher dispatcher;
			setLevel(dispatcher, level);
			QCOMPARE(parse(dispatcher.processCommand(command).getData()), parse(answer));
		}


		void otherCard_data()
		{
			QTest::addColumn<int>("level");
			QTest::addColumn<QJsonValue>("card");

			QTest::newRow("v1") << 1 << QJsonValue(QJsonValue::Null);
			QTest::newRow("v2") << 2 << QJsonValue(QJsonValue::Null);
			QTest::newRow("v3") << 3 << QJsonValue(QJsonObject());
		}


		// A card without the eID application is a card only for clients that know the difference.
		void otherCard()
		{
			QFETCH(int, level);
			QFETCH(QJsonValue, card);

			QVERIFY(insertOtherCard(cOther));
			MessageDispatcher dispatcher;
			setLevel(dispatcher, level);

			const auto reader = parse(dispatcher.processCommand(R"({"cmd":"GET_READER","name":"Other card reader"})").getData());
			QCOMPARE(reader.value(QLatin1String("card")), card);
			QVERIFY(reader.value(QLatin1String("attached")).toBool());

			const auto list = parse(dispatcher.processCommand(R"({"cmd":"GET_READER_LIST"})").getData());
			const auto readers = list.value(level == 1 ? QLatin1String("reader") : QLatin1String("readers")).toArray();
			QCOMPARE(readers.size(), 3);
			QVERIFY(!list.contains(level == 1 ? QLatin1String("readers") : QLatin1String("reader")));
			QStringList names;
			for (const auto& entry : readers)
			{
				const auto object = entry.toObject();
				names << object.value(QLatin1String("name")).toString();
				if (names.last() == cOther)
				{
					QCOMPARE(object.value(QLatin1String("card")), card);
				}
				else
				{
					QCOMPARE(object.value(QLatin1String("card")).toObject().value(QLatin1String("retryCounter")).toInt(), names.last() == cBasic ? 3 : 2);
				}
			}
			names.sort();
			QCOMPARE(names, QStringList({cBasic, cOther, cPinPad}));
		}


		// The reader events: one READER each, and INSERT_CARD once the eID card that made the
		// reader selection silent is gone; a sent INSERT_CARD is not repeated.
		void insertCardAfterRemoval()
		{
			QVERIFY(removeCard(cPinPad));
			QTRY_VERIFY(!mManager->getReaderInfo(cPinPad).hasCard());

			MessageDispatcher dispatcher;
			const auto context = QSharedPointer<AuthContext>::create();
			(void) dispatcher.init(context);
			context->setStateApproved(false);
			QVERIFY(dispatcher.processStateChange(QStringLiteral("StateSelectReader")).isEmpty());
			QVERIFY(context->isStateApproved());
			QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"GET_STATUS"})").getData()).value(QLatin1String("state")).toString(), QStringLiteral("INSERT_CARD"));

			// Another reader changes while the eID card stays: still nothing to ask.
			auto messages = dispatcher.processReaderChange(mManager->getReaderInfo(cPinPad));
			QCOMPARE(messages.size(), 2);
			QCOMPARE(parse(messages.at(0).getData()).value(QLatin1String("name")).toString(), cPinPad);
			QVERIFY(messages.at(1).isEmpty());

			QVERIFY(removeCard(cBasic));
			QTRY_VERIFY(!mManager->getReaderInfo(cBasic).hasCard());
			messages = dispatcher.processReaderChange(mManager->getReaderInfo(cBasic));
			QCOMPARE(messages.size(), 2);
			QCOMPARE(parse(messages.at(0).getData()), parse(R"({"msg":"READER","name":"Basic reader","attached":true,"insertable":false,"keypad":false,"card":null})"));
			QCOMPARE(messages.at(1).getData(), QByteArray(R"({"msg":"INSERT_CARD"})"));

			messages = dispatcher.processReaderChange(mManager->getReaderInfo(cBasic));
			QCOMPARE(messages.size(), 1);
			QCOMPARE(messages.at(0).getType(), MsgType::READER);

			// Without a workflow a reader event is a READER message only.
			(void) dispatcher.finish();
			QCOMPARE(dispatcher.processReaderChange(mManager->getReaderInfo(cBasic)).size(), 1);
		}


		void insertCardWithoutEid()
		{
			QVERIFY(removeCard(cPinPad));
			QVERIFY(removeCard(cBasic));
			QTRY_VERIFY(!mManager->getReaderInfo(cBasic).hasCard() && !mManager->getReaderInfo(cPinPad).hasCard());
			QVERIFY(insertOtherCard(cOther));

			MessageDispatcher dispatcher;
			const auto context = QSharedPointer<AuthContext>::create();
			(void) dispatcher.init(context);
			context->setStateApproved(false);
			QCOMPARE(dispatcher.processStateChange(QStringLiteral("StateSelectReader")).getData(), QByteArray(R"({"msg":"INSERT_CARD"})"));
			QVERIFY(context->isStateApproved());
		}


		void frontEndReaderEvents_data()
		{
			QTest::addColumn<int>("level");
			QTest::addColumn<bool>("toldOfOtherCard");

			QTest::newRow("v2") << 2 << false;
			QTest::newRow("v3") << 3 << true;
		}


		// The front end passes the reader manager's events on while its client is connected.
		void frontEndReaderEvents()
		{
			QFETCH(int, level);
			QFETCH(bool, toldOfOtherCard);

			UiPluginJson json;
			json.setEnabled(true);
			QSignalSpy fired(&json, &UiPluginJson::fireMessage);
			json.doMessageProcessing(QByteArray(R"({"cmd":"SET_API_LEVEL","level":)") + QByteArray::number(level) + "}");
			fired.clear();

			QVERIFY(removeCard(cBasic));
			QTRY_COMPARE(fired.count(), 1);
			QCOMPARE(parse(fired.takeFirst().at(0).toByteArray()), parse(R"({"msg":"READER","name":"Basic reader","attached":true,"insertable":false,"keypad":false,"card":null})"));

			QVERIFY(insertOtherCard(cBasic));
			QVERIFY(ReaderManagerFixture::insertEidCard(cOther, {"9000"}));
			QTRY_VERIFY(!fired.isEmpty());
			QCoreApplication::processEvents();
			QStringList names;
			for (const auto& arguments : std::as_const(fired))
			{
				names << parse(arguments.at(0).toByteArray()).value(QLatin1String("name")).toString();
			}
			// The reader appears, then its eID card; the other card only for v3.
			QStringList expected = {cOther, cOther};
			if (toldOfOtherCard)
			{
				expected.prepend(cBasic);
			}
			QCOMPARE(names, expected);

			fired.clear();
			json.setEnabled(false);
			QVERIFY(removeCard(cOther));
			QTRY_VERIFY(!mManager->getReaderInfo(cOther).hasCard());
			QCoreApplication::processEvents();
			QCOMPARE(fired.count(), 0);
		}


		void setCard_data()
		{
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<QByteArray>("answer");

			QTest::newRow("no name") << QByteArray(R"({"cmd":"SET_CARD"})") << QByteArray(R"({"msg":"INSERT_CARD","error":"Name cannot be undefined"})");
			QTest::newRow("name an object") << QByteArray(R"({"cmd":"SET_CARD","name":{}})") << QByteArray(R"({"msg":"INSERT_CARD","error":"Invalid name"})");
			QTest::newRow("unknown name") << QByteArray(R"({"cmd":"SET_CARD","name":"nobody"})") << QByteArray(R"({"msg":"INSERT_CARD","error":"Unknown reader name"})");
			QTest::newRow("not insertable") << QByteArray(R"({"cmd":"SET_CARD","name":"Basic reader"})") << QByteArray(R"({"msg":"INSERT_CARD","error":"Card is not insertable"})");
			QTest::newRow("simulator not an object") << QByteArray(R"({"cmd":"SET_CARD","name":"Simulator","simulator":"x"})") << QByteArray(R"({"msg":"INSERT_CARD","error":"Parameter \u0027simulator\u0027 is invalid"})");
			QTest::newRow("simulator null") << QByteArray(R"({"cmd":"SET_CARD","name":"Simulator","simulator":null})") << QByteArray(R"({"msg":"INSERT_CARD","error":"Parameter \u0027simulator\u0027 is invalid"})");
			QTest::newRow("simulator") << QByteArray(R"({"cmd":"SET_CARD","name":"Simulator"})") << QByteArray();
			QTest::newRow("simulator with content") << QByteArray(R"({"cmd":"SET_CARD","name":"Simulator","simulator":{"files":[]}})") << QByteArray();
		}


		// In SDK use the simulator's reader comes empty and takes the card the client asks for.
		void setCard()
		{
			QFETCH(QByteArray, command);
			QFETCH(QByteArray, answer);

			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(true);
			mManager->startScan(ReaderManagerPluginType::SIMULATOR);
			QTRY_VERIFY(mManager->getReaderInfo(cSimulator).isInsertable());
			QVERIFY(!mManager->getReaderInfo(cSimulator).hasCard());

			MessageDispatcher dispatcher;
			const auto context = QSharedPointer<AuthContext>::create();
			(void) dispatcher.init(context);
			(void) dispatcher.processStateChange(QStringLiteral("StateSelectReader"));

			const auto msg = dispatcher.processCommand(command);
			if (!answer.isEmpty())
			{
				QCOMPARE(parse(msg.getData()), parse(answer));
				QVERIFY(!mManager->getReaderInfo(cSimulator).hasCard());
				return;
			}
			QVERIFY(msg.isEmpty());
			QTRY_VERIFY(mManager->getReaderInfo(cSimulator).hasEid());
		}


		void enterMessage_data()
		{
			QTest::addColumn<QString>("state");
			QTest::addColumn<PacePasswordId>("password");
			QTest::addColumn<QString>("reader");
			QTest::addColumn<QByteArray>("message");

			QTest::newRow("PIN, basic reader") << QStringLiteral("StateEnterPacePassword") << PacePasswordId::PACE_PIN << cBasic
											   << QByteArray(R"({"msg":"ENTER_PIN","reader":{"name":"Basic reader","attached":true,"insertable":false,"keypad":false,"card":{"deactivated":false,"inoperative":false,"retryCounter":3}}})");
			QTest::newRow("CAN, PIN pad") << QStringLiteral("StateEnterPacePassword") << PacePasswordId::PACE_CAN << cPinPad
										  << QByteArray(R"({"msg":"ENTER_CAN","reader":{"name":"PIN pad reader","attached":true,"insertable":false,"keypad":true,"card":{"deactivated":false,"inoperative":false,"retryCounter":2}}})");
			QTest::newRow("PUK, no reader") << QStringLiteral("StateEnterPacePassword") << PacePasswordId::PACE_PUK << QString() << QByteArray(R"({"msg":"ENTER_PUK"})");
			QTest::newRow("new PIN") << QStringLiteral("StateEnterNewPacePin") << PacePasswordId::PACE_PIN << cBasic
									 << QByteArray(R"({"msg":"ENTER_NEW_PIN","reader":{"name":"Basic reader","attached":true,"insertable":false,"keypad":false,"card":{"deactivated":false,"inoperative":false,"retryCounter":3}}})");
		}


		void enterMessage()
		{
			QFETCH(QString, state);
			QFETCH(PacePasswordId, password);
			QFETCH(QString, reader);
			QFETCH(QByteArray, message);

			MessageDispatcher dispatcher;
			auto context = QSharedPointer<ChangePinContext>::create();
			(void) dispatcher.init(context);
			if (!reader.isEmpty())
			{
				context->setReaderName(reader);
				context->setCardConnection(ReaderManagerFixture::connect(reader));
				context->rememberReader();
			}
			context->setPasswordType(password);
			QCOMPARE(parse(dispatcher.processStateChange(state).getData()), parse(message));
			context->resetCardConnection();
		}


		void setPassword_data()
		{
			QTest::addColumn<bool>("changePin");
			QTest::addColumn<QString>("reader");
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<QString>("error");
			QTest::addColumn<QString>("value");

			QTest::newRow("six digits") << false << cBasic << QByteArray(R"({"cmd":"SET_PIN","value":"123456"})") << QString() << QStringLiteral("123456");
			QTest::newRow("five digits in an authentication") << false << cBasic << QByteArray(R"({"cmd":"SET_PIN","value":"12345"})") << QStringLiteral("You must provide 6 digits") << QString();
			QTest::newRow("five digits in a PIN change") << true << cBasic << QByteArray(R"({"cmd":"SET_PIN","value":"12345"})") << QString() << QStringLiteral("12345");
			QTest::newRow("seven digits in a PIN change") << true << cBasic << QByteArray(R"({"cmd":"SET_PIN","value":"1234567"})") << QStringLiteral("You must provide 5 - 6 digits") << QString();
			QTest::newRow("seven digits") << false << cBasic << QByteArray(R"({"cmd":"SET_PIN","value":"1234567"})") << QStringLiteral("You must provide 6 digits") << QString();
			QTest::newRow("a number") << false << cBasic << QByteArray(R"({"cmd":"SET_PIN","value":123456})") << QStringLiteral("Invalid value") << QString();
			QTest::newRow("null") << false << cBasic << QByteArray(R"({"cmd":"SET_PIN","value":null})") << QStringLiteral("Invalid value") << QString();
			QTest::newRow("a letter") << false << cBasic << QByteArray(R"({"cmd":"SET_PIN","value":"12345a"})") << QStringLiteral("You must provide 6 digits") << QString();
			QTest::newRow("leading blank") << false << cBasic << QByteArray(R"({"cmd":"SET_PIN","value":" 123456"})") << QStringLiteral("You must provide 6 digits") << QString();
			QTest::newRow("trailing line break") << false << cBasic << QByteArray(R"({"cmd":"SET_PIN","value":"123456\n"})") << QStringLiteral("You must provide 6 digits") << QString();
			QTest::newRow("other digits") << false << cBasic << QByteArray("{\"cmd\":\"SET_PIN\",\"value\":\"12345\xd9\xa6\"}") << QStringLiteral("You must provide 6 digits") << QString();
			QTest::newRow("no value") << false << cBasic << QByteArray(R"({"cmd":"SET_PIN"})") << QStringLiteral("Value cannot be undefined") << QString();
			QTest::newRow("PIN pad without value") << false << cPinPad << QByteArray(R"({"cmd":"SET_PIN"})") << QString() << QString();
			QTest::newRow("PIN pad with value") << false << cPinPad << QByteArray(R"({"cmd":"SET_PIN","value":"123456"})") << QStringLiteral("Value cannot be defined") << QString();
			QTest::newRow("PIN pad with null") << false << cPinPad << QByteArray(R"({"cmd":"SET_PIN","value":null})") << QStringLiteral("Value cannot be defined") << QString();
			QTest::newRow("no card") << false << QString() << QByteArray(R"({"cmd":"SET_PIN","value":"123456"})") << QStringLiteral("No card inserted") << QString();
			QTest::newRow("CAN") << false << cBasic << QByteArray(R"({"cmd":"SET_CAN","value":"654321"})") << QString() << QStringLiteral("654321");
			QTest::newRow("CAN with a letter") << false << cBasic << QByteArray(R"({"cmd":"SET_CAN","value":"65432x"})") << QStringLiteral("You must provide 6 digits") << QString();
			QTest::newRow("PUK") << true << cBasic << QByteArray(R"({"cmd":"SET_PUK","value":"0123456789"})") << QString() << QStringLiteral("0123456789");
			QTest::newRow("PUK a number") << true << cBasic << QByteArray(R"({"cmd":"SET_PUK","value":1234567890})") << QStringLiteral("Invalid value") << QString();
			QTest::newRow("PUK nine digits") << true << cBasic << QByteArray(R"({"cmd":"SET_PUK","value":"123456789"})") << QStringLiteral("You must provide 10 digits") << QString();
			QTest::newRow("new PIN") << true << cBasic << QByteArray(R"({"cmd":"SET_NEW_PIN","value":"246810"})") << QString() << QStringLiteral("246810");
			QTest::newRow("new PIN of five digits") << true << cBasic << QByteArray(R"({"cmd":"SET_NEW_PIN","value":"24681"})") << QStringLiteral("You must provide 6 digits") << QString();
			QTest::newRow("new PIN on the PIN pad") << true << cPinPad << QByteArray(R"({"cmd":"SET_NEW_PIN"})") << QString() << QString();
		}


		// A wrong number is answered with the ENTER_* message and leaves the workflow waiting;
		// a good one reaches the context and lets the workflow go on.
		void setPassword()
		{
			QFETCH(bool, changePin);
			QFETCH(QString, reader);
			QFETCH(QByteArray, command);
			QFETCH(QString, error);
			QFETCH(QString, value);

			const auto cmd = parse(command).value(QLatin1String("cmd")).toString();
			const bool newPin = cmd == QLatin1String("SET_NEW_PIN");
			PacePasswordId password = PacePasswordId::PACE_PIN;
			QString message = QStringLiteral("ENTER_PIN");
			if (cmd == QLatin1String("SET_CAN"))
			{
				password = PacePasswordId::PACE_CAN;
				message = QStringLiteral("ENTER_CAN");
			}
			else if (cmd == QLatin1String("SET_PUK"))
			{
				password = PacePasswordId::PACE_PUK;
				message = QStringLiteral("ENTER_PUK");
			}
			else if (newPin)
			{
				message = QStringLiteral("ENTER_NEW_PIN");
			}

			MessageDispatcher dispatcher;
			const auto context = enterPassword(dispatcher, changePin, newPin ? QStringLiteral("StateEnterNewPacePin") : QStringLiteral("StateEnterPacePassword"), password, reader);
			const auto msg = dispatcher.processCommand(command);

			QString stored;
			if (newPin)
			{
				stored = context.objectCast<ChangePinContext>()->getNewPin();
			}
			else if (password == PacePasswordId::PACE_CAN)
			{
				stored = context->getCan();
			}
			else if (password == PacePasswordId::PACE_PUK)
			{
				stored = context->getPuk();
			}
			else
			{
				stored = context->getPin();
			}

			if (error.isEmpty())
			{
				QVERIFY2(msg.isEmpty(), msg.getData().constData());
				QVERIFY(context->isStateApproved());
				QCOMPARE(stored, value);
			}
			else
			{
				const auto answer = parse(msg.getData());
				QCOMPARE(answer.value(QLatin1String("msg")).toString(), message);
				QCOMPARE(answer.value(QLatin1String("error")).toString(), error);
				QCOMPARE(answer.contains(QLatin1String("reader")), !reader.isEmpty());
				QVERIFY(!context->isStateApproved());
				QVERIFY(stored.isEmpty());
				// Still waiting: the client may try again.
				QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"GET_STATUS"})").getData()).value(QLatin1String("state")).toString(), message);
			}
			context->resetCardConnection();
		}


};

KENDRAWELL_TEST_MAIN(test_MsgHandlerReader)
#include "test_MsgHandlerReader.moc"
