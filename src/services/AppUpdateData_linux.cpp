#include "AppUpdateData.h"

using namespace tessarovin;


// The platform's part of the update data. Linux reports no usable system version
// (QOperatingSystemVersion is Unknown there), and the packages for it name no minimum: every
// package of this platform counts as compatible.
bool AppUpdateData::isCompatible() const
{
	return true;
}
