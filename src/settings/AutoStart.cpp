#include "AutoStart.h"

#include "Env.h"
#include "VolatileSettings.h"

using namespace tessarovin;


bool AutoStart::set(bool pEnabled)
{
	// Programs that drive us as SDK start us themselves.
	if (Env::getSingleton<VolatileSettings>()->isUsedAsSdk())
	{
		return false;
	}
	return setInternal(pEnabled);
}
