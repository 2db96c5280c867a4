#include "UiPluginAutomatic.h"

#include "AppSettings.h"
#include "context/AuthContext.h"
#include "context/ChangePinContext.h"
#include "Env.h"
#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "TestEnvironment.h"
#include "UiLoader.h"
#include "VolatileSettings.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QString cSimulator = QStringLiteral("Simulator");
const QStringList cVariables = {
	QStringLiteral("KENDRAWELL_AUTOMATIC_PIN"), QStringLiteral("KENDRAWELL2_AUTOMATIC_PIN"),
	QStringLiteral("KENDRAWELL_AUTOMATIC_CAN"), QStringLiteral("KENDRAWELL2_AUTOMATIC_CAN"),
	QStringLiteral("KENDRAWELL_AUTOMATIC_PUK"), QStringLiteral("KENDRAWELL2_AUTOMATIC_PUK"),
	QStringLiteral("KENDRAWELL_AUTOMATIC_DEVELOPERMODE"), QStringLiteral("KENDRAWELL2_AUTOMATIC_DEVELOPERMODE"),
	QStringLiteral("KENDRAWELL_AUTOMATIC_SIMULATOR"), QStringLiteral("KENDRAWELL2_AUTOMATIC_SIMULATOR")
};

using Environment = QMap<QString, QString>;


void setEnvironment(const Environment& pEnvironment)
{
	for (auto entry = pEnvironment.cbegin(); entry != pEnvironment.cend(); ++entry)
	{
		qputenv(entry.key().toLatin1().constData(), entry.value().toUtf8());
	}
}


template<typename Context, typename ... Args>
QSharedPointer<WorkflowRequest> createRequest(Args ... pArgs)
{
	WorkflowRequest::ControllerGenerator noController;
	WorkflowRequest::ContextGenerator context = [pArgs ...] {
				return QSharedPointer<WorkflowContext>(new Context(pArgs ...));
			};
	return QSharedPointer<WorkflowRequest>::create(noController, context, WorkflowRequest::BusyHandler(), QVariant());
}


bool isKilled(const QSharedPointer<WorkflowContext>& pContext)
{
	return pContext->isWorkflowKilled() && pContext->getStatus().getStatusCode() == GlobalStatus::Code::Workflow_Cancellation_By_User;
}


} // namespace


