#pragma once

#include <QFile>
#include <QString>

namespace tessarovin
{

// Tells other processes on which port this one listens, when that is not the default port.
// The file lives in the temporary directory and goes with its owner.
class PortFile
{
	private:
		const quint16 mDefaultPort;
		QFile mFile;

	public:
		[[nodiscard]] static QString getPortFilename(const QString& pUsage, qint64 pPid, const QString& pApplicationName);

		PortFile(const QString& pUsage, quint16 pDefaultPort);
		~PortFile();
		PortFile(const PortFile&) = delete;
		PortFile& operator=(const PortFile&) = delete;

		void handlePort(quint16 pPort);
		void remove();
};

} // namespace tessarovin
