#include "ProgramProcess.h"

#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include <csignal>

#include <sys/prctl.h>

using namespace tessarovin;


QString ProgramProcess::getBuiltProgram()
{
	return getProgramDirectory() + QStringLiteral("/../src/init/Kendrawell");
}


ProgramProcess::ProgramProcess()
	: mHome()
	, mProcess()
	, mProgram(getBuiltProgram())
	, mExtraEnvironment()
{
	mProcess.setProcessChannelMode(QProcess::MergedChannels);
	// A file, not a pipe: a caller that blocks elsewhere (on curl, a browser) would otherwise stop
	// the program at its next log line once the pipe is full.
	mProcess.setStandardOutputFile(getOutputPath());
	// A test that dies must not leave the program running.
	mProcess.setChildProcessModifier([] {
			prctl(PR_SET_PDEATHSIG, SIGKILL);
		});
}


ProgramProcess::~ProgramProcess()
{
	if (mProcess.state() != QProcess::NotRunning)
	{
		mProcess.kill();
		mProcess.waitForFinished();
	}
}


bool ProgramProcess::installWithTestConfiguration()
{
	const QDir folder(mHome.filePath(QStringLiteral("bin")));
	if (!folder.mkpath(QStringLiteral(".")))
	{
		return false;
	}
	// The program reads its resources and security configuration from its own folder.
	const QFileInfo original(getBuiltProgram());
	const auto target = folder.filePath(QStringLiteral("Kendrawell"));
	if (!QFile::copy(original.absoluteFilePath(), target)
			|| !QFile::copy(original.absoluteDir().filePath(QStringLiteral("Kendrawell.rcc")), folder.filePath(QStringLiteral("Kendrawell.rcc")))
			|| !QFile::copy(getProgramDirectory() + QStringLiteral("/fixtures/pki/config.json"), folder.filePath(QStringLiteral("config.json"))))
	{
		return false;
	}
	mProgram = target;
	return true;
}


void ProgramProcess::enableSimulator()
{
	QSettings settings(mHome.filePath(QStringLiteral("Tessarovin/Kendrawell2.conf")), QSettings::IniFormat);
	settings.setValue(QStringLiteral("simulator/enabled"), true);
	settings.setValue(QStringLiteral("simulator/basicReader"), true);
	settings.sync();
}


void ProgramProcess::setEnvironment(const QString& pName, const QString& pValue)
{
	mExtraEnvironment.insert(pName, pValue);
}


void ProgramProcess::setOutputFile(const QString& pPath)
{
	mProcess.setStandardOutputFile(pPath);
}


bool ProgramProcess::start(quint16 pPort)
{
	auto environment = QProcessEnvironment::systemEnvironment();
	// The caller's own settings of the automatic front end stay out of the program.
	const auto inherited = environment.keys();
	for (const auto& name : inherited)
	{
		if (name.startsWith(QLatin1String("KENDRAWELL_AUTOMATIC_")) || name.startsWith(QLatin1String("KENDRAWELL2_AUTOMATIC_")))
		{
			environment.remove(name);
		}
	}
	environment.insert(mExtraEnvironment);
	for (const auto& name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
	{
		environment.insert(QString::fromLatin1(name), mHome.path());
	}
	environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
	mProcess.setProcessEnvironment(environment);
	mProcess.start(mProgram, {
				QStringLiteral("--ui"), QStringLiteral("webservice"), QStringLiteral("--ui"), QStringLiteral("automatic"),
				QStringLiteral("--port"), QString::number(pPort), QStringLiteral("--address"), QStringLiteral("127.0.0.1")
			});
	return mProcess.waitForStarted(30000);
}


qint64 ProgramProcess::processId() const
{
	return mProcess.processId();
}


quint16 ProgramProcess::port() const
{
	QFile file(QDir(mHome.path()).filePath(QStringLiteral("Kendrawell.%1.port").arg(mProcess.processId())));
	return file.open(QIODevice::ReadOnly) ? static_cast<quint16>(file.readAll().trimmed().toUInt()) : 0;
}


bool ProgramProcess::hasPortFile() const
{
	return !QDir(mHome.path()).entryList({QStringLiteral("*.port")}, QDir::Files).isEmpty();
}


bool ProgramProcess::waitForPort()
{
	const QDeadlineTimer deadline(60000);
	while (port() == 0)
	{
		if (deadline.hasExpired() || mProcess.state() == QProcess::NotRunning)
		{
			return false;
		}
		QTest::qWait(20);
	}
	return true;
}


int ProgramProcess::waitForExit()
{
	if (!mProcess.waitForFinished(60000) || mProcess.exitStatus() != QProcess::NormalExit)
	{
		return -1;
	}
	return mProcess.exitCode();
}


void ProgramProcess::terminate()
{
	mProcess.terminate();
}


QString ProgramProcess::getOutputPath() const
{
	return mHome.filePath(QStringLiteral("output.log"));
}


QByteArray ProgramProcess::output()
{
	QFile file(getOutputPath());
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
