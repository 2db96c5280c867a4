#include "FileProvider.h"

#include <QCoreApplication>

using namespace tessarovin;

namespace
{

void deleteUpdatableFile(UpdatableFile* pFile)
{
	// At program exit, after the application object has gone, no event loop would run a deferred deletion.
	if (QCoreApplication::instance())
	{
		pFile->deleteLater();
		return;
	}
	delete pFile;
}


} // namespace


FileProvider::FileProvider()
	: mUpdatableFiles()
	, mGetFileMutex()
{
}


FileProvider::~FileProvider() = default;


FileProvider& FileProvider::getInstance()
{
	static FileProvider instance;
	return instance;
}


QSharedPointer<UpdatableFile> FileProvider::getFile(const QString& pSection, const QString& pName, const QString& pDefaultPath)
{
	const std::lock_guard locker(mGetFileMutex);

	const auto key = pSection + QLatin1Char('/') + pName;
	if (const auto file = mUpdatableFiles.value(key))
	{
		file->setDefaultPath(pDefaultPath);
		return file;
	}

	const QSharedPointer<UpdatableFile> file(new UpdatableFile(pSection, pName, pDefaultPath), &deleteUpdatableFile);
	if (!pName.isEmpty())
	{
		mUpdatableFiles.insert(key, file);
	}
	return file;
}
