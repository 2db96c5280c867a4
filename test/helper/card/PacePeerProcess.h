#pragma once

#include "TestEnvironment.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>

namespace tessarovin
{

// The card on OpenPACE (peer/PacePeer.cpp) in a process of its own, spoken to with length-prefixed
// APDUs. The session keys it derives come back through a key file.
class PacePeerProcess
{
	private:
		QTemporaryDir mDir;
		QProcess mProcess;

		bool readExactly(QByteArray& pBuffer, qint64 pCount)
		{
			QDeadlineTimer deadline(30000);
			while (mProcess.bytesAvailable() < pCount)
			{
				if (deadline.hasExpired() || (!mProcess.waitForReadyRead(static_cast<int>(deadline.remainingTime())) && mProcess.state() != QProcess::Running))
				{
					return false;
				}
			}
			pBuffer = mProcess.read(pCount);
			return true;
		}

	public:
		PacePeerProcess() = default;
		PacePeerProcess(const PacePeerProcess&) = delete;
		PacePeerProcess& operator=(const PacePeerProcess&) = delete;


		~PacePeerProcess()
		{
			stop();
		}


		bool start(const QStringList& pArguments = QStringList())
		{
			mProcess.setReadChannel(QProcess::StandardOutput);
			mProcess.start(getProgramDirectory() + QStringLiteral("/PacePeer"), QStringList(pArguments) << QStringLiteral("--key-file") << getKeyFileName());
			return mProcess.waitForStarted();
		}


		int stop()
		{
			if (mProcess.state() == QProcess::NotRunning)
			{
				return mProcess.exitCode();
			}
			mProcess.closeWriteChannel();
			if (!mProcess.waitForFinished(30000))
			{
				mProcess.kill();
				mProcess.waitForFinished();
				return -1;
			}
			return mProcess.exitStatus() == QProcess::NormalExit ? mProcess.exitCode() : -1;
		}


		// The whole answer with its status word; empty when the peer did not answer.
		QByteArray transmit(const QByteArray& pCommand)
		{
			QByteArray frame(4, '\0');
			qToBigEndian(static_cast<quint32>(pCommand.size()), frame.data());
			mProcess.write(frame + pCommand);

			QByteArray header;
			if (!readExactly(header, 4))
			{
				return QByteArray();
			}
			QByteArray response;
			if (!readExactly(response, qFromBigEndian<quint32>(header.constData())))
			{
				return QByteArray();
			}
			return response;
		}


		QByteArray transmitHex(const char* pCommandHex)
		{
			return transmit(QByteArray::fromHex(pCommandHex));
		}


		[[nodiscard]] QString getKeyFileName() const
		{
			return mDir.filePath(QStringLiteral("keys.txt"));
		}


		// The fields of the key file's line of the last PACE the peer finished.
		[[nodiscard]] QList<QByteArray> getLastPaceLine() const
		{
			QFile file(getKeyFileName());
			if (!file.open(QIODevice::ReadOnly))
			{
				return {};
			}
			const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
			const QList<QByteArray> fields = lines.last().split(' ');
			return fields.size() == 3 ? fields : QList<QByteArray>();
		}


		// K_enc and K_mac of the last PACE the peer finished.
		[[nodiscard]] QPair<QByteArray, QByteArray> getLastSessionKeys() const
		{
			const auto fields = getLastPaceLine();
			if (fields.isEmpty())
			{
				return {};
			}
			return {QByteArray::fromHex(fields.at(0)), QByteArray::fromHex(fields.at(1))};
		}


		// The card's ephemeral public key of the last PACE, uncompressed: what ID_PICC is made of.
		[[nodiscard]] QByteArray getLastCardEphemeralKey() const
		{
			const auto fields = getLastPaceLine();
			return fields.isEmpty() ? QByteArray() : QByteArray::fromHex(fields.at(2));
		}


		QByteArray readLog()
		{
			return mProcess.readAllStandardError();
		}


};

} // namespace tessarovin
