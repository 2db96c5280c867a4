#include "LogCategories.h"
#include "LogHandler.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QThread>

#include <cstdio>
#include <unistd.h>

using namespace tessarovin;

namespace
{

const QString cTimeAndThread = QStringLiteral(" \\d{4}\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\d+ ");

void logAt(QtMsgType pType, const char* pFile, int pLine, const char* pFunction, const char* pCategory, const QString& pMessage)
{
	const QMessageLogger logger(pFile, pLine, pFunction, pCategory);
	switch (pType)
	{
		case QtDebugMsg:
			logger.debug().noquote() << pMessage;
			break;

		case QtInfoMsg:
			logger.info().noquote() << pMessage;
			break;

		case QtWarningMsg:
			logger.warning().noquote() << pMessage;
			break;

		default:
			logger.critical().noquote() << pMessage;
			break;
	}
}


QByteArray logLines(int pCount, const char* pCategory, const QString& pPrefix)
{
	LogHandler::getInstance()->resetBacklog();
	for (int i = 0; i < pCount; ++i)
	{
		logAt(QtDebugMsg, "/x/src/a.cpp", 1, "void f()", pCategory, pPrefix + QString::number(i));
	}
	return LogHandler::getInstance()->getBacklog();
}


// A handler before ours that logs itself, as some platform handlers do.
QtMessageHandler gOuterHandler = nullptr;
int gNestedCalls = 0;

void loggingHandler(QtMsgType pType, const QMessageLogContext& pContext, const QString& pMsg)
{
	if (gNestedCalls++ == 0)
	{
		qWarning() << "nested message";
	}
	gOuterHandler(pType, pContext, pMsg);
}


} // namespace


