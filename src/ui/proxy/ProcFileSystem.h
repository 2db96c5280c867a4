#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace tessarovin
{

// The few reads of /proc that tell which process and user hold a local TCP socket, as one seam:
// the lookup of the other instances runs on text fixtures in the tests. Paths are the ones of
// /proc ("/proc/net/tcp", "/proc/1234/fd/5", "/proc/self/exe").
//
// install() is meant for the tests: it swaps the instance while no lookup runs.
class ProcFileSystem
{
	private:
		bool mAccessDeniedReported = false;

	public:
		ProcFileSystem() = default;
		virtual ~ProcFileSystem() = default;
		ProcFileSystem(const ProcFileSystem&) = delete;
		ProcFileSystem& operator=(const ProcFileSystem&) = delete;

		// The installed instance, the real /proc unless a test has put another one in place.
		static ProcFileSystem& getInstance();
		// nullptr brings the real /proc back.
		static void install(ProcFileSystem* pFileSystem);

		// The whole file; null when it cannot be read.
		[[nodiscard]] virtual QByteArray readFile(const QString& pPath) const = 0;
		// The entries of a folder without "." and "..": empty when the folder is gone (the process
		// ended), nullopt when it may not be read (another user's process without CAP_SYS_PTRACE).
		[[nodiscard]] virtual std::optional<QStringList> listFolder(const QString& pPath) const = 0;
		// The target of a symbolic link as the kernel shows it: null when it is gone or cannot be
		// read, nullopt when reading it is refused (another user's process without CAP_SYS_PTRACE,
		// whose descriptors root may list but not read).
		[[nodiscard]] virtual std::optional<QString> readLink(const QString& pPath) const = 0;
		// The account name of a user id; null when the id has no account entry.
		[[nodiscard]] virtual QString getUserName(uint pUid) const = 0;

		// True the first time only: a missing capability is worth one log line, not one per request.
		bool reportAccessDenied();
};

} // namespace tessarovin
