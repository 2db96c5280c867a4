#include "UiLoader.h"

#include "BuildHelper.h"
#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "TestUiPlugin.h"

#include <QSignalSpy>
#include <QtPlugin>
#include <QtTest>

using namespace tessarovin;

namespace tessarovin
{

class UiPluginAlpha
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/alpha.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginAlpha()
		{
			identify();
		}

};


class UiPluginBeta
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/beta.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginBeta()
		{
			identify();
		}

};


class UiPluginGamma
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/gamma.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginGamma()
		{
			identify();
		}

};


class UiPluginDelta
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/delta.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginDelta()
		{
			identify();
		}

};


class UiPluginOmega
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/omega.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginOmega()
		{
			identify();
		}

};


// Records the variables of its metadata as it finds them when it is created.
class UiPluginInteractive
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/interactive.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginInteractive()
		{
			identify();
			record(QStringLiteral("env:%1,%2").arg(qEnvironmentVariable("KENDRAWELL_TEST_UI_A"), qEnvironmentVariable("KENDRAWELL_TEST_UI_B")));
		}

};


// Claims the front-end interface id, but is no front end; a real one of the same key follows.
class UiPluginBroken
	: public QObject
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/broken.json")
};


class BrokenUiPlugin
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/broken.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		BrokenUiPlugin()
		{
			identify();
		}

};


// Marked as default, but of another interface: never a front end.
class UiPluginForeign
	: public QObject
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.Foreign" FILE "plugins/foreign.json")
};

} // namespace tessarovin

// Beta before alpha: the defaults come sorted, whatever the order of registration.
Q_IMPORT_PLUGIN(UiPluginBeta)
Q_IMPORT_PLUGIN(UiPluginAlpha)
Q_IMPORT_PLUGIN(UiPluginOmega)
Q_IMPORT_PLUGIN(UiPluginGamma)
Q_IMPORT_PLUGIN(UiPluginDelta)
Q_IMPORT_PLUGIN(UiPluginInteractive)
Q_IMPORT_PLUGIN(UiPluginBroken)
Q_IMPORT_PLUGIN(BrokenUiPlugin)
Q_IMPORT_PLUGIN(UiPluginForeign)


