#include "TemporarySettings.h"

#include <QDirIterator>
#include <QFile>
#include <QSettings>

using namespace tessarovin;


TemporarySettings::TemporarySettings()
	: mDir()
{
	QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userPath());
	QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, systemPath());
}


QString TemporarySettings::userPath() const
{
	return mDir.filePath(QStringLiteral("user"));
}


QString TemporarySettings::systemPath() const
{
	return mDir.filePath(QStringLiteral("system"));
}


QByteArray TemporarySettings::userFileContents() const
{
	QByteArray contents;
	QDirIterator iterator(userPath(), QDir::Files, QDirIterator::Subdirectories);
	while (iterator.hasNext())
	{
		QFile file(iterator.next());
		if (file.open(QIODevice::ReadOnly))
		{
			contents += file.readAll();
		}
	}
	return contents;
}
