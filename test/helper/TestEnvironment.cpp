#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>

QString tessarovin::getProgramDirectory()
{
	return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
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
