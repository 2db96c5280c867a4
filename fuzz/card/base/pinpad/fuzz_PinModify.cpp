// The PIN_MODIFY structure a remote reader receives; it reads the time-out and builds its own.

#include "pinpad/PinModify.h"

#include "FuzzEnvironment.h"

#include <cstdlib>

using namespace tessarovin;


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const PinModify pinModify(FuzzEnvironment::bytes(pData, pSize));
	const QByteArray structure = pinModify.createCcid();
	if (structure.size() != 28 || PinModify(structure).getTimeoutSeconds() != pinModify.getTimeoutSeconds())
	{
		abort();
	}
	return 0;
}
