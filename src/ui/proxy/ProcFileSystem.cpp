#include "ProcFileSystem.h"

#include "LinuxProcFileSystem.h"

using namespace tessarovin;

namespace
{

ProcFileSystem* gInstalled = nullptr;

} // namespace


ProcFileSystem& ProcFileSystem::getInstance()
{
	if (gInstalled)
	{
		return *gInstalled;
	}

	static LinuxProcFileSystem procFileSystem;
	return procFileSystem;
}


void ProcFileSystem::install(ProcFileSystem* pFileSystem)
{
	gInstalled = pFileSystem;
}


bool ProcFileSystem::reportAccessDenied()
{
	if (mAccessDeniedReported)
	{
		return false;
	}

	mAccessDeniedReported = true;
	return true;
}
