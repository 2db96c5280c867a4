#include "LogCategories.h"
#include "LogHandler.h"
#include "TestEnvironment.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QThread>

#include <memory>

using namespace tessarovin;

namespace
{

int gArgc = 1;
char gArg0[] = "test_LogHandlerLifetime";
char* gArgv[] = {gArg0, nullptr};

} // namespace


// Each test runs one application object's life: the log file belongs to it.
class test_LogHandlerLifetime
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void logFileFollowsAutoRemove_data()
		{
			QTest::addColumn<bool>("keep");

			QTest::newRow("removed") << false;
			QTest::newRow("kept") << true;
		}


		void logFileFollowsAutoRemove()
		{
			QFETCH(bool, keep);

			auto app = std::make_unique<QCoreApplication>(gArgc, gArgv);
			auto* handler = LogHandler::getInstance();
			handler->setAutoRemove(!keep);
			handler->init();
			qCDebug(card) << "a line";
			const QString fileName = handler->getCurrentLogFileName();
			QVERIFY(QFile::exists(fileName));

			app.reset();
			QCOMPARE(QFile::exists(fileName), keep);
			QVERIFY(!handler->useLogFile());
			QFile::remove(fileName);
		}


		void destroyingTheApplicationWhileAnotherThreadLogs()
		{
			auto app = std::make_unique<QCoreApplication>(gArgc, gArgv);
			auto* handler = LogHandler::getInstance();
			handler->setAutoRemove(true);
			handler->setUseHandler(false);
			handler->init();
			const QString fileName = handler->getCurrentLogFileName();

			QAtomicInt running(1);
			QAtomicInt written(0);
			QThread* writer = QThread::create([&running, &written] {
					while (running.loadRelaxed())
					{
						qCDebug(card) << "line from the writer";
						written.fetchAndAddRelaxed(1);
					}
				});
			writer->start();
			while (written.loadRelaxed() < 100)
			{
				QThread::yieldCurrentThread();
			}

			app.reset();
			const int afterDestruction = written.loadRelaxed();
			while (written.loadRelaxed() < afterDestruction + 100)
			{
				QThread::yieldCurrentThread();
			}
			running.storeRelaxed(0);
			QVERIFY(writer->wait(10000));
			delete writer;

			handler->setUseHandler(true);
			QVERIFY(!QFile::exists(fileName));
		}


};

int main(int argc, char** argv)
{
	tessarovin::prepareTestEnvironment(KENDRAWELL_TEST_HOME);
	test_LogHandlerLifetime testObject;
	return QTest::qExec(&testObject, argc, argv);
}


#include "test_LogHandlerLifetime.moc"
