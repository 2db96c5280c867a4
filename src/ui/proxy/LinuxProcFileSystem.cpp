#include "LinuxProcFileSystem.h"

#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <memory>
#include <pwd.h>
#include <unistd.h>
#include <vector>

using namespace tessarovin;

namespace
{

struct FolderCloser
{
	void operator()(DIR* pFolder) const
	{
		closedir(pFolder);
	}


};


} // namespace


QByteArray LinuxProcFileSystem::readFile(const QString& pPath) const
{
	// The files of /proc report a size of 0: readAll reads until the end instead.
	QFile file(pPath);
	if (!file.open(QIODevice::ReadOnly))
	{
		return QByteArray();
	}

	auto content = file.readAll();
	if (content.isNull())
	{
		content = QByteArray("", 0);
	}
	return content;
}


std::optional<QStringList> LinuxProcFileSystem::listFolder(const QString& pPath) const
{
	const std::unique_ptr<DIR, FolderCloser> folder(opendir(QFile::encodeName(pPath).constData()));
	if (!folder)
	{
		// A process that ended between the listing of /proc and this call holds no socket.
		if (errno == ENOENT || errno == ESRCH)
		{
			return QStringList();
		}
		return std::nullopt;
	}

	QStringList entries;
	while (const dirent* entry = readdir(folder.get()))
	{
		const QByteArray name(entry->d_name);
		if (name != "." && name != "..")
		{
			entries << QFile::decodeName(name);
		}
	}
	return entries;
}


std::optional<QString> LinuxProcFileSystem::readLink(const QString& pPath) const
{
	const auto path = QFile::encodeName(pPath);
	std::vector<char> buffer(4096);
	const auto length = ::readlink(path.constData(), buffer.data(), buffer.size());
	if (length < 0 && (errno == EACCES || errno == EPERM))
	{
		return std::nullopt;
	}
	if (length < 0 || static_cast<size_t>(length) >= buffer.size())
	{
		return QString();
	}
	return QFile::decodeName(QByteArray(buffer.data(), static_cast<qsizetype>(length)));
}


QString LinuxProcFileSystem::getUserName(uint pUid) const
{
	const auto suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
	std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 1024);

	passwd entry {};
	passwd* result = nullptr;
	int error = 0;
	while ((error = getpwuid_r(static_cast<uid_t>(pUid), &entry, buffer.data(), buffer.size(), &result)) == ERANGE && buffer.size() < 1024 * 1024)
	{
		buffer.resize(buffer.size() * 2);
	}

	if (error != 0 || result == nullptr)
	{
		return QString();
	}
	return QString::fromLocal8Bit(result->pw_name);
}
