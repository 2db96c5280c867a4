#pragma once

#include "ProcFileSystem.h"

namespace tessarovin
{

// The real /proc of this machine and the system's account database.
class LinuxProcFileSystem
	: public ProcFileSystem
{
	public:
		[[nodiscard]] QByteArray readFile(const QString& pPath) const override;
		[[nodiscard]] std::optional<QStringList> listFolder(const QString& pPath) const override;
		[[nodiscard]] std::optional<QString> readLink(const QString& pPath) const override;
		[[nodiscard]] QString getUserName(uint pUid) const override;
};

} // namespace tessarovin
