#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QtTest>

namespace tessarovin
{

// Runs the openssl command-line tool as an independent peer; fails the test when it fails.
inline QByteArray runOpenSsl(const QStringList& pArguments, const QByteArray& pInput = QByteArray())
{
	QProcess process;
	process.start(QStringLiteral("openssl"), pArguments);
	if (!process.waitForStarted())
	{
		qWarning() << "Cannot start openssl:" << process.errorString();
		return QByteArray();
	}
	process.write(pInput);
	process.closeWriteChannel();
	process.waitForFinished(30000);
	if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
	{
		qWarning() << "openssl" << pArguments << "failed:" << process.readAllStandardError();
		return QByteArray();
	}
	return process.readAllStandardOutput();
}


} // namespace tessarovin
