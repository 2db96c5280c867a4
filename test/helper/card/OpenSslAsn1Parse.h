#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace tessarovin
{

// Runs "openssl asn1parse -inform DER" over the bytes; its listing, or a null string when
// openssl rejects them. An empty listing means openssl is not installed.
inline QString openSslAsn1Parse(const QByteArray& pDer)
{
	const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
	if (openssl.isEmpty())
	{
		return QStringLiteral("");
	}

	QProcess process;
	process.start(openssl, {QStringLiteral("asn1parse"), QStringLiteral("-inform"), QStringLiteral("DER"), QStringLiteral("-i")});
	if (!process.waitForStarted())
	{
		return QString();
	}
	process.write(pDer);
	process.closeWriteChannel();
	process.waitForFinished(-1);

	const QString output = QString::fromUtf8(process.readAllStandardOutput());
	if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || output.contains(QStringLiteral("Error")))
	{
		return QString();
	}
	return output;
}

} // namespace tessarovin
