#include "AutoStartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

using namespace tessarovin;

namespace
{

const QLatin1String cGroup("[Desktop Entry]");


// The escapes every string value of a desktop file knows.
QString escapeValue(const QString& pValue)
{
	QString result;
	for (const QChar character : pValue)
	{
		switch (character.unicode())
		{
			case '\\':
				result += QLatin1String("\\\\");
				break;

			case '\n':
				result += QLatin1String("\\n");
				break;

			case '\t':
				result += QLatin1String("\\t");
				break;

			case '\r':
				result += QLatin1String("\\r");
				break;

			default:
				result += character;
		}
	}
	return result;
}


} // namespace


QString AutoStartEntry::userDirectory()
{
	return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
}


QStringList AutoStartEntry::systemDirectories()
{
	QStringList configDirectories;
	const auto variable = qEnvironmentVariable("XDG_CONFIG_DIRS");
	for (const auto& directory : variable.split(QLatin1Char(':'), Qt::SkipEmptyParts))
	{
		// Relative entries are invalid and must be ignored, or the working directory would decide.
		if (QDir::isAbsolutePath(directory))
		{
			configDirectories << directory;
		}
	}
	if (configDirectories.isEmpty())
	{
		configDirectories << QStringLiteral("/etc/xdg");
	}

	QStringList result;
	for (const auto& directory : std::as_const(configDirectories))
	{
		result << directory + QStringLiteral("/autostart");
	}
	return result;
}


QString AutoStartEntry::execLine(const QString& pProgram)
{
	// Inside double quotes the launcher takes these four characters literally only when escaped,
	// and a lone percent sign would start a field code.
	QString quoted(QLatin1Char('"'));
	for (const QChar character : pProgram)
	{
		if (character == QLatin1Char('"') || character == QLatin1Char('`') || character == QLatin1Char('$') || character == QLatin1Char('\\'))
		{
			quoted += QLatin1Char('\\');
		}
		else if (character == QLatin1Char('%'))
		{
			quoted += QLatin1Char('%');
		}
		quoted += character;
	}
	quoted += QLatin1Char('"');
	return escapeValue(quoted);
}


AutoStartEntry::AutoStartEntry(const QString& pDirectory, const QString& pName)
	: mFilePath(pDirectory + QLatin1Char('/') + pName + QStringLiteral(".desktop"))
{
}


const QString& AutoStartEntry::getFilePath() const
{
	return mFilePath;
}


QMap<QString, QString> AutoStartEntry::readDesktopEntryGroup() const
{
	QMap<QString, QString> values;

	QFile file(mFilePath);
	if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
	{
		return values;
	}

	QTextStream stream(&file);
	bool inGroup = false;
	QString line;
	while (stream.readLineInto(&line))
	{
		const auto trimmed = QStringView(line).trimmed();
		if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
		{
			continue;
		}
		if (trimmed.startsWith(QLatin1Char('[')))
		{
			inGroup = trimmed == cGroup;
			continue;
		}

		const auto separator = trimmed.indexOf(QLatin1Char('='));
		if (inGroup && separator > 0)
		{
			const auto key = trimmed.left(separator).trimmed().toString();
			if (!values.contains(key))
			{
				values.insert(key, trimmed.mid(separator + 1).trimmed().toString());
			}
		}
	}
	return values;
}


bool AutoStartEntry::exists() const
{
	if (!QFile::exists(mFilePath))
	{
		return false;
	}
	return readDesktopEntryGroup().value(QStringLiteral("Hidden")) != QLatin1String("true");
}


QString AutoStartEntry::getExec() const
{
	return readDesktopEntryGroup().value(QStringLiteral("Exec"));
}


bool AutoStartEntry::write(const QString& pName, const QString& pExec) const
{
	if (!QDir().mkpath(QFileInfo(mFilePath).absolutePath()))
	{
		return false;
	}

	// Written whole or not at all: the session must never start a half-written entry.
	QSaveFile file(mFilePath);
	if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
	{
		return false;
	}

	QTextStream stream(&file);
	stream << cGroup << '\n'
		   << "Type=Application\n"
		   << "Name=" << escapeValue(pName) << '\n'
		   << "Exec=" << pExec << '\n';
	stream.flush();
	return stream.status() == QTextStream::Ok && file.commit();
}


bool AutoStartEntry::remove() const
{
	return !QFileInfo::exists(mFilePath) || QFile::remove(mFilePath);
}
