// EF.DIR: the applications a card lists.

#include "asn1/ApplicationTemplates.h"

#include "FuzzEnvironment.h"

using namespace tessarovin;


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const auto templates = ApplicationTemplates::decode(FuzzEnvironment::bytes(pData, pSize));
	if (templates)
	{
		(void) templates->getContentBytes();
		for (const auto& entry : templates->getApplicationTemplates())
		{
			(void) templates->contains(entry->getAid());
		}
		(void) templates->contains(QByteArray::fromHex("E80704007F00070302"));
	}
	return 0;
}
