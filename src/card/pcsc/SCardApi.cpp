#include "SCardApi.h"

#include "PcscLiteSCardApi.h"

#include <atomic>

using namespace tessarovin;

namespace
{

std::atomic<SCardApi*> installedApi = nullptr;

} // namespace


SCardApi& SCardApi::getInstance()
{
	if (SCardApi* api = installedApi.load())
	{
		return *api;
	}

	static PcscLiteSCardApi pcscLite;
	return pcscLite;
}


void SCardApi::install(SCardApi* pApi)
{
	installedApi.store(pApi);
}