class test_UiPluginAutomatic
	: public QObject
{
	Q_OBJECT

	private:
		ReaderManager* mManager = nullptr;
		QScopedPointer<UiPluginAutomatic> mPlugin;
		QScopedPointer<LogCapture> mLog;

		QSharedPointer<WorkflowContext> start(const QSharedPointer<WorkflowRequest>& pRequest)
		{
			mPlugin->onWorkflowStarted(pRequest);
			return pRequest->getContext();
		}


		void enableSimulator(bool pBasicReader)
		{
			QSettings store(QSettings::UserScope, AbstractSettings::cOrganization, AbstractSettings::cApplication);
			store.setValue(QStringLiteral("simulator/basicReader"), pBasicReader);
			store.sync();
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(true);
		}

	private Q_SLOTS:
		void init()
		{
			for (const auto& name : cVariables)
			{
				qunsetenv(name.toLatin1().constData());
			}
			mLog.reset(new LogCapture());
			mManager = ReaderManagerFixture::start();
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
			Env::getSingleton<VolatileSettings>()->setDeveloperMode(false);
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(false);
			mPlugin.reset(new UiPluginAutomatic());
		}


		void cleanup()
		{
			mPlugin.reset();
			ReaderManagerFixture::stop();
			mLog.reset();
		}


		void metaData()
		{
			// Loaded only when asked for by name, then active and with the card readers.
			QVERIFY(!UiLoader::getDefault().contains(QStringLiteral("automatic")));
			auto* loader = Env::getSingleton<UiLoader>();
			QVERIFY(loader->load(QStringLiteral("automatic")));
			QVERIFY(loader->getLoaded<UiPluginAutomatic>());
			QVERIFY(loader->hasActiveUI());
			QVERIFY(loader->requiresReaderManager());
			QVERIFY(loader->initialize());
			loader->shutdown();
			QTRY_VERIFY(!loader->hasPlugins());
		}


		void password_data()
		{
			QTest::addColumn<Environment>("environment");
			QTest::addColumn<PacePasswordId>("passwordType");
			QTest::addColumn<CardReturnCode>("previousPace");
			QTest::addColumn<QString>("reader");
			QTest::addColumn<QString>("entered");
			QTest::addColumn<QString>("warning");

			const auto pin = PacePasswordId::PACE_PIN;
			const auto can = PacePasswordId::PACE_CAN;
			const auto puk = PacePasswordId::PACE_PUK;
			const auto none = CardReturnCode::UNDEFINED;
			const QString cannot = QStringLiteral("Cannot handle password... abort automatic workflow");

			QTest::newRow("default PIN") << Environment() << pin << none << cReader << QStringLiteral("pin:731862") << QString();
			QTest::newRow("PIN") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_PIN"), QStringLiteral("123456")}}) << pin << none << cReader << QStringLiteral("pin:123456") << QString();
			QTest::newRow("PIN of the second prefix") << Environment({{QStringLiteral("KENDRAWELL2_AUTOMATIC_PIN"), QStringLiteral("654321")}}) << pin << none << cReader << QStringLiteral("pin:654321") << QString();
			QTest::newRow("first prefix wins") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_PIN"), QStringLiteral("111111")}, {QStringLiteral("KENDRAWELL2_AUTOMATIC_PIN"), QStringLiteral("222222")}}) << pin << none << cReader << QStringLiteral("pin:111111") << QString();
			QTest::newRow("empty value beats the second prefix") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_PIN"), QString()}, {QStringLiteral("KENDRAWELL2_AUTOMATIC_PIN"), QStringLiteral("222222")}}) << pin << none << cReader << QString() << cannot;
			QTest::newRow("5-digit PIN") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_PIN"), QStringLiteral("12345")}}) << pin << none << cReader << QString() << cannot;
			QTest::newRow("after a successful PACE") << Environment() << pin << CardReturnCode::OK << cReader << QStringLiteral("pin:731862") << QString();
			QTest::newRow("after a failed PACE") << Environment() << pin << CardReturnCode::COMMAND_FAILED << cReader << QString() << QStringLiteral("Previous PACE failed... abort automatic workflow");
			QTest::newRow("CAN") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_CAN"), QStringLiteral("500540")}}) << can << none << cReader << QStringLiteral("can:500540") << QString();
			QTest::newRow("5-digit CAN") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_CAN"), QStringLiteral("50054")}}) << can << none << cReader << QString() << cannot;
			QTest::newRow("no CAN") << Environment() << can << none << cReader << QString() << cannot;
			QTest::newRow("PUK") << Environment({{QStringLiteral("KENDRAWELL2_AUTOMATIC_PUK"), QStringLiteral("0987654321")}}) << puk << none << cReader << QStringLiteral("puk:0987654321") << QString();
			QTest::newRow("6-digit PUK") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_PUK"), QStringLiteral("123456")}}) << puk << none << cReader << QString() << cannot;
			QTest::newRow("MRZ") << Environment() << PacePasswordId::PACE_MRZ << none << cReader << QString() << cannot;
			QTest::newRow("no card connection") << Environment() << pin << none << QString() << QString() << cannot;
			QTest::newRow("simulator with pin pad") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_PIN"), QStringLiteral("12")}}) << pin << none << cSimulator << QStringLiteral("approved") << QString();
		}


		void password()
		{
			QFETCH(Environment, environment);
			QFETCH(PacePasswordId, passwordType);
			QFETCH(CardReturnCode, previousPace);
			QFETCH(QString, reader);
			QFETCH(QString, entered);
			QFETCH(QString, warning);

			setEnvironment(environment);
			if (reader == cReader)
			{
				QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}));
			}
			else if (reader == cSimulator)
			{
				QVERIFY(ReaderManagerFixture::insertSimulatorCard(false));
			}

			const auto context = start(createRequest<AuthContext>());
			QVERIFY(context->wasClaimed());
			if (!reader.isEmpty())
			{
				const auto connection = ReaderManagerFixture::connect(reader);
				QVERIFY(connection);
				QCOMPARE(connection->getReaderInfo().isBasicReader(), reader == cReader);
				context->setCardConnection(connection);
			}
			context->setPasswordType(passwordType);
			EstablishPaceChannelOutput output;
			output.setPaceReturnCode(previousPace);
			context->setPaceOutputData(output);

			context->setCurrentState(QStringLiteral("StateEnterPacePassword"));

			const QString entry = !context->getPin().isEmpty() ? QStringLiteral("pin:") + context->getPin()
					: !context->getCan().isEmpty() ? QStringLiteral("can:") + context->getCan()
					: !context->getPuk().isEmpty() ? QStringLiteral("puk:") + context->getPuk()
					: context->isStateApproved() && !context->isWorkflowKilled() ? QStringLiteral("approved")
					: QString();
			QCOMPARE(entry, entered);
			if (warning.isEmpty())
			{
				QVERIFY(context->isStateApproved());
				QVERIFY(!context->isWorkflowKilled());
			}
			else
			{
				QVERIFY(isKilled(context));
				QCOMPARE(mLog->count(warning), 1);
			}
			mPlugin->onWorkflowFinished(QSharedPointer<WorkflowRequest>());
			context->setCardConnection(QSharedPointer<CardConnection>());
		}


		// The PACE before this password request ended with the card's answer: a wrong password
		// stops the run (the simulator never counts down, a real card would), a right CAN before
		// the PIN does not.
		void passwordAfterCardResult_data()
		{
			QTest::addColumn<PacePasswordId>("previousType");
			QTest::addColumn<quint32>("resultCode");
			QTest::addColumn<bool>("killed");

			QTest::newRow("wrong PIN") << PacePasswordId::PACE_PIN << 0xF00663C2U << true;
			QTest::newRow("wrong PIN, last try left") << PacePasswordId::PACE_PIN << 0xF00663C1U << true;
			QTest::newRow("wrong CAN") << PacePasswordId::PACE_CAN << 0xF00663C2U << true;
			QTest::newRow("right CAN") << PacePasswordId::PACE_CAN << 0U << false;
			QTest::newRow("right PIN") << PacePasswordId::PACE_PIN << 0U << false;
		}


		void passwordAfterCardResult()
		{
			QFETCH(PacePasswordId, previousType);
			QFETCH(quint32, resultCode);
			QFETCH(bool, killed);

			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}));
			const auto context = start(createRequest<AuthContext>());
			const auto connection = ReaderManagerFixture::connect(cReader);
			QVERIFY(connection);
			context->setCardConnection(connection);
			EstablishPaceChannelOutput output(previousType);
			output.setPaceReturnCode(CardReturnCode::OK);
			output.setResultCode(resultCode);
			context->setPaceOutputData(output);
			context->setPasswordType(PacePasswordId::PACE_PIN);

			context->setCurrentState(QStringLiteral("StateEnterPacePassword"));

			if (killed)
			{
				QVERIFY(isKilled(context));
				QVERIFY(context->getPin().isEmpty());
				QCOMPARE(mLog->count(QStringLiteral("Previous PACE failed... abort automatic workflow")), 1);
			}
			else
			{
				QVERIFY(context->isStateApproved());
				QVERIFY(!context->isWorkflowKilled());
				QCOMPARE(context->getPin(), QStringLiteral("731862"));
			}
			mPlugin->onWorkflowFinished(QSharedPointer<WorkflowRequest>());
			context->setCardConnection(QSharedPointer<CardConnection>());
		}


		// A card for the reader selection: one that is there already, or one put into the simulator.
		void insertCard_data()
		{
			QTest::addColumn<QString>("existing");
			QTest::addColumn<QString>("simulator");
			QTest::addColumn<bool>("approved");
			QTest::addColumn<QString>("log");

			QTest::newRow("existing card") << cReader << QString() << true << QStringLiteral("Use existing card...");
			QTest::newRow("default simulated card") << QString() << QString() << true << QStringLiteral("Automatically insert card into: \"Simulator\"");
			QTest::newRow("JSON object") << QString() << QStringLiteral("{}") << true << QStringLiteral("Use content as JSON data: \"{}\"");
			QTest::newRow("JSON file") << QString() << QStringLiteral("file") << true << QStringLiteral("Use file as JSON data:");
			QTest::newRow("JSON array") << QString() << QStringLiteral("[1, 2]") << false << QStringLiteral("Cannot get optional data: \"JSON data is not an object\"");
			QTest::newRow("broken JSON") << QString() << QStringLiteral("{\"files\":") << false << QStringLiteral("Cannot get optional data:");
		}


		void insertCard()
		{
			QFETCH(QString, existing);
			QFETCH(QString, simulator);
			QFETCH(bool, approved);
			QFETCH(QString, log);

			QTemporaryDir folder;
			if (simulator == QLatin1String("file"))
			{
				simulator = folder.filePath(QStringLiteral("card.json"));
				QFile file(simulator);
				QVERIFY(file.open(QIODevice::WriteOnly));
				file.write("{\"files\": []}");
			}
			if (!simulator.isEmpty())
			{
				qputenv("KENDRAWELL_AUTOMATIC_SIMULATOR", simulator.toUtf8());
			}
			// In SDK mode, which this front end switches on, the simulator's reader is always there.
			if (existing == cReader)
			{
				QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}));
			}
			else
			{
				enableSimulator(true);
			}

			const auto context = start(createRequest<AuthContext>());
			QCOMPARE(context->getReaderPluginTypes(), QList<ReaderManagerPluginType>({ReaderManagerPluginType::SIMULATOR, ReaderManagerPluginType::PCSC}));
			if (existing.isEmpty())
			{
				// In SDK mode the simulator's reader comes without a card.
				QTRY_VERIFY(mManager->getReaderInfo(cSimulator).isInsertable());
				QVERIFY(!mManager->getReaderInfo(cSimulator).hasCard());
			}

			context->setCurrentState(QStringLiteral("StateSelectReader"));
			QTRY_VERIFY(context->isStateApproved());
			QVERIFY2(mLog->contains(log), qPrintable(mLog->messages().join(QLatin1Char('\n'))));
			QCOMPARE(context->isWorkflowKilled(), !approved);
			if (approved && existing.isEmpty())
			{
				QTRY_VERIFY(mManager->getReaderInfo(cSimulator).hasEid());
			}
			if (!approved)
			{
				QVERIFY(isKilled(context));
				QCOMPARE(mLog->count(QStringLiteral("Cannot insert card... abort automatic workflow")), 1);
				QVERIFY(!mManager->getReaderInfo(cSimulator).hasCard());
			}
			mPlugin->onWorkflowFinished(QSharedPointer<WorkflowRequest>());
		}


		// Every other state is approved at once; a finished workflow is no longer followed.
		void otherStates()
		{
			const auto context = start(createRequest<AuthContext>());
			context->setCurrentState(QStringLiteral("StateGetTcToken"));
			QVERIFY(context->isStateApproved());

			mPlugin->onWorkflowFinished(QSharedPointer<WorkflowRequest>());
			context->setStateApproved(false);
			context->setCurrentState(QStringLiteral("StateStartPaos"));
			QVERIFY(!context->isStateApproved());
		}


		void settings_data()
		{
			QTest::addColumn<Environment>("environment");
			QTest::addColumn<bool>("developerMode");

			QTest::newRow("unset") << Environment() << false;
			QTest::newRow("ON") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_DEVELOPERMODE"), QStringLiteral("ON")}}) << true;
			QTest::newRow("true") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_DEVELOPERMODE"), QStringLiteral("true")}}) << true;
			QTest::newRow("1 of the second prefix") << Environment({{QStringLiteral("KENDRAWELL2_AUTOMATIC_DEVELOPERMODE"), QStringLiteral("1")}}) << true;
			QTest::newRow("yes") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_DEVELOPERMODE"), QStringLiteral("yes")}}) << false;
			QTest::newRow("empty beats the second prefix") << Environment({{QStringLiteral("KENDRAWELL_AUTOMATIC_DEVELOPERMODE"), QString()}, {QStringLiteral("KENDRAWELL2_AUTOMATIC_DEVELOPERMODE"), QStringLiteral("on")}}) << false;
		}


		// The SDK flag and developer mode hold for one workflow and are restored after it.
		void settings()
		{
			QFETCH(Environment, environment);
			QFETCH(bool, developerMode);

			setEnvironment(environment);
			auto* volatileSettings = Env::getSingleton<VolatileSettings>();
			start(createRequest<AuthContext>());
			QVERIFY(volatileSettings->isUsedAsSdk());
			QCOMPARE(volatileSettings->isDeveloperMode(), developerMode);
			QCOMPARE(Env::getSingleton<AppSettings>()->getGeneralSettings().isDeveloperMode(), developerMode);

			mPlugin->onWorkflowFinished(QSharedPointer<WorkflowRequest>());
			QVERIFY(!volatileSettings->isUsedAsSdk());
			QVERIFY(!volatileSettings->isDeveloperMode());
		}


		// Another workflow than an authentication is claimed and killed; its end leaves the
		// settings as they are now, not as this front end saw them earlier.
		void pinChange()
		{
			auto* volatileSettings = Env::getSingleton<VolatileSettings>();
			start(createRequest<AuthContext>());
			mPlugin->onWorkflowFinished(QSharedPointer<WorkflowRequest>());
			QVERIFY(!volatileSettings->isUsedAsSdk());

			volatileSettings->setUsedAsSdk(true);
			const auto request = createRequest<ChangePinContext>();
			const auto context = start(request);
			QVERIFY(context->wasClaimed());
			QVERIFY(isKilled(context));
			QCOMPARE(mLog->count(QStringLiteral("Cannot handle context... abort automatic workflow")), 1);

			context->setStateApproved(false);
			context->setCurrentState(QStringLiteral("StateEnterPacePassword"));
			QVERIFY(context->getPin().isEmpty());

			mPlugin->onWorkflowFinished(request);
			QVERIFY(volatileSettings->isUsedAsSdk());
		}


		void dominated()
		{
			UiPluginAutomatic other;
			// Its own domination and a refused one do not count.
			mPlugin->onUiDomination(mPlugin.data(), QStringLiteral("self"), true);
			mPlugin->onUiDomination(&other, QStringLiteral("refused"), false);
			QVERIFY(start(createRequest<AuthContext>())->wasClaimed());
			mPlugin->onWorkflowFinished(QSharedPointer<WorkflowRequest>());

			mPlugin->onUiDomination(&other, QString(), true);
			const auto ignored = start(createRequest<AuthContext>());
			QVERIFY(!ignored->wasClaimed());
			ignored->setCurrentState(QStringLiteral("StateGetTcToken"));
			QVERIFY(!ignored->isStateApproved());
			QVERIFY(!Env::getSingleton<VolatileSettings>()->isUsedAsSdk());
			QVERIFY(!start(createRequest<ChangePinContext>())->isWorkflowKilled());

			mPlugin->onUiDominationReleased();
			QVERIFY(start(createRequest<AuthContext>())->wasClaimed());
			mPlugin->onWorkflowFinished(QSharedPointer<WorkflowRequest>());
		}


};

KENDRAWELL_TEST_MAIN(test_UiPluginAutomatic)
#include "test_UiPluginAutomatic.moc"
