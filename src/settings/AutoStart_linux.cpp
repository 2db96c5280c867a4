#include "AutoStart.h"

#include "AutoStartEntry.h"

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>

using namespace tessarovin;

namespace
{

// The name under which earlier versions wrote their entry.
const QLatin1String cOldName("Kendrawell2");


AutoStartEntry userEntry(const QString& pName)
{
	return AutoStartEntry(AutoStartEntry::userDirectory(), pName);
}


} // namespace


bool AutoStart::isSetByAdmin()
{
	const auto name = QCoreApplication::applicationName();
	const auto directories = AutoStartEntry::systemDirectories();
	return std::any_of(directories.cbegin(), directories.cend(), [&name](const QString& pDirectory) {
			return AutoStartEntry(pDirectory, name).exists();
		});
}


bool AutoStart::enabled()
{
	if (isSetByAdmin())
	{
		return true;
	}

	// An entry of another installation starts that one, not us.
	const auto entry = userEntry(QCoreApplication::applicationName());
	return entry.exists() && entry.getExec() == AutoStartEntry::execLine(QCoreApplication::applicationFilePath());
}


bool AutoStart::setInternal(bool pEnabled)
{
	const auto entry = userEntry(QCoreApplication::applicationName());
	if (!pEnabled || isSetByAdmin())
	{
		return entry.remove();
	}
	return entry.write(QCoreApplication::applicationName(), AutoStartEntry::execLine(QCoreApplication::applicationFilePath()));
}


bool AutoStart::removeOldAutostart()
{
	// Under the old name the current entry would be removed and, being cached as enabled, never written again.
	if (QCoreApplication::applicationName() == cOldName)
	{
		return false;
	}

	const auto entry = userEntry(cOldName);
	if (!entry.exists())
	{
		return false;
	}

	qDebug() << "Detected old autostart, migrating old autostart setting...";
	entry.remove();
	return true;
}