class test_UiLoader
	: public QObject
{
	Q_OBJECT

	private:
		static UiLoader* loader()
		{
			return Env::getSingleton<UiLoader>();
		}


		static QStringList loadedKeys(const QSignalSpy& pSpy)
		{
			QStringList keys;
			for (const auto& arguments : pSpy)
			{
				keys << arguments.at(0).value<UiPlugin*>()->objectName();
			}
			return keys;
		}

	private Q_SLOTS:
		void init()
		{
			TestUiPlugin::reset();
			UiLoader::setUserRequest({});
			BuildHelper::setUserInteractive(true);
		}


		void cleanup()
		{
			loader()->shutdown();
			QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
			QVERIFY(!loader()->hasPlugins());
			BuildHelper::setUserInteractive(std::nullopt);
		}


		void getPluginName_data()
		{
			QTest::addColumn<QString>("className");
			QTest::addColumn<QString>("key");

			QTest::newRow("class") << QStringLiteral("UiPluginJson") << QStringLiteral("json");
			QTest::newRow("namespace") << QStringLiteral("tessarovin::UiPluginJson") << QStringLiteral("json");
			QTest::newRow("short") << QStringLiteral("Json") << QStringLiteral("json");
			QTest::newRow("key") << QStringLiteral("json") << QStringLiteral("json");
			QTest::newRow("upper case") << QStringLiteral("UIPLUGINQML") << QStringLiteral("qml");
			QTest::newRow("suffix") << QStringLiteral("WebServiceUiPlugin") << QStringLiteral("webservice");
			QTest::newRow("every occurrence") << QStringLiteral("tessarovin::tessarovin::UiPluginUiPluginProxy") << QStringLiteral("proxy");
			QTest::newRow("comma is kept") << QStringLiteral("qml,json") << QStringLiteral("qml,json");
		}


		void getPluginName()
		{
			QFETCH(QString, className);
			QFETCH(QString, key);

			QCOMPARE(UiLoader::getPluginName(className), key);
		}


		void getDefault()
		{
			QCOMPARE(UiLoader::getDefault(), QStringList({QStringLiteral("alpha"), QStringLiteral("beta")}));
		}


		void load_data()
		{
			QTest::addColumn<QStringList>("request");
			QTest::addColumn<bool>("interactive");
			QTest::addColumn<bool>("loaded");
			QTest::addColumn<QStringList>("keys");
			QTest::addColumn<QStringList>("logs");

			const QString notFound = QStringLiteral("Cannot find UI plugin:");

			QTest::newRow("defaults") << QStringList() << true << true
									  << QStringList({QStringLiteral("alpha"), QStringLiteral("beta")}) << QStringList();
			QTest::newRow("defaults, non-interactive") << QStringList() << false << true
													   << QStringList({QStringLiteral("alpha"), QStringLiteral("beta")}) << QStringList();
			QTest::newRow("request replaces defaults") << QStringList({QStringLiteral("gamma")}) << true << true
													   << QStringList({QStringLiteral("gamma")}) << QStringList();
			QTest::newRow("request order") << QStringList({QStringLiteral("omega"), QStringLiteral("delta")}) << true << true
										   << QStringList({QStringLiteral("omega"), QStringLiteral("delta")}) << QStringList();
			QTest::newRow("names of one key load once") << QStringList({QStringLiteral("Alpha"), QStringLiteral("UiPluginAlpha"), QStringLiteral("tessarovin::UiPluginAlpha")}) << true << true
														<< QStringList({QStringLiteral("alpha")}) << QStringList();
			QTest::newRow("comma is one key") << QStringList({QStringLiteral("alpha,beta")}) << true << false
											  << QStringList() << QStringList({notFound + QStringLiteral(" \"alpha,beta\"")});
			QTest::newRow("unknown does not stop the others") << QStringList({QStringLiteral("nothing"), QStringLiteral("gamma")}) << true << true
															  << QStringList({QStringLiteral("gamma")}) << QStringList({notFound + QStringLiteral(" \"nothing\"")});
			QTest::newRow("interactive") << QStringList({QStringLiteral("interactive")}) << true << true
										 << QStringList({QStringLiteral("interactive")}) << QStringList();
			QTest::newRow("non-interactive refusal") << QStringList({QStringLiteral("interactive")}) << false << false
													 << QStringList() << QStringList({QStringLiteral("Cannot load plugin in non-interactive mode:"), notFound + QStringLiteral(" \"interactive\"")});
			QTest::newRow("wrong interface, then the next candidate") << QStringList({QStringLiteral("broken")}) << true << true
																	  << QStringList({QStringLiteral("broken")}) << QStringList({QStringLiteral("Cannot cast to plugin instance:")});
			QTest::newRow("other interface id") << QStringList({QStringLiteral("foreign")}) << true << false
												<< QStringList() << QStringList({notFound + QStringLiteral(" \"foreign\"")});
		}


		void load()
		{
			QFETCH(QStringList, request);
			QFETCH(bool, interactive);
			QFETCH(bool, loaded);
			QFETCH(QStringList, keys);
			QFETCH(QStringList, logs);

			BuildHelper::setUserInteractive(interactive);
			UiLoader::setUserRequest(request);
			QSignalSpy spy(loader(), &UiLoader::fireLoadedPlugin);
			LogCapture capture;

			QCOMPARE(loader()->load(), loaded);
			QCOMPARE(loadedKeys(spy), keys);
			QCOMPARE(loader()->hasPlugins(), loaded);
			for (const auto& log : std::as_const(logs))
			{
				QVERIFY2(capture.count(log) == 1, qPrintable(log));
			}

			// Loading again changes nothing; a loaded key is not even looked for.
			capture.clear();
			QCOMPARE(loader()->load(), loaded);
			QCOMPARE(spy.count(), keys.size());
			qsizetype unloaded = 0;
			const auto names = request.isEmpty() ? UiLoader::getDefault() : request;
			for (const auto& name : names)
			{
				unloaded += keys.contains(UiLoader::getPluginName(name)) ? 0 : 1;
			}
			QCOMPARE(capture.count(QStringLiteral("Try to load UI plugin:")), unloaded);
		}


		void loadedPluginIsReachable()
		{
			QVERIFY(!loader()->getLoaded<UiPluginAlpha>());
			QVERIFY(loader()->load(QStringLiteral("alpha")));

			auto* alpha = loader()->getLoaded<UiPluginAlpha>();
			QVERIFY(alpha);
			QCOMPARE(alpha->getKey(), QStringLiteral("alpha"));
			QVERIFY(!loader()->getLoaded<UiPluginBeta>());
		}


		void metadataBecomesProperties()
		{
			QVERIFY(loader()->load(QStringLiteral("beta")));
			const auto* beta = loader()->getLoaded<UiPluginBeta>();
			QVERIFY(beta);
			QCOMPARE(beta->property("default"), QVariant(true));
			QCOMPARE(beta->property("passive"), QVariant(true));
			QCOMPARE(beta->property("readerManager"), QVariant(false));
			QVERIFY(!beta->property("userInteractive").isValid());
		}


		// The variables are set before the front end exists, and in the order of their names.
		void environmentBeforeInstance()
		{
			qunsetenv("KENDRAWELL_TEST_UI_A");
			qunsetenv("KENDRAWELL_TEST_UI_B");
			LogCapture capture;

			QVERIFY(loader()->load(QStringLiteral("interactive")));

			QVERIFY(TestUiPlugin::getJournal().contains(QStringLiteral("interactive:env:first,second")));
			QCOMPARE(qEnvironmentVariable("KENDRAWELL_TEST_UI_A"), QStringLiteral("first"));
			const auto messages = capture.messages();
			const auto first = messages.indexOf(QStringLiteral("Set environment: \"KENDRAWELL_TEST_UI_A\" = \"first\""));
			const auto second = messages.indexOf(QStringLiteral("Set environment: \"KENDRAWELL_TEST_UI_B\" = \"second\""));
			QVERIFY(first >= 0);
			QVERIFY(second > first);
		}


		// Nothing set when the front end is refused.
		void noEnvironmentWhenRefused()
		{
			qunsetenv("KENDRAWELL_TEST_UI_A");
			BuildHelper::setUserInteractive(false);

			QVERIFY(!loader()->load(QStringLiteral("interactive")));
			QVERIFY(!qEnvironmentVariableIsSet("KENDRAWELL_TEST_UI_A"));
			QVERIFY(TestUiPlugin::getJournal().isEmpty());
		}


		void activeAndReaderManager_data()
		{
			QTest::addColumn<QStringList>("keys");
			QTest::addColumn<bool>("active");
			QTest::addColumn<bool>("readerManager");

			QTest::newRow("none") << QStringList() << false << false;
			QTest::newRow("passive without readers") << QStringList({QStringLiteral("beta")}) << false << false;
			QTest::newRow("passive, readers unsaid") << QStringList({QStringLiteral("omega")}) << false << true;
			QTest::newRow("active, readers unsaid") << QStringList({QStringLiteral("alpha")}) << true << true;
			QTest::newRow("all without readers") << QStringList({QStringLiteral("beta"), QStringLiteral("delta")}) << true << false;
			QTest::newRow("one needs readers") << QStringList({QStringLiteral("beta"), QStringLiteral("delta"), QStringLiteral("gamma")}) << true << true;
		}


		void activeAndReaderManager()
		{
			QFETCH(QStringList, keys);
			QFETCH(bool, active);
			QFETCH(bool, readerManager);

			for (const auto& key : std::as_const(keys))
			{
				QVERIFY(loader()->load(key));
			}
			QCOMPARE(loader()->hasActiveUI(), active);
			QCOMPARE(loader()->requiresReaderManager(), readerManager);
		}


		void initialize_data()
		{
			QTest::addColumn<QStringList>("keys");
			QTest::addColumn<QString>("refusing");
			QTest::addColumn<bool>("result");
			QTest::addColumn<QStringList>("initialized");

			QTest::newRow("none loaded") << QStringList() << QString() << true << QStringList();
			QTest::newRow("key order, not load order") << QStringList({QStringLiteral("omega"), QStringLiteral("delta"), QStringLiteral("alpha")}) << QString() << true
													   << QStringList({QStringLiteral("alpha"), QStringLiteral("delta"), QStringLiteral("omega")});
			QTest::newRow("stops at the first refusal") << QStringList({QStringLiteral("omega"), QStringLiteral("delta"), QStringLiteral("alpha")}) << QStringLiteral("delta") << false
														<< QStringList({QStringLiteral("alpha"), QStringLiteral("delta")});
		}


		void initialize()
		{
			QFETCH(QStringList, keys);
			QFETCH(QString, refusing);
			QFETCH(bool, result);
			QFETCH(QStringList, initialized);

			if (!refusing.isEmpty())
			{
				TestUiPlugin::setBehaviour(refusing, {false, {}, false});
			}
			for (const auto& key : std::as_const(keys))
			{
				QVERIFY(loader()->load(key));
			}

			QCOMPARE(loader()->initialize(), result);

			QStringList expected;
			for (const auto& key : std::as_const(initialized))
			{
				expected << key + QStringLiteral(":initialize");
			}
			QCOMPARE(TestUiPlugin::getJournal(QString()).filter(QStringLiteral(":initialize")), expected);
		}


		// Gamma loads beta and omega while it initialises: omega sorts after gamma and takes its
		// turn in the same walk, beta sorts before it and does not.
		void initializeLoadsMore()
		{
			TestUiPlugin::setBehaviour(QStringLiteral("gamma"), {true, {QStringLiteral("beta"), QStringLiteral("omega")}, false});
			QSignalSpy spy(loader(), &UiLoader::fireLoadedPlugin);
			QVERIFY(loader()->load(QStringLiteral("alpha")));
			QVERIFY(loader()->load(QStringLiteral("gamma")));

			QVERIFY(loader()->initialize());

			QCOMPARE(loadedKeys(spy), QStringList({QStringLiteral("alpha"), QStringLiteral("gamma"), QStringLiteral("beta"), QStringLiteral("omega")}));
			QCOMPARE(TestUiPlugin::getJournal(QString()).filter(QStringLiteral(":initialize")),
					QStringList({QStringLiteral("alpha:initialize"), QStringLiteral("gamma:initialize"), QStringLiteral("omega:initialize")}));
		}


		// The front ends go on the next turn of the event loop; the signal comes after the last.
		void shutdown()
		{
			QVERIFY(loader()->load(QStringLiteral("alpha")));
			QVERIFY(loader()->load(QStringLiteral("beta")));
			QStringList journalAtSignal;
			connect(loader(), &UiLoader::fireRemovedAllPlugins, this, [&journalAtSignal] {
					journalAtSignal = TestUiPlugin::getJournal(QString()).filter(QStringLiteral(":destroyed"));
				});
			QSignalSpy removed(loader(), &UiLoader::fireRemovedAllPlugins);
			LogCapture capture;

			loader()->shutdown();
			QVERIFY(loader()->hasPlugins());
			QCOMPARE(removed.count(), 0);
			QVERIFY(capture.contains(QStringLiteral("Shutdown UiLoader: QList(\"alpha\", \"beta\")")));

			QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
			QCOMPARE(removed.count(), 1);
			QVERIFY(!loader()->hasPlugins());
			QCOMPARE(journalAtSignal, QStringList({QStringLiteral("alpha:destroyed"), QStringLiteral("beta:destroyed")}));
			QCOMPARE(capture.count(QStringLiteral("Shutdown UI:")), 2);
			disconnect(loader(), &UiLoader::fireRemovedAllPlugins, this, nullptr);

			// A front end unloaded once can be loaded again: the plug-in makes a new instance.
			QVERIFY(loader()->load(QStringLiteral("alpha")));
			QCOMPARE(TestUiPlugin::getJournal(QStringLiteral("alpha:constructed")).size(), 2);
		}


};

KENDRAWELL_TEST_MAIN(test_UiLoader)
#include "test_UiLoader.moc"
