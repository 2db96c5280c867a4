#pragma once

#include "TestEnvironment.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

#include <optional>

namespace tessarovin
{

// The terminal mode of the OpenPACE peer (peer/PacePeer.cpp): the eID server's side of terminal
// and chip authentication in a process of its own, one request per line.
class PeerTerminalProcess
{
	private:
		QProcess mProcess;
		QByteArray mLastError;

	public:
		PeerTerminalProcess() = default;
		PeerTerminalProcess(const PeerTerminalProcess&) = delete;
		PeerTerminalProcess& operator=(const PeerTerminalProcess&) = delete;


		~PeerTerminalProcess()
		{
			if (mProcess.state() != QProcess::NotRunning)
			{
				mProcess.closeWriteChannel();
				if (!mProcess.waitForFinished(30000))
				{
					mProcess.kill();
					mProcess.waitForFinished();
				}
			}
		}


		// The terminal's key (PKCS#8 DER), the curve of chip authentication and further terminal options.
		bool start(const QString& pTerminalKey, int pCaCurve = 13, const QStringList& pArguments = QStringList())
		{
			mProcess.start(getProgramDirectory() + QStringLiteral("/PacePeer"), QStringList({QStringLiteral("--terminal"),
													   QStringLiteral("--terminal-key"), pTerminalKey,
													   QStringLiteral("--ca-curve"), QString::number(pCaCurve)}) << pArguments);
			return mProcess.waitForStarted();
		}


		// The values after "OK"; a null list when the terminal answered "ERROR" (see getLastError).
		std::optional<QByteArrayList> request(const QByteArray& pRequest, const QByteArrayList& pValues = {})
		{
			QByteArray line = pRequest;
			for (const auto& value : pValues)
			{
				line += ' ' + value.toHex();
			}
			mProcess.write(line + '\n');

			const QDeadlineTimer deadline(30000);
			while (!mProcess.canReadLine())
			{
				if (deadline.hasExpired() || (!mProcess.waitForReadyRead(static_cast<int>(deadline.remainingTime())) && mProcess.state() != QProcess::Running))
				{
					mLastError = "no answer: " + mProcess.readAllStandardError();
					return std::nullopt;
				}
			}
			const QByteArrayList words = mProcess.readLine().trimmed().split(' ');
			if (words.constFirst() != "OK")
			{
				mLastError = words.join(' ');
				return std::nullopt;
			}
			QByteArrayList values;
			for (const auto& word : words.mid(1))
			{
				values << QByteArray::fromHex(word);
			}
			return values;
		}


		[[nodiscard]] const QByteArray& getLastError() const
		{
			return mLastError;
		}


};

} // namespace tessarovin
