#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace tessarovin
{

// One freedesktop autostart entry, <configuration directory>/autostart/<name>.desktop: what a
// value of the logon Run keys is on Windows. The user's entries live below XDG_CONFIG_HOME, the
// administrator's below the directories of XDG_CONFIG_DIRS.
class AutoStartEntry
{
	private:
		QString mFilePath;

		[[nodiscard]] QMap<QString, QString> readDesktopEntryGroup() const;

	public:
		static QString userDirectory();
		static QStringList systemDirectories();
		// The Exec value that starts the program: its path in double quotes, escaped for the file.
		static QString execLine(const QString& pProgram);

		AutoStartEntry(const QString& pDirectory, const QString& pName);

		[[nodiscard]] const QString& getFilePath() const;
		// A hidden entry counts as absent: the session ignores it.
		[[nodiscard]] bool exists() const;
		// The Exec value as it stands in the file, escapes kept; empty when there is none.
		[[nodiscard]] QString getExec() const;
		bool write(const QString& pName, const QString& pExec) const;
		// True when no entry is left, also when there was none.
		bool remove() const;
};

} // namespace tessarovin
