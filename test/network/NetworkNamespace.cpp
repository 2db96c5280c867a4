#include "NetworkNamespace.h"

#include <QCoreApplication>
#include <QDebug>
#include <QProcess>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

using namespace tessarovin;

namespace
{

bool run(const QString& pProgram, const QStringList& pArguments, QString* pError)
{
	QProcess process;
	process.setProcessChannelMode(QProcess::MergedChannels);
	process.start(pProgram, pArguments);
	if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
	{
		const auto error = QStringLiteral("%1 %2: %3 %4").arg(pProgram, pArguments.join(QLatin1Char(' ')), process.errorString(), QString::fromLocal8Bit(process.readAll()).trimmed());
		if (pError)
		{
			*pError = error;
		}
		else
		{
			qWarning().noquote() << error;
		}
		return false;
	}
	return true;
}


} // namespace


NetworkNamespace::NetworkNamespace(const QString& pName)
	: mName(QStringLiteral("%1-%2").arg(pName).arg(QCoreApplication::applicationPid()))
	, mCreated(false)
	, mHostNamespace(-1)
	, mError()
{
}


NetworkNamespace::~NetworkNamespace()
{
	leave();
	if (mCreated)
	{
		run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("delete"), mName}, nullptr);
	}
}


bool NetworkNamespace::create()
{
	// A namespace left by an earlier run of a crashed test with this process id goes first.
	QString ignored;
	run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("delete"), mName}, &ignored);

	mCreated = run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), mName}, &mError);
	// Addresses must be usable at once, without duplicate address detection.
	return mCreated
		   && exec({QStringLiteral("sysctl"), QStringLiteral("-qw"), QStringLiteral("net.ipv6.conf.all.accept_dad=0"), QStringLiteral("net.ipv6.conf.default.accept_dad=0")})
		   && ip({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")});
}


const QString& NetworkNamespace::name() const
{
	return mName;
}


const QString& NetworkNamespace::error() const
{
	return mError;
}


bool NetworkNamespace::ip(const QStringList& pArguments)
{
	return run(QStringLiteral("ip"), QStringList({QStringLiteral("-n"), mName}) + pArguments, &mError);
}


bool NetworkNamespace::exec(const QStringList& pCommand)
{
	return run(QStringLiteral("ip"), QStringList({QStringLiteral("netns"), QStringLiteral("exec"), mName}) + pCommand, &mError);
}


bool NetworkNamespace::enter()
{
	if (mHostNamespace >= 0)
	{
		return true;
	}

	const int own = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
	const int target = ::open(qPrintable(QStringLiteral("/run/netns/") + mName), O_RDONLY | O_CLOEXEC);
	const bool entered = own >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
	const int error = errno;
	if (target >= 0)
	{
		::close(target);
	}
	if (!entered)
	{
		mError = QStringLiteral("Cannot enter %1: %2").arg(mName, QString::fromLocal8Bit(std::strerror(error)));
		if (own >= 0)
		{
			::close(own);
		}
		return false;
	}

	mHostNamespace = own;
	return true;
}


void NetworkNamespace::leave()
{
	if (mHostNamespace < 0)
	{
		return;
	}

	if (::setns(mHostNamespace, CLONE_NEWNET) != 0)
	{
		qFatal("Cannot return to the host's network namespace");
	}
	::close(mHostNamespace);
	mHostNamespace = -1;
}
