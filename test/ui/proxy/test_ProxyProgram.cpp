#include "HttpAnswer.h"
#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QUuid>
#include <QtTest>

#include <csignal>
#include <memory>

#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace tessarovin;

namespace
{

// The comment of this test's accounts, with the id of the test process that made them: an account
// whose test is gone was left by an aborted run.
const QString cAccountComment = QStringLiteral("Kendrawell proxy test %1");
const QRegularExpression cAccountCommentPattern(QStringLiteral("^Kendrawell proxy test (\\d+)$"));
const QString cFolderPattern = QStringLiteral("/tmp/kendrawell-proxy-test-XXXXXX");
const QByteArray cProgramName = QByteArrayLiteral("test_ProxyProgram");

const QStringList cSystemFolders = {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/bin")};


QString findTool(const QString& pName)
{
	const auto path = QStandardPaths::findExecutable(pName);
	return path.isEmpty() ? QStandardPaths::findExecutable(pName, cSystemFolders) : path;
}


// The program of this build, from the test programs' folder.
QString buildProgram()
{
	return getProgramDirectory() + QStringLiteral("/../src/init/Kendrawell");
}


struct Result
{
	int mExitCode = -1;
	QByteArray mOutput;
	QByteArray mErrors;
};


void dieWithParent()
{
	prctl(PR_SET_PDEATHSIG, SIGKILL);
}


// The tools run outside of any folder of the test: another user may not enter it.
Result run(const QString& pProgram, const QStringList& pArguments)
{
	QProcess process;
	process.setWorkingDirectory(QStringLiteral("/"));
	process.setChildProcessModifier(dieWithParent);
	process.start(pProgram, pArguments);
	Result result;
	if (!process.waitForFinished(120000))
	{
		qWarning() << pProgram << pArguments << "did not finish:" << process.errorString();
		process.kill();
		process.waitForFinished();
		return result;
	}

	result.mExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
	result.mOutput = process.readAllStandardOutput();
	result.mErrors = process.readAllStandardError();
	if (result.mExitCode != 0)
	{
		qWarning() << pProgram << pArguments << "ended with" << result.mExitCode << result.mErrors;
	}
	return result;
}


// The command as the account, through runuser.
Result runAs(const QString& pAccount, const QStringList& pCommand)
{
	return run(findTool(QStringLiteral("runuser")), QStringList({QStringLiteral("-u"), pAccount, QStringLiteral("--")}) + pCommand);
}


QStringList curl(const QString& pUrl, const QStringList& pHeaders = QStringList())
{
	QStringList command({findTool(QStringLiteral("curl")), QStringLiteral("-sS"), QStringLiteral("-i"), QStringLiteral("--max-time"), QStringLiteral("60")});
	for (const auto& header : pHeaders)
	{
		command << QStringLiteral("-H") << header;
	}
	return command << pUrl;
}


// Two answers of one instance differ in their date only.
QByteArray withoutDate(QByteArray pAnswer)
{
	static const QRegularExpression date(QStringLiteral("\r\nDate: [^\r]*"));
	return QString::fromLatin1(pAnswer).remove(date).toLatin1();
}


// The processes of a uid, read from /proc.
QList<pid_t> processesOf(uid_t pUid)
{
	QList<pid_t> processes;
	const auto entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
	for (const auto& entry : entries)
	{
		bool numeric = false;
		const auto processId = entry.toInt(&numeric);
		QFile status(QStringLiteral("/proc/%1/status").arg(entry));
		if (!numeric || !status.open(QIODevice::ReadOnly))
		{
			continue;
		}

		const auto lines = status.readAll().split('\n');
		for (const auto& line : lines)
		{
			if (line.startsWith("Uid:") && line.mid(4).simplified().split(' ').contains(QByteArray::number(pUid)))
			{
				processes << processId;
			}
		}
	}
	return processes;
}


bool isRunningTest(pid_t pProcessId)
{
	QFile comm(QStringLiteral("/proc/%1/comm").arg(pProcessId));
	// The kernel keeps 15 bytes of the name.
	return comm.open(QIODevice::ReadOnly) && cProgramName.startsWith(comm.readAll().trimmed());
}


// A process that has ended and waits to be reaped counts as gone.
bool isGone(pid_t pProcessId)
{
	QFile status(QStringLiteral("/proc/%1/status").arg(pProcessId));
	return !status.open(QIODevice::ReadOnly) || status.readAll().contains("\nState:\tZ");
}


// The account of one user of the machine, with a home in the test's folder; removed with the object.
class Account
{
	private:
		QString mName;
		QString mHome;
		uid_t mUid = 0;

	public:
		Account(const QString& pName, const QString& pHome)
			: mName(pName)
			, mHome(pHome)
		{
			const auto result = run(findTool(QStringLiteral("useradd")), {QStringLiteral("--create-home"), QStringLiteral("--home-dir"), mHome,
																		  QStringLiteral("--user-group"), QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"),
																		  QStringLiteral("--comment"), cAccountComment.arg(QCoreApplication::applicationPid()), mName});
			if (const auto* entry = getpwnam(mName.toLocal8Bit().constData()); result.mExitCode == 0 && entry)
			{
				mUid = entry->pw_uid;
			}
		}


		~Account()
		{
			remove(mName, mUid);
		}


		Account(const Account&) = delete;
		Account& operator=(const Account&) = delete;


		[[nodiscard]] bool isValid() const
		{
			return mUid != 0;
		}


		[[nodiscard]] const QString& getName() const
		{
			return mName;
		}


		[[nodiscard]] const QString& getHome() const
		{
			return mHome;
		}


		// Ends what still runs as the account, then the account with its home and group.
		static bool remove(const QString& pName, uid_t pUid)
		{
			if (pUid == 0)
			{
				return true;
			}

			for (const auto processId : processesOf(pUid))
			{
				kill(processId, SIGKILL);
			}
			const auto result = run(findTool(QStringLiteral("userdel")), {QStringLiteral("--force"), QStringLiteral("--remove"), pName});
			// userdel reports a missing mail spool with 12 and removes the rest.
			return getpwnam(pName.toLocal8Bit().constData()) == nullptr && (result.mExitCode == 0 || result.mExitCode == 12);
		}


};


// Accounts of a run that ended without cleaning up, with the folders they lived in.
void removeLeftovers()
{
	QList<QPair<QString, uid_t>> leftovers;
	QStringList folders;
	setpwent();
	while (const auto* entry = getpwent())
	{
		const auto match = cAccountCommentPattern.match(QString::fromLocal8Bit(entry->pw_gecos));
		if (match.hasMatch() && !isRunningTest(match.captured(1).toInt()))
		{
			leftovers << qMakePair(QString::fromLocal8Bit(entry->pw_name), entry->pw_uid);
			folders << QFileInfo(QString::fromLocal8Bit(entry->pw_dir)).absolutePath();
		}
	}
	endpwent();

	for (const auto& [name, uid] : std::as_const(leftovers))
	{
		qInfo() << "Removing the account of an earlier run:" << name;
		if (!Account::remove(name, uid))
		{
			qWarning() << "Cannot remove the account" << name;
		}
	}

	const auto prefix = cFolderPattern.chopped(6);
	for (const auto& folder : std::as_const(folders))
	{
		if (folder.startsWith(prefix))
		{
			QDir(folder).removeRecursively();
		}
	}
}


// One run of the program copied into the test's folder: as this test's user, or as an account by
// runuser. Its log goes to a file, its port file to its home. It ends with the test.
class Program
{
	private:
		QProcess mProcess;
		QString mHome;
		QString mLogFile;
		qint64 mProcessId = 0;
		quint16 mPort = 0;

	public:
		Program(const QString& pFolder, const QString& pHome, const QString& pAccount, const QStringList& pArguments, const QMap<QString, QString>& pEnvironment = {})
			: mProcess()
			, mHome(pHome)
			, mLogFile(pHome + QStringLiteral(".log"))
		{
			auto environment = QProcessEnvironment::systemEnvironment();
			for (const auto& name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
			{
				environment.insert(QString::fromLatin1(name), mHome);
			}
			environment.remove(QStringLiteral("XDG_CONFIG_DIRS"));
			environment.remove(QStringLiteral("KENDRAWELL_PROXY_USE_REDIRECT"));
			environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
			// The libraries of the build, copied beside the program.
			environment.insert(QStringLiteral("LD_LIBRARY_PATH"), pFolder + QStringLiteral("/lib"));
			for (auto iter = pEnvironment.cbegin(); iter != pEnvironment.cend(); ++iter)
			{
				environment.insert(iter.key(), iter.value());
			}

			mProcess.setProcessEnvironment(environment);
			mProcess.setWorkingDirectory(QStringLiteral("/"));
			mProcess.setProcessChannelMode(QProcess::MergedChannels);
			mProcess.setStandardOutputFile(mLogFile);
			mProcess.setChildProcessModifier(dieWithParent);

			// The program itself dies with the runuser in between as well.
			QStringList command({findTool(QStringLiteral("setpriv")), QStringLiteral("--pdeathsig"), QStringLiteral("KILL"), pFolder + QStringLiteral("/Kendrawell")});
			command << pArguments;
			if (pAccount.isEmpty())
			{
				mProcess.start(command.takeFirst(), command);
			}
			else
			{
				mProcess.start(findTool(QStringLiteral("runuser")), QStringList({QStringLiteral("-u"), pAccount, QStringLiteral("--")}) + command);
			}
		}


		~Program()
		{
			stop();
		}


		Program(const Program&) = delete;
		Program& operator=(const Program&) = delete;


		// Waits for the port file; false when the program ends or writes none.
		bool waitForPort()
		{
			const QDeadlineTimer deadline(90000);
			while (!deadline.hasExpired() && mProcess.state() != QProcess::NotRunning)
			{
				const auto files = QDir(mHome).entryInfoList({QStringLiteral("Kendrawell.*.port")}, QDir::Files);
				if (!files.isEmpty())
				{
					QFile file(files.constFirst().filePath());
					if (file.open(QIODevice::ReadOnly))
					{
						mPort = static_cast<quint16>(file.readAll().trimmed().toUInt());
						mProcessId = files.constFirst().fileName().split(QLatin1Char('.')).value(1).toLongLong();
						if (mPort != 0 && mProcessId != 0)
						{
							return true;
						}
					}
				}
				QTest::qWait(50);
			}
			qWarning().noquote() << "No port file:" << log();
			return false;
		}


		bool waitForLog(const QString& pLine)
		{
			const QDeadlineTimer deadline(90000);
			while (!deadline.hasExpired() && mProcess.state() != QProcess::NotRunning)
			{
				if (log().contains(pLine))
				{
					return true;
				}
				QTest::qWait(50);
			}
			return log().contains(pLine);
		}


		[[nodiscard]] quint16 getPort() const
		{
			return mPort;
		}


		[[nodiscard]] QString log() const
		{
			QFile file(mLogFile);
			return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
		}


		// The log from the given length on.
		[[nodiscard]] QString logSince(qsizetype pLength) const
		{
			return log().mid(pLength);
		}


		// Asks the program to end (runuser passes SIGTERM on) and waits for it; what does not end is killed.
		void stop()
		{
			if (mProcess.state() != QProcess::NotRunning)
			{
				mProcess.terminate();
				if (!mProcess.waitForFinished(60000))
				{
					mProcess.kill();
					mProcess.waitForFinished();
				}
			}

			if (mProcessId != 0)
			{
				const QDeadlineTimer deadline(60000);
				while (!isGone(static_cast<pid_t>(mProcessId)) && !deadline.hasExpired())
				{
					QTest::qWait(50);
				}
				if (!isGone(static_cast<pid_t>(mProcessId)))
				{
					kill(static_cast<pid_t>(mProcessId), SIGKILL);
				}
				mProcessId = 0;
			}
		}


};


// Copies the program with its resource file and the libraries of the build it loads.
bool copyProgram(const QString& pFolder)
{
	const auto program = buildProgram();
	if (!QFile::copy(program, pFolder + QStringLiteral("/Kendrawell"))
			|| !QFile::copy(QFileInfo(program).absolutePath() + QStringLiteral("/Kendrawell.rcc"), pFolder + QStringLiteral("/Kendrawell.rcc"))
			|| !QFile::copy(getProgramDirectory() + QStringLiteral("/fixtures/proxy/ws_client.py"), pFolder + QStringLiteral("/ws_client.py"))
			|| !QDir().mkpath(pFolder + QStringLiteral("/lib")))
	{
		return false;
	}

	const auto buildFolder = QDir(getProgramDirectory() + QStringLiteral("/..")).canonicalPath() + QLatin1Char('/');
	const auto libraries = run(findTool(QStringLiteral("ldd")), {program});
	if (libraries.mExitCode != 0)
	{
		return false;
	}
	static const QRegularExpression line(QStringLiteral("=> (/\\S+) \\("));
	auto matches = line.globalMatch(QString::fromLocal8Bit(libraries.mOutput));
	while (matches.hasNext())
	{
		const auto path = matches.next().captured(1);
		if (path.startsWith(buildFolder) && !QFile::copy(path, pFolder + QStringLiteral("/lib/") + QFileInfo(path).fileName()))
		{
			return false;
		}
	}

	// Readable by everyone: the program runs as the test's accounts.
	const auto everyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
	QDirIterator files(pFolder, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
	while (files.hasNext())
	{
		QFile::setPermissions(files.next(), everyone);
	}
	return QFile::setPermissions(pFolder, everyone);
}


// A uid without account, so with no instance either.
uid_t unusedUid()
{
	uid_t uid = 54322;
	while (getpwuid(uid) != nullptr)
	{
		++uid;
	}
	return uid;
}


QString marker()
{
	return QUuid::createUuid().toString(QUuid::WithoutBraces);
}


} // namespace


class test_ProxyProgram
	: public QObject
{
	Q_OBJECT

	// Declared before the programs: those end first.
	std::unique_ptr<QTemporaryDir> mFolder;
	std::unique_ptr<Account> mAlice;
	std::unique_ptr<Account> mBob;
	std::unique_ptr<Program> mProxy;
	std::unique_ptr<Program> mRedirectProxy;
	std::unique_ptr<Program> mAliceInstance;
	std::unique_ptr<Program> mBobInstance;
	// The logs of the programs that have ended.
	QStringList mLogs;

	void finish(std::unique_ptr<Program>& pProgram)
	{
		if (pProgram)
		{
			pProgram->stop();
			mLogs << pProgram->log();
			pProgram.reset();
		}
	}

	[[nodiscard]] Account& account(int pIndex) const
	{
		return pIndex == 0 ? *mAlice : *mBob;
	}


	[[nodiscard]] Program& instance(int pIndex) const
	{
		return pIndex == 0 ? *mAliceInstance : *mBobInstance;
	}


	[[nodiscard]] QString proxyUrl(const QString& pTarget) const
	{
		return QStringLiteral("http://127.0.0.1:%1%2").arg(mProxy->getPort()).arg(pTarget);
	}


	// An instance of the account that moves out of the proxy's way.
	std::unique_ptr<Program> startInstance(const Account& pAccount)
	{
		auto program = std::make_unique<Program>(mFolder->path(), pAccount.getHome(), pAccount.getName(), QStringList({
						QStringLiteral("--ui"), QStringLiteral("webservice"), QStringLiteral("--ui"), QStringLiteral("websocket"), QStringLiteral("--ui"), QStringLiteral("automatic"),
						QStringLiteral("--port"), QString::number(mProxy->getPort()), QStringLiteral("--address"), QStringLiteral("127.0.0.1")
					}));
		if (!program->waitForPort())
		{
			return nullptr;
		}
		return program;
	}


	std::unique_ptr<Program> startProxy(const QString& pName, const QMap<QString, QString>& pEnvironment = {})
	{
		const auto home = mFolder->filePath(pName);
		QDir().mkpath(home);
		auto program = std::make_unique<Program>(mFolder->path(), home, QString(), QStringList({
						QStringLiteral("--ui"), QStringLiteral("proxy"), QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--address"), QStringLiteral("127.0.0.1")
					}), pEnvironment);
		// Before the domination nothing would answer the instances' ShowUI request with 502.
		if (!program->waitForPort() || !program->waitForLog(QStringLiteral("Reverse proxy enabled")))
		{
			return nullptr;
		}
		return program;
	}

	private Q_SLOTS:
		void initTestCase()
		{
			if (!mayTraceOtherUsers())
			{
				if (qEnvironmentVariableIsSet("CI"))
				{
					QFAIL("Needs root with CAP_SYS_PTRACE");
				}
				QSKIP("Needs root with CAP_SYS_PTRACE: the proxy reads other users' /proc entries, and the test makes accounts");
			}
			for (const auto& tool : {"useradd", "userdel", "runuser", "setpriv", "curl", "ldd"})
			{
				QVERIFY2(!findTool(QString::fromLatin1(tool)).isEmpty(), tool);
			}
			QVERIFY2(QFileInfo(buildProgram()).isExecutable(), qPrintable(buildProgram()));

			removeLeftovers();

			mFolder = std::make_unique<QTemporaryDir>(cFolderPattern);
			QVERIFY(mFolder->isValid());
			QVERIFY(copyProgram(mFolder->path()));

			// Names of at most 32 characters, of this run only.
			const auto prefix = QStringLiteral("kwproxy%1").arg(QCoreApplication::applicationPid());
			mAlice = std::make_unique<Account>(prefix + QStringLiteral("a"), mFolder->filePath(QStringLiteral("alice")));
			QVERIFY(mAlice->isValid());
			mBob = std::make_unique<Account>(prefix + QStringLiteral("b"), mFolder->filePath(QStringLiteral("bob")));
			QVERIFY(mBob->isValid());

			mProxy = startProxy(QStringLiteral("proxy"));
			QVERIFY(mProxy);
			QVERIFY(mProxy->log().contains(QStringLiteral("UDP proxy port bound: %1").arg(mProxy->getPort())));

			// Each finds the port taken by the proxy, whose 502 tells it that its user has no
			// instance yet: it moves to a free port.
			mAliceInstance = startInstance(*mAlice);
			QVERIFY(mAliceInstance);
			mBobInstance = startInstance(*mBob);
			QVERIFY(mBobInstance);

			for (const auto* program : {mAliceInstance.get(), mBobInstance.get()})
			{
				const auto log = program->log();
				QVERIFY2(log.contains(QStringLiteral("We are already started... calling ShowUI")), qPrintable(log));
				QVERIFY(log.contains(QStringLiteral("Proxy is started... rebind!")));
				QVERIFY(program->getPort() != mProxy->getPort());
			}
			QVERIFY(mAliceInstance->getPort() != mBobInstance->getPort());

			const auto log = mProxy->log();
			QVERIFY(log.contains(QStringLiteral("Detected user of request: %1").arg(mAlice->getName())));
			QVERIFY(log.contains(QStringLiteral("Detected user of request: %1").arg(mBob->getName())));
			QCOMPARE(log.count(QStringLiteral("No port found")), 2);
		}


		void cleanupTestCase()
		{
			for (auto* program : {&mAliceInstance, &mBobInstance, &mRedirectProxy, &mProxy})
			{
				finish(*program);
			}

			if (mAlice)
			{
				const auto name = mAlice->getName();
				mAlice.reset();
				QVERIFY(getpwnam(name.toLocal8Bit().constData()) == nullptr);
			}
			if (mBob)
			{
				const auto name = mBob->getName();
				mBob.reset();
				QVERIFY(getpwnam(name.toLocal8Bit().constData()) == nullptr);
			}
			mFolder.reset();

			// Every program ended cleanly, and the sanitizers found nothing in any of them.
			for (const auto& log : std::as_const(mLogs))
			{
				QVERIFY2(log.contains(QStringLiteral("Leaving application... bye bye!")), qPrintable(log.right(4000)));
				QVERIFY2(!log.contains(QStringLiteral("ERROR: AddressSanitizer")) && !log.contains(QStringLiteral("ERROR: LeakSanitizer")) && !log.contains(QStringLiteral("runtime error:")), qPrintable(log.right(4000)));
			}
		}


		// ShowUI and authentication requests of each user reach that user's instance unchanged,
		// and its answer comes back as the instance gives it.
		void forward_data()
		{
			QTest::addColumn<int>("user");
			QTest::addColumn<QString>("target");
			QTest::addColumn<int>("status");
			QTest::addColumn<QString>("requestType");

			const QString showUi = QStringLiteral("/eID-Client?ShowUI=SETTINGS");
			// The token's server does not exist: the instance starts the authentication (102) and
			// ends it with its error answer.
			const QString authentication = QStringLiteral("/eID-Client?tcTokenURL=https%3A%2F%2F127.0.0.1%3A1%2Ftoken%3Fa%3D1%26b%3D2");

			QTest::newRow("ShowUI of alice") << 0 << showUi << 200 << QStringLiteral("showui");
			QTest::newRow("ShowUI of bob") << 1 << showUi << 200 << QStringLiteral("showui");
			QTest::newRow("authentication of alice") << 0 << authentication << 102 << QStringLiteral("authentication");
			QTest::newRow("authentication of bob") << 1 << authentication << 102 << QStringLiteral("authentication");
		}


		void forward()
		{
			QFETCH(int, user);
			QFETCH(QString, target);
			QFETCH(int, status);
			QFETCH(QString, requestType);

			auto& own = instance(user);
			auto& other = instance(1 - user);
			const auto ownStart = own.log().size();
			const auto otherStart = other.log().size();
			const auto proxyStart = mProxy->log().size();

			const auto tag = marker();
			const auto proxied = runAs(account(user).getName(), curl(proxyUrl(target), {QStringLiteral("X-Test-Tag: ") + tag}));
			QCOMPARE(proxied.mExitCode, 0);
			QCOMPARE(HttpAnswer::parse(proxied.mOutput).mStatus, status);

			// The request arrived with its header as sent to the proxy, the proxy's port in "Host" included.
			const auto ownLog = own.logSince(ownStart);
			QVERIFY2(ownLog.contains(QStringLiteral("Header | X-Test-Tag: ") + tag), qPrintable(ownLog));
			QVERIFY(ownLog.contains(QStringLiteral("Header | Host: 127.0.0.1:%1").arg(mProxy->getPort())));
			QVERIFY(ownLog.contains(QStringLiteral("Request type: ") + requestType));
			QVERIFY(!other.logSince(otherStart).contains(tag));
			const auto proxyLog = mProxy->logSince(proxyStart);
			QVERIFY2(proxyLog.contains(QStringLiteral("Detected user of request: %1").arg(account(user).getName())), qPrintable(proxyLog));
			QVERIFY(proxyLog.contains(QStringLiteral("Redirect to port: %1").arg(own.getPort())));

			// The same request straight to the instance gets the same bytes.
			const auto direct = runAs(account(user).getName(), curl(QStringLiteral("http://127.0.0.1:%1%2").arg(own.getPort()).arg(target), {QStringLiteral("X-Test-Tag: ") + tag}));
			QCOMPARE(direct.mExitCode, 0);
			QCOMPARE(withoutDate(proxied.mOutput), withoutDate(direct.mOutput));
		}


		// A uid that runs no instance (and has no account) gets the proxy's page.
		void badGateway()
		{
			const auto proxyStart = mProxy->log().size();
			const auto uid = QString::number(unusedUid());
			const auto result = run(findTool(QStringLiteral("setpriv")), QStringList({QStringLiteral("--reuid=") + uid, QStringLiteral("--regid=") + uid, QStringLiteral("--clear-groups")})
					+ curl(proxyUrl(QStringLiteral("/eID-Client?ShowUI=SETTINGS&x=1"))));
			QCOMPARE(result.mExitCode, 0);

			const auto answer = HttpAnswer::parse(result.mOutput);
			QCOMPARE(answer.mStatus, 502);
			QCOMPARE(answer.mHeader.value("content-type"), QByteArray("text/html; charset=utf-8"));
			const auto page = QString::fromUtf8(answer.mBody);
			QVERIFY2(page.contains(QStringLiteral("<title>Cannot reach local Kendrawell</title>")), qPrintable(page));
			QVERIFY(page.contains(QStringLiteral("Your local Kendrawell is not running. Please start your local Kendrawell and try again.")));
			QVERIFY(page.contains(QStringLiteral("href=\"/eID-Client?ShowUI=SETTINGS&amp;x=1\">Try again</a>")));

			const auto proxyLog = mProxy->logSince(proxyStart);
			QVERIFY2(proxyLog.contains(QStringLiteral("Detected user of request: uid %1").arg(uid)), qPrintable(proxyLog));
			QVERIFY(proxyLog.contains(QStringLiteral("No port found")));
		}


		// The proxy tells its own version; no instance is asked.
		void status()
		{
			const auto proxyStart = mProxy->log().size();
			const auto aliceStart = mAliceInstance->log().size();
			const auto result = runAs(mAlice->getName(), curl(proxyUrl(QStringLiteral("/eID-Client?Status"))));
			QCOMPARE(result.mExitCode, 0);

			const auto answer = HttpAnswer::parse(result.mOutput);
			QCOMPARE(answer.mStatus, 200);
			QVERIFY(answer.mBody.contains("Implementation-Title: Kendrawell2"));

			const auto proxyLog = mProxy->logSince(proxyStart);
			QVERIFY2(proxyLog.contains(QStringLiteral("Request type: status")), qPrintable(proxyLog));
			QVERIFY(!proxyLog.contains(QStringLiteral("Redirect to port:")));
			QVERIFY(!mAliceInstance->logSince(aliceStart).contains(QStringLiteral("Request type:")));
		}


		// A second proxy that answers with the instance's address instead of passing the request on.
		void temporaryRedirect_data()
		{
			QTest::addColumn<int>("user");
			QTest::addColumn<QString>("host");
			QTest::addColumn<QString>("target");
			QTest::addColumn<bool>("upgrade");
			QTest::addColumn<QString>("location");

			const QString showUi = QStringLiteral("/eID-Client?ShowUI");
			const QString authentication = QStringLiteral("/eID-Client?tcTokenURL=https%3A%2F%2Fservice.example%2Ft%3Fa%3D1%26b%3D2");

			QTest::newRow("alice, 127.0.0.1") << 0 << QStringLiteral("127.0.0.1:%PROXY%") << showUi << false << QStringLiteral("http://127.0.0.1:%INSTANCE%") + showUi;
			QTest::newRow("bob, 127.0.0.1") << 1 << QStringLiteral("127.0.0.1:%PROXY%") << showUi << false << QStringLiteral("http://127.0.0.1:%INSTANCE%") + showUi;
			QTest::newRow("alice, query as sent") << 0 << QStringLiteral("127.0.0.1:%PROXY%") << authentication << false << QStringLiteral("http://127.0.0.1:%INSTANCE%") + authentication;
			QTest::newRow("alice, localhost") << 0 << QStringLiteral("localhost:%PROXY%") << showUi << false << QStringLiteral("http://localhost:%INSTANCE%") + showUi;
			QTest::newRow("alice, localhost without port") << 0 << QStringLiteral("localhost") << showUi << false << QStringLiteral("http://localhost:%INSTANCE%") + showUi;
			QTest::newRow("bob, [::1]") << 1 << QStringLiteral("[::1]:%PROXY%") << showUi << false << QStringLiteral("http://[::1]:%INSTANCE%") + showUi;
			QTest::newRow("bob, [::1] without port") << 1 << QStringLiteral("[::1]") << showUi << false << QStringLiteral("http://[::1]:%INSTANCE%") + showUi;
			QTest::newRow("alice, no host") << 0 << QString() << showUi << false << QStringLiteral("http://127.0.0.1:%INSTANCE%") + showUi;
			QTest::newRow("alice, WebSocket") << 0 << QStringLiteral("127.0.0.1:%PROXY%") << QStringLiteral("/eID-Kernel") << true << QStringLiteral("ws://127.0.0.1:%INSTANCE%/eID-Kernel");
			QTest::newRow("bob, WebSocket over localhost") << 1 << QStringLiteral("localhost:%PROXY%") << QStringLiteral("/eID-Kernel") << true << QStringLiteral("ws://localhost:%INSTANCE%/eID-Kernel");
		}


		void temporaryRedirect()
		{
			QFETCH(int, user);
			QFETCH(QString, host);
			QFETCH(QString, target);
			QFETCH(bool, upgrade);
			QFETCH(QString, location);

			if (!mRedirectProxy)
			{
				mRedirectProxy = startProxy(QStringLiteral("redirect-proxy"), {{QStringLiteral("KENDRAWELL_PROXY_USE_REDIRECT"), QStringLiteral("1")}});
				QVERIFY(mRedirectProxy);
			}
			const auto port = QString::number(mRedirectProxy->getPort());
			const auto instancePort = QString::number(instance(user).getPort());

			// "Host:" alone makes curl leave the header out.
			QStringList headers({host.isEmpty() ? QStringLiteral("Host:") : QStringLiteral("Host: ") + QString(host).replace(QStringLiteral("%PROXY%"), port)});
			if (upgrade)
			{
				headers << QStringLiteral("Connection: Upgrade") << QStringLiteral("Upgrade: websocket")
						<< QStringLiteral("Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==") << QStringLiteral("Sec-WebSocket-Version: 13");
			}

			const auto instanceStart = instance(user).log().size();
			const auto result = runAs(account(user).getName(), curl(QStringLiteral("http://127.0.0.1:%1%2").arg(port, target), headers));
			QCOMPARE(result.mExitCode, 0);
			const auto answer = HttpAnswer::parse(result.mOutput);
			QCOMPARE(answer.mStatus, 307);
			QCOMPARE(QString::fromLatin1(answer.mHeader.value("location")), location.replace(QStringLiteral("%INSTANCE%"), instancePort));
			QVERIFY(answer.mBody.isEmpty());

			// The instance was reached but got no request.
			QVERIFY(!instance(user).logSince(instanceStart).contains(QStringLiteral("Request type:")));
		}


		// A WebSocket client of each user talks to that user's instance through the proxy.
		void webSocket_data()
		{
			QTest::addColumn<int>("user");

			QTest::newRow("alice") << 0;
			QTest::newRow("bob") << 1;
		}


		void webSocket()
		{
			QFETCH(int, user);

			auto& own = instance(user);
			auto& other = instance(1 - user);
			const auto ownStart = own.log().size();
			const auto otherStart = other.log().size();
			const auto proxyStart = mProxy->log().size();

			const auto result = runAs(account(user).getName(), {QStringLiteral("/usr/bin/python3"), mFolder->filePath(QStringLiteral("ws_client.py")),
																 QStringLiteral("ws://127.0.0.1:%1/eID-Kernel").arg(mProxy->getPort()), QStringLiteral("{\"cmd\": \"GET_INFO\"}")});
			QCOMPARE(result.mExitCode, 0);

			QJsonParseError error {};
			const auto info = QJsonDocument::fromJson(result.mOutput.trimmed(), &error).object();
			QCOMPARE(error.error, QJsonParseError::NoError);
			QCOMPARE(info.value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
			QCOMPARE(info.value(QLatin1String("VersionInfo")).toObject().value(QLatin1String("Implementation-Title")).toString(), QStringLiteral("Kendrawell2"));

			QVERIFY(mProxy->logSince(proxyStart).contains(QStringLiteral("Redirect to port: %1").arg(own.getPort())));
			QVERIFY2(own.logSince(ownStart).contains(QStringLiteral("Upgrade to websocket requested")), qPrintable(own.logSince(ownStart)));
			QVERIFY(!other.logSince(otherStart).contains(QStringLiteral("Upgrade to websocket requested")));
		}


		// A datagram on the proxy's port reaches the port of every instance, but is not sent back to
		// the proxy's own. The second proxy counts as an instance too; it gets the copy and drops it,
		// else the two would pass it back and forth for ever.
		void datagrams()
		{
			if (!mRedirectProxy)
			{
				mRedirectProxy = startProxy(QStringLiteral("redirect-proxy"), {{QStringLiteral("KENDRAWELL_PROXY_USE_REDIRECT"), QStringLiteral("1")}});
				QVERIFY(mRedirectProxy);
			}

			QUdpSocket alice;
			QUdpSocket bob;
			QVERIFY(alice.bind(QHostAddress::LocalHost, mAliceInstance->getPort()));
			QVERIFY(bob.bind(QHostAddress::LocalHost, mBobInstance->getPort()));

			const auto proxyStart = mProxy->log().size();
			const auto redirectProxyStart = mRedirectProxy->log().size();
			const auto payload = QByteArrayLiteral("{\"msg\":\"REMOTE_IFD\",\"tag\":\"") + marker().toLatin1() + QByteArrayLiteral("\"}");
			QUdpSocket sender;
			QCOMPARE(sender.writeDatagram(payload, QHostAddress::LocalHost, mProxy->getPort()), payload.size());

			// Another run of this test on the machine may send its own datagrams here as well.
			QByteArrayList aliceReceived;
			QByteArrayList bobReceived;
			const auto collect = [&alice, &bob, &aliceReceived, &bobReceived]{
						for (auto [socket, received] : {qMakePair(&alice, &aliceReceived), qMakePair(&bob, &bobReceived)})
						{
							while (socket->hasPendingDatagrams())
							{
								*received << socket->receiveDatagram().data();
							}
						}
					};
			QTRY_VERIFY_WITH_TIMEOUT((collect(), aliceReceived.contains(payload) && bobReceived.contains(payload)), 30000);

			const auto lines = mProxy->logSince(proxyStart).split(QLatin1Char('\n'));
			QString found;
			for (const auto& line : lines)
			{
				if (line.contains(QLatin1String("Found instances on Ports:")))
				{
					found = line.mid(line.indexOf(QLatin1String("Found instances on Ports:")));
				}
			}
			static const QRegularExpression number(QStringLiteral("\\d+"));
			QStringList ports;
			auto matches = number.globalMatch(found);
			while (matches.hasNext())
			{
				ports << matches.next().captured();
			}
			QVERIFY2(ports.contains(QString::number(mAliceInstance->getPort())), qPrintable(found));
			QVERIFY(ports.contains(QString::number(mBobInstance->getPort())));
			QVERIFY(!ports.contains(QString::number(mProxy->getPort())));
			QVERIFY(ports.contains(QString::number(mRedirectProxy->getPort())));

			QVERIFY(mRedirectProxy->waitForLog(QStringLiteral("Copy of another proxy not passed on, from port: %1").arg(mProxy->getPort())));
			// Nothing came back to the first proxy, and each instance got the datagram once.
			QVERIFY(!mProxy->logSince(proxyStart).contains(QStringLiteral("Copy of another proxy not passed on, from port: %1").arg(mRedirectProxy->getPort())));
			QVERIFY(!mRedirectProxy->logSince(redirectProxyStart).contains(QStringLiteral("Cannot redirect to port:")));
			collect();
			QCOMPARE(aliceReceived.count(payload), 1);
			QCOMPARE(bobReceived.count(payload), 1);
		}


};

KENDRAWELL_TEST_MAIN(test_ProxyProgram)
#include "HttpAnswer.h"
#include "test_ProxyProgram.moc"
