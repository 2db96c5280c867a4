#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace tessarovin
{

// Points the settings stores of the user and the system scope at fresh folders for as long as it
// lives, so that every test case starts from empty stores.
class TemporarySettings
{
	private:
		QTemporaryDir mDir;

	public:
		TemporarySettings();
		TemporarySettings(const TemporarySettings&) = delete;
		TemporarySettings& operator=(const TemporarySettings&) = delete;

		[[nodiscard]] QString userPath() const;
		[[nodiscard]] QString systemPath() const;
		// Every file's contents below the user folder: what reached the disk, not what a store caches.
		[[nodiscard]] QByteArray userFileContents() const;
};

} // namespace tessarovin
