#pragma once

#include "UpdatableFile.h"

#include <QHash>
#include <QSharedPointer>
#include <QString>

#include <mutex>

namespace tessarovin
{

// Hands out each updatable file, named by section and name, as one shared object per process, so
// that all its users see one update state and one set of signals. getFile may be called from any thread.
class FileProvider final
{
	private:
		QHash<QString, QSharedPointer<UpdatableFile>> mUpdatableFiles;
		std::mutex mGetFileMutex;

		FileProvider();
		~FileProvider();
		Q_DISABLE_COPY_MOVE(FileProvider)

	public:
		static FileProvider& getInstance();

		QSharedPointer<UpdatableFile> getFile(const QString& pSection, const QString& pName, const QString& pDefaultPath = QString());
};

} // namespace tessarovin
