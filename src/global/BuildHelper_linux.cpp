#include "BuildHelper.h"

using namespace tessarovin;


// A service manager's child (NOTIFY_SOCKET) runs unattended, and so does a session without any
// display. INVOCATION_ID says nothing: desktops start graphical autostart entries as systemd user
// services too.
bool BuildHelper::queryUserInteractive()
{
	if (qEnvironmentVariableIsSet("NOTIFY_SOCKET"))
	{
		return false;
	}

	for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
	{
		if (qEnvironmentVariableIsSet(variable))
		{
			return true;
		}
	}
	return false;
}
