// The answer of a pin-pad reader or a remote reader to a PACE request: PC/SC output (result code,
// length, output data) or the DER of a CCID escape answer.

#include "pinpad/EstablishPaceChannelOutput.h"

#include "FuzzEnvironment.h"

#include <QtEndian>

#include <cstdlib>

using namespace tessarovin;


namespace
{

void inspect(const EstablishPaceChannelOutput& pOutput)
{
	(void) pOutput.getStatusCodeMseSetAt();
	(void) pOutput.isSuccess();
	(void) pOutput.isWrongPassword();
	(void) pOutput.getPaceResult();
}


bool sameFields(const EstablishPaceChannelOutput& pLeft, const EstablishPaceChannelOutput& pRight)
{
	return pLeft.getResultCode() == pRight.getResultCode()
		   && pLeft.getPaceReturnCode() == pRight.getPaceReturnCode()
		   && pLeft.getStatusMseSetAt() == pRight.getStatusMseSetAt()
		   && pLeft.getEfCardAccess() == pRight.getEfCardAccess()
		   && pLeft.getIdIcc() == pRight.getIdIcc()
		   && pLeft.getCarCurr() == pRight.getCarCurr()
		   && pLeft.getCarPrev() == pRight.getCarPrev();
}


QByteArray toPcsc(const EstablishPaceChannelOutput& pOutput)
{
	const QByteArray outputData = pOutput.toOutputData();
	QByteArray length(2, '\0');
	qToLittleEndian<quint16>(static_cast<quint16>(outputData.size()), length.data());
	return pOutput.toResultCode() + length + outputData;
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const QByteArray input = FuzzEnvironment::bytes(pData, pSize);
	// The first byte picks the password, so every kind of PACE result is derived.
	const auto passwordId = static_cast<PacePasswordId>(pSize > 0 ? pData[0] % 5 : 0);

	EstablishPaceChannelOutput pcsc(passwordId);
	const bool pcscRead = pcsc.parse(input);
	inspect(pcsc);
	// What was read is written in the same form and reads back the same.
	if (pcscRead && pcsc.getEfCardAccess().size() <= 0xFFFF)
	{
		EstablishPaceChannelOutput again(passwordId);
		if (!again.parse(toPcsc(pcsc)) || !sameFields(again, pcsc))
		{
			abort();
		}
	}

	EstablishPaceChannelOutput outputData(passwordId);
	(void) outputData.parseOutputData(input);
	inspect(outputData);

	EstablishPaceChannelOutput ccid(passwordId);
	if (ccid.parseFromCcid(input))
	{
		inspect(ccid);
		EstablishPaceChannelOutput again(passwordId);
		if (!again.parseFromCcid(ccid.toCcid()) || !sameFields(again, ccid))
		{
			abort();
		}
	}
	return 0;
}
