#include "TestPeer.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

#include <csignal>

#include <sys/prctl.h>

using namespace tessarovin;


TestPeer::TestPeer()
	: mProcess()
	, mPorts()
	, mOutput()
{
	mProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
	// A test that dies (fatal message, sanitizer, time-out) must not leave its servers running.
	mProcess.setChildProcessModifier([] {
				prctl(PR_SET_PDEATHSIG, SIGKILL);
			});
}


TestPeer::~TestPeer()
{
	if (mProcess.state() != QProcess::NotRunning)
	{
		mProcess.kill();
		mProcess.waitForFinished(5000);
	}
}


bool TestPeer::startScript(const QString& pScriptName, const QStringList& pArguments)
{
	return startProgram(QStringLiteral("/usr/bin/python3"), QStringList({script(pScriptName)}) + pArguments);
}


bool TestPeer::startProgram(const QString& pProgram, const QStringList& pArguments)
{
	mProcess.start(pProgram, pArguments);
	if (!mProcess.waitForStarted(10000))
	{
		return false;
	}

	const QDeadlineTimer deadline(30000);
	while (!mProcess.canReadLine() && !deadline.hasExpired() && mProcess.state() == QProcess::Running)
	{
		mProcess.waitForReadyRead(100);
	}
	if (!mProcess.canReadLine())
	{
		return false;
	}

	mPorts.clear();
	const auto words = mProcess.readLine().simplified().split(' ');
	for (const auto& word : words)
	{
		const auto port = static_cast<quint16>(word.toUInt());
		if (port == 0)
		{
			return false;
		}
		mPorts << port;
	}
	return !mPorts.isEmpty();
}


bool TestPeer::startServer(const QStringList& pArguments)
{
	mProcess.start(QStringLiteral("openssl"), QStringList({QStringLiteral("s_server"), QStringLiteral("-accept"), QStringLiteral("127.0.0.1:0")}) + pArguments);
	if (!mProcess.waitForStarted(10000))
	{
		return false;
	}

	const QDeadlineTimer deadline(30000);
	while (!deadline.hasExpired() && mProcess.state() == QProcess::Running)
	{
		if (!mProcess.canReadLine())
		{
			mProcess.waitForReadyRead(100);
			continue;
		}

		const auto line = mProcess.readLine().trimmed();
		if (line.startsWith("ACCEPT "))
		{
			const auto port = static_cast<quint16>(line.mid(line.lastIndexOf(':') + 1).toUInt());
			mPorts = {port};
			return port != 0;
		}
	}
	return false;
}


quint16 TestPeer::port() const
{
	return mPorts.value(0);
}


const QList<quint16>& TestPeer::ports() const
{
	return mPorts;
}


QByteArray TestPeer::takeOutput()
{
	while (mProcess.waitForReadyRead(0))
	{
	}
	QByteArray taken = output();
	mOutput.clear();
	return taken;
}


void TestPeer::write(const QByteArray& pData)
{
	mProcess.write(pData);
}


QByteArray TestPeer::output()
{
	mOutput += mProcess.readAllStandardOutput();
	return mOutput;
}


QString TestPeer::script(const QString& pName)
{
	return getProgramDirectory() + QStringLiteral("/fixtures/network/") + pName;
}


QString TestPeer::certificateFolder()
{
	static const QString folder = [] {
				const QString path = QDir::temp().filePath(QStringLiteral("certificates"));
				QProcess generator;
				QDir(path).removeRecursively();
				generator.setProcessChannelMode(QProcess::ForwardedChannels);
				generator.start(QStringLiteral("/usr/bin/python3"), {script(QStringLiteral("make_certificates.py")), path});
				if (!generator.waitForFinished(120000) || generator.exitStatus() != QProcess::NormalExit || generator.exitCode() != 0)
				{
					qFatal("make_certificates.py failed");
				}
				return path;
			}();
	return folder;
}


QString TestPeer::certificate(const QString& pName)
{
	return certificateFolder() + QLatin1Char('/') + pName + QStringLiteral(".pem");
}


QString TestPeer::key(const QString& pName)
{
	return certificateFolder() + QLatin1Char('/') + pName + QStringLiteral(".key");
}

