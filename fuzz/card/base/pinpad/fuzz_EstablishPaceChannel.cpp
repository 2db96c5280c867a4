// A PACE request for a reader with a pin pad, as the remote reader service receives it: the ASN.1
// command form (FF 9A 04 02) or the PC/SC input data.

#include "pinpad/EstablishPaceChannel.h"

#include "FuzzEnvironment.h"

#include <cstdlib>

using namespace tessarovin;


namespace
{

bool sameFields(const EstablishPaceChannel& pLeft, const EstablishPaceChannel& pRight)
{
	return pLeft.getPasswordId() == pRight.getPasswordId()
		   && pLeft.getChat() == pRight.getChat()
		   && pLeft.getCertificateDescription() == pRight.getCertificateDescription();
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const QByteArray input = FuzzEnvironment::bytes(pData, pSize);

	// Both parsers see every input; a receiver would pick one by isCcid.
	EstablishPaceChannel fromCcid;
	if (fromCcid.fromCcid(input))
	{
		// A request that was read is passed on in the same form and reads back the same.
		EstablishPaceChannel again;
		if (!again.fromCcid(fromCcid.createCommandDataCcid()) || !sameFields(again, fromCcid))
		{
			abort();
		}
		(void) fromCcid.createASN1Struct();
	}
	(void) EstablishPaceChannel::isCcid(input);

	EstablishPaceChannel fromInputData;
	if (fromInputData.fromInputData(input))
	{
		EstablishPaceChannel again;
		if (!again.fromInputData(fromInputData.createInputData()) || !sameFields(again, fromInputData))
		{
			abort();
		}
		(void) fromInputData.createCommandDataCcid();
	}
	return 0;
}
