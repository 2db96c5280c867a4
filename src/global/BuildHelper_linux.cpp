#include "BuildHelper.h"

using namespace tessarovin;


// Linux has no window stations: a process that cannot tell counts as interactive.
bool BuildHelper::queryUserInteractive()
{
	return true;
}
