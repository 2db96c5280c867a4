#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

QString tessarovin::getProgramDirectory()
{
	return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}


bool tessarovin::mayTraceOtherUsers()
{
	QFile status(QStringLiteral("/proc/self/status"));
	if (::geteuid() != 0 || !status.open(QIODevice::ReadOnly))
	{
		return false;
	}

	// CAP_SYS_PTRACE is bit 19.
	const auto lines = status.readAll().split('\n');
	for (const auto& line : lines)
	{
		if (line.startsWith("CapEff:"))
		{
			return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> 19) & 1U;
		}
	}
	return false;
}


void tessarovin::prepareTestEnvironment(const char* pHome)
{
	const QString home = QDir(getProgramDirectory()).absoluteFilePath(QString::fromUtf8(pHome));
	QDir(home).removeRecursively();

	const QList<QPair<const char*, QString>> variables = {
		{"HOME", home},
		{"TMPDIR", home + QStringLiteral("/tmp")},
		{"XDG_CONFIG_HOME", home + QStringLiteral("/config")},
		// Else the system scope of the settings and the administrator's autostart entries come from the host's /etc/xdg.
		{"XDG_CONFIG_DIRS", home + QStringLiteral("/config-system")},
		{"XDG_DATA_HOME", home + QStringLiteral("/data")},
		{"XDG_CACHE_HOME", home + QStringLiteral("/cache")},
		{"XDG_RUNTIME_DIR", home + QStringLiteral("/runtime")}
	};
	for (const auto& [name, path] : variables)
	{
		QDir().mkpath(path);
		qputenv(name, path.toUtf8());
	}
	QFile::setPermissions(home + QStringLiteral("/runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
