#pragma once

#include "ReaderConfigurationInfo.h"
#include "UsbId.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

class UpdatableFile;

// The list of known reader models from the updatable file "supported-readers.json".
// A singleton of Env that lives on the main thread, where the file's signals arrive.
class ReaderConfiguration
	: public QObject
{
	Q_OBJECT
	friend class Env;

	private:
		const QSharedPointer<UpdatableFile> mUpdatableFile;
		QList<ReaderConfigurationInfo> mReaderConfigurationInfos;

		ReaderConfiguration();
		~ReaderConfiguration() override = default;

		bool parseReaderConfiguration(const QString& pPath);

	private Q_SLOTS:
		void onFileUpdated();

	public:
		// Asks the update server for a newer list.
		void update();

		[[nodiscard]] const QList<ReaderConfigurationInfo>& getReaderConfigurationInfos() const;
		[[nodiscard]] QList<ReaderConfigurationInfo> getVirtualReaderConfigurationInfos() const;
		[[nodiscard]] ReaderConfigurationInfo getReaderConfigurationInfoById(const UsbId& pId) const;

	Q_SIGNALS:
		void fireUpdated();
		void fireNoUpdateAvailable();
};

} // namespace tessarovin
