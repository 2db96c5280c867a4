#pragma once

namespace tessarovin
{

// Starts the application when the user logs on. On Linux the entry is a freedesktop autostart
// entry (see AutoStartEntry); every operation looks at the entries afresh, nothing is cached.
class AutoStart
{
	private:
		AutoStart() = delete;

	public:
		// An entry of the application's name in a system autostart directory: the administrator's.
		static bool isSetByAdmin();
		// The administrator's entry, or the user's entry when it starts this very program.
		static bool enabled();
		// Refused (false) while the application is used as SDK.
		static bool set(bool pEnabled);
		static bool setInternal(bool pEnabled);
		// Removes an entry of the old application name; true when there was one.
		static bool removeOldAutostart();
};

} // namespace tessarovin