class test_LogHandler
	: public QObject
{
	Q_OBJECT

	LogHandler* mHandler = nullptr;

	private Q_SLOTS:
		void initTestCase()
		{
			mHandler = LogHandler::getInstance();
			mHandler->init();
			QVERIFY(mHandler->useLogFile());

			// The temporary directory, the application name, a random part and ".log".
			const QString pattern = QStringLiteral("^%1/%2\\.[A-Za-z0-9]{6}\\.log$").arg(QRegularExpression::escape(QDir::tempPath()), QCoreApplication::applicationName());
			QVERIFY2(QRegularExpression(pattern).match(mHandler->getCurrentLogFileName()).hasMatch(), qPrintable(mHandler->getCurrentLogFileName()));
		}


		void lineFormat_data()
		{
			QTest::addColumn<int>("type");
			QTest::addColumn<QByteArray>("category");
			QTest::addColumn<QByteArray>("function");
			QTest::addColumn<QByteArray>("file");
			QTest::addColumn<QString>("head");
			QTest::addColumn<QString>("location");

			const QByteArray longName(60, 'x');
			QTest::newRow("debug, windows path")
				<< int(QtDebugMsg) << QByteArray("card") << QByteArray("void __cdecl tessarovin::LogHandler::removeOldLogFiles(void) const")
				<< QByteArray("C:\\build\\src\\global\\LogHandler.cpp")
				<< QStringLiteral("card         ") + cTimeAndThread + QStringLiteral("  ")
				<< QStringLiteral("LogHandler::removeOldLogFiles(global/LogHandler.cpp:42)");
			QTest::newRow("info, g++ anonymous namespace")
				<< int(QtInfoMsg) << QByteArray("network") << QByteArray("void {anonymous}::helper(int)")
				<< QByteArray("/work/main/src/network/Foo.cpp")
				<< QStringLiteral("network      ") + cTimeAndThread + QStringLiteral("I ")
				<< QStringLiteral("helper(network/Foo.cpp:42)");
			QTest::newRow("warning, msvc anonymous namespace, pointer result")
				<< int(QtWarningMsg) << QByteArray("securestorage") << QByteArray("QObject *tessarovin::(anonymous namespace)::Maker::make(const QString &)")
				<< QByteArray("/a/src/b/src/secure_storage/Maker.cpp")
				<< QStringLiteral("securestorage") + cTimeAndThread + QStringLiteral("W ")
				<< QStringLiteral("Maker::make(secure_storage/Maker.cpp:42)");
			QTest::newRow("critical, long category")
				<< int(QtCriticalMsg) << QByteArray("card_simulator") << QByteArray("int main()")
				<< QByteArray("/work/main/src/init/main.cpp")
				<< QStringLiteral("card_simul...") + cTimeAndThread + QStringLiteral("C ")
				<< QStringLiteral("main(init/main.cpp:42)");
			QTest::newRow("long function is cut from the left")
				<< int(QtDebugMsg) << QByteArray("card") << QByteArray("void tessarovin::Klass::") + longName + QByteArray("()")
				<< QByteArray("/s/src/global/LogHandler.cpp")
				<< QStringLiteral("card         ") + cTimeAndThread + QStringLiteral("  ")
				<< QStringLiteral("...") + QString(45, QLatin1Char('x')) + QStringLiteral("(global/LogHandler.cpp:42)");
			QTest::newRow("very long file name drops the function")
				<< int(QtDebugMsg) << QByteArray("card") << QByteArray("void f()")
				<< QByteArray("/s/src/") + QByteArray(69, 'f')
				<< QStringLiteral("card         ") + cTimeAndThread + QStringLiteral("  ")
				<< QStringLiteral("(") + QString(69, QLatin1Char('f')) + QStringLiteral(":42)");
			QTest::newRow("path outside the source root keeps the file name")
				<< int(QtDebugMsg) << QByteArray("default") << QByteArray("void test_X::run()")
				<< QByteArray("/work/main/test/global/test_X.cpp")
				<< QStringLiteral("default      ") + cTimeAndThread + QStringLiteral("  ")
				<< QStringLiteral("test_X::run(test_X.cpp:42)");
		}


		void lineFormat()
		{
			QFETCH(int, type);
			QFETCH(QByteArray, category);
			QFETCH(QByteArray, function);
			QFETCH(QByteArray, file);
			QFETCH(QString, head);
			QFETCH(QString, location);

			mHandler->resetBacklog();
			logAt(static_cast<QtMsgType>(type), file.constData(), 42, function.constData(), category.constData(), QStringLiteral("the message"));
			const QString line = QString::fromUtf8(mHandler->getBacklog());

			const QString padding(qMax(0, 74 - static_cast<int>(location.size())), QLatin1Char(' '));
			const QRegularExpression expected(QLatin1Char('^') + head + QRegularExpression::escape(location + QLatin1Char(' ') + padding + QStringLiteral(": the message\r\n")) + QLatin1Char('$'));
			QVERIFY2(expected.match(line).hasMatch(), qPrintable(line));
		}


		void staleFocusObjectLeavesNoTrace()
		{
			QCoreApplication::processEvents();
			QSignalSpy spy(mHandler->getEventHandler(), &LogEventHandler::fireLog);
			mHandler->resetBacklog();
			qWarning() << "There is a stale focus object here";
			QCoreApplication::processEvents();
			QVERIFY(mHandler->getBacklog().isEmpty());
			QCOMPARE(spy.count(), 0);
		}


		void eventHandlerGetsLines()
		{
			QSignalSpy lines(mHandler->getEventHandler(), &LogEventHandler::fireLog);
			QSignalSpy rawLines(mHandler->getEventHandler(), &LogEventHandler::fireRawLog);
			qCInfo(card) << "raw text";
			QTRY_COMPARE(lines.count(), 1);
			QCOMPARE(rawLines.count(), 1);
			QCOMPARE(rawLines.first().at(0).toString(), QStringLiteral("raw text"));
			QCOMPARE(rawLines.first().at(1).toString(), QStringLiteral("card"));
			QVERIFY(lines.first().at(0).toString().endsWith(QStringLiteral(": raw text\r\n")));
		}


		void maskedBytes_data()
		{
			QTest::addColumn<QByteArray>("bytes");
			QTest::addColumn<bool>("secure");
			QTest::addColumn<QString>("expected");

			QTest::newRow("6 bytes in full") << QByteArray::fromHex("00a4040c023f") << false << QStringLiteral("\"00a4040c023f\"");
			QTest::newRow("7 bytes masked") << QByteArray::fromHex("00a4040c023f00") << false << QStringLiteral("\"00a4040c02~3f00\" (7)");
			QTest::newRow("7 bytes with secure debugging") << QByteArray::fromHex("00a4040c023f00") << true << QStringLiteral("\"00a4040c023f00\"");
		}


		void maskedBytes()
		{
			QFETCH(QByteArray, bytes);
			QFETCH(bool, secure);
			QFETCH(QString, expected);

			QLoggingCategory::setFilterRules(secure ? QStringLiteral("secure.debug=true") : QString());
			QString text;
			writeMaskedBytes(QDebug(&text).nospace(), bytes) << QStringLiteral("after");
			QLoggingCategory::setFilterRules(QString());
			// The stream's own quoting comes back for what follows.
			QCOMPARE(text, expected + QStringLiteral("\"after\""));
		}


		void criticalWindow_data()
		{
			QTest::addColumn<int>("before");
			QTest::addColumn<int>("after");
			QTest::addColumn<int>("fromBefore");
			QTest::addColumn<int>("fromAfter");

			QTest::newRow("many lines before") << 15 << 5 << 9 << 0;
			QTest::newRow("few lines before") << 3 << 8 << 4 << 5;
		}


		void criticalWindow()
		{
			QFETCH(int, before);
			QFETCH(int, after);
			QFETCH(int, fromBefore);
			QFETCH(int, fromAfter);

			const QList<QByteArray> beforeLines = logLines(before, "card", QStringLiteral("before ")).split('\n');
			QVERIFY(!mHandler->hasCriticalLog());
			QVERIFY(mHandler->getCriticalLogWindow().isEmpty());

			logAt(QtCriticalMsg, "/x/src/a.cpp", 1, "void f()", "settings", QStringLiteral("settings are odd"));
			QVERIFY(!mHandler->hasCriticalLog());

			const qsizetype start = mHandler->getBacklog().size();
			logAt(QtCriticalMsg, "/x/src/a.cpp", 1, "void f()", "card", QStringLiteral("card is gone"));
			QVERIFY(mHandler->hasCriticalLog());
			for (int i = 0; i < after; ++i)
			{
				logAt(QtDebugMsg, "/x/src/a.cpp", 1, "void f()", "card", QStringLiteral("after %1").arg(i));
			}

			const QList<QByteArray> all = mHandler->getBacklog().mid(start).split('\n');
			const QByteArray criticalLine = all.first() + '\n';
			QVERIFY(criticalLine.contains("card is gone"));

			// The window: the lines before the critical one (the last of them the settings line), the line, then lines after it.
			QList<QByteArray> window = mHandler->getCriticalLogWindow().split('\n');
			window.removeLast();
			const int expectedSize = fromBefore + 1 + fromAfter;
			QCOMPARE(window.size(), expectedSize);
			QVERIFY(window.at(fromBefore - 1).contains("settings are odd"));
			QVERIFY(window.at(fromBefore).contains("card is gone"));
			if (fromBefore > 1)
			{
				QCOMPARE(window.at(fromBefore - 2), beforeLines.at(before - 1));
			}
			if (fromAfter > 0)
			{
				QVERIFY(window.last().contains(QStringLiteral("after %1").arg(fromAfter - 1).toUtf8()));
			}

			mHandler->resetBacklog();
			QVERIFY(!mHandler->hasCriticalLog());
			QVERIFY(mHandler->getCriticalLogWindow().isEmpty());
		}


		void backlogStartsAtReset()
		{
			logLines(3, "card", QStringLiteral("old "));
			mHandler->resetBacklog();
			qCDebug(card) << "fresh line";
			const QByteArray backlog = mHandler->getBacklog();
			QCOMPARE(backlog.count('\n'), 1);
			QVERIFY(backlog.contains("fresh line"));
			QVERIFY(mHandler->getBacklog(true).contains("old 2"));
		}


		void withoutLogFile()
		{
			const QString fileName = mHandler->getCurrentLogFileName();
			QVERIFY(QFile::exists(fileName));
			QVERIFY(mHandler->getCurrentLogFileDate().isValid());

			mHandler->setLogFile(false);
			QVERIFY(!mHandler->useLogFile());
			QVERIFY(!QFile::exists(fileName));
			qCDebug(card) << "not written";
			QVERIFY(mHandler->getBacklog(true).isEmpty());
			QVERIFY(!mHandler->getCurrentLogFileDate().isValid());
			QVERIFY(!mHandler->copy(QDir::tempPath() + QStringLiteral("/copy.log")));

			mHandler->setLogFile(true);
			QVERIFY(mHandler->useLogFile());
			qCDebug(card) << "written again";
			QVERIFY(mHandler->getBacklog(true).contains("written again"));
		}


		void oldLogFilesAreRemoved()
		{
			const QString prefix = QDir::tempPath() + QLatin1Char('/') + QCoreApplication::applicationName();
			const auto createFile = [](const QString& pPath, int pAgeDays) {
					QFile file(pPath);
					QVERIFY(file.open(QIODevice::WriteOnly));
					file.write("old");
					file.flush();
					QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-pAgeDays), QFileDevice::FileModificationTime));
				};
			createFile(prefix + QStringLiteral(".old111.log"), 15);
			createFile(prefix + QStringLiteral(".new111.log"), 13);
			createFile(QDir::tempPath() + QStringLiteral("/Other.old222.log"), 30);

			// Our handler passes the padded message part on to the test framework.
			QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^ *: Auto-remove old logfile: \".*/%1\\.old111\\.log\" \\| true$").arg(QCoreApplication::applicationName())));
			mHandler->removeOldLogFiles();
			QVERIFY(!QFile::exists(prefix + QStringLiteral(".old111.log")));
			QVERIFY(QFile::exists(prefix + QStringLiteral(".new111.log")));
			QVERIFY(QFile::exists(QDir::tempPath() + QStringLiteral("/Other.old222.log")));

			const auto others = mHandler->getOtherLogFiles();
			QCOMPARE(others.size(), 1);
			QVERIFY(QFile::exists(mHandler->getCurrentLogFileName()));

			QVERIFY(mHandler->removeOtherLogFiles());
			QVERIFY(!QFile::exists(prefix + QStringLiteral(".new111.log")));
			QVERIFY(!mHandler->removeOtherLogFiles());
		}


		void copy()
		{
			QVERIFY(!mHandler->copy(QStringLiteral("  ")));

			const QString dest = QDir::tempPath() + QStringLiteral("/copied.txt");
			QFile::remove(dest);
			qCDebug(card) << "copy me";
			QVERIFY(mHandler->copy(dest));
			QFile copied(dest);
			QVERIFY(copied.open(QIODevice::ReadOnly));
			QCOMPARE(copied.readAll(), mHandler->getBacklog(true));
			copied.close();

			// An existing destination is replaced.
			QVERIFY(mHandler->copy(dest));
		}


		void copyOther_data()
		{
			QTest::addColumn<QString>("source");
			QTest::addColumn<QString>("dest");
			QTest::addColumn<bool>("copied");

			const QString tmp = QDir::tempPath() + QLatin1Char('/');
			const QString earlier = tmp + QCoreApplication::applicationName() + QStringLiteral(".earlier.log");
			QTest::newRow("earlier log file") << earlier << tmp + QStringLiteral("earlier.txt") << true;
			QTest::newRow("current log file") << QString() << tmp + QStringLiteral("current.txt") << true;
			QTest::newRow("empty destination") << earlier << QStringLiteral(" ") << false;
			QTest::newRow("not a log file") << tmp + QStringLiteral("notes.log") << tmp + QStringLiteral("notes.txt") << false;
			QTest::newRow("log file of another program") << tmp + QStringLiteral("Other.earlier.log") << tmp + QStringLiteral("other.txt") << false;
		}


		void copyOther()
		{
			QFETCH(QString, source);
			QFETCH(QString, dest);
			QFETCH(bool, copied);

			if (source.isEmpty())
			{
				source = mHandler->getCurrentLogFileName();
			}
			else
			{
				QFile file(source);
				QVERIFY(file.open(QIODevice::WriteOnly));
				file.write("content of " + source.toUtf8());
			}
			QFile::remove(dest);

			QCOMPARE(mHandler->copyOther(source, dest), copied);
			QCOMPARE(QFile::exists(dest), copied);
			if (copied)
			{
				QFile sourceFile(source);
				QFile destFile(dest);
				QVERIFY(sourceFile.open(QIODevice::ReadOnly));
				QVERIFY(destFile.open(QIODevice::ReadOnly));
				QCOMPARE(destFile.readAll(), sourceFile.readAll());
			}
			if (source != mHandler->getCurrentLogFileName())
			{
				QFile::remove(source);
			}
		}


		void previousHandlerThatLogsDoesNotDeadlock()
		{
			// Put a logging handler between ours and the test framework's.
			mHandler->reset();
			gOuterHandler = qInstallMessageHandler(loggingHandler);
			mHandler->init();

			bool done = false;
			QThread* thread = QThread::create([&done] {
					qCDebug(card) << "outer message";
					done = true;
				});
			thread->start();
			QVERIFY(thread->wait(10000));
			delete thread;
			QVERIFY(done);
			QVERIFY(gNestedCalls > 0);
			QVERIFY(mHandler->getBacklog(true).contains("outer message"));

			mHandler->reset();
			qInstallMessageHandler(gOuterHandler);
			mHandler->init();
		}


		// Behind Qt's own handler the console shows the very line the log file got, formatted once:
		// a second formatting would stamp some lines a millisecond later.
		void consoleShowsTheFileLine()
		{
			mHandler->reset();
			const QtMessageHandler testHandler = qInstallMessageHandler(nullptr);
			mHandler->init();

			QTemporaryFile console;
			QVERIFY(console.open());
			std::fflush(stderr);
			const int savedStderr = dup(STDERR_FILENO);
			QVERIFY(savedStderr >= 0);
			QVERIFY(dup2(console.handle(), STDERR_FILENO) >= 0);
			const QByteArray backlog = logLines(3000, "card", QStringLiteral("console "));
			std::fflush(stderr);
			dup2(savedStderr, STDERR_FILENO);
			close(savedStderr);

			mHandler->reset();
			qInstallMessageHandler(testHandler);
			mHandler->init();

			QVERIFY(console.seek(0));
			const QByteArray printed = console.readAll();
			QCOMPARE(printed.count('\n'), 3000);
			QCOMPARE(printed, QByteArray(backlog).replace("\r\n", "\n"));
		}


};

KENDRAWELL_TEST_MAIN(test_LogHandler)
#include "test_LogHandler.moc"
