// The card's answers: a response APDU and the dynamic authentication data of GENERAL AUTHENTICATE
// in the five forms PACE and chip authentication read.

#include "apdu/GeneralAuthenticateResponse.h"
#include "apdu/ResponseApdu.h"

#include "FuzzEnvironment.h"

#include <QDebug>

#include <cstdlib>

using namespace tessarovin;


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const QByteArray input = FuzzEnvironment::bytes(pData, pSize);
	const ResponseApdu response(input);
	(void) response.getStatusCode();
	(void) response.getRetryCounter();
	(void) response.isEmpty();
	qDebug() << response;

	// A response with a status word is forwarded as the same bytes.
	if (input.size() >= 2 && response.getStatusBytes() == input.right(2) && QByteArray(response) != input)
	{
		abort();
	}

	(void) GAEncryptedNonceResponse(response).getEncryptedNonce();
	(void) GAMapNonceResponse(response).getMappingData();
	(void) GAPerformKeyAgreementResponse(response).getEphemeralPublicKey();

	const GAMutualAuthenticationResponse mutual(response);
	(void) mutual.getAuthenticationToken();
	(void) mutual.getCarCurr();
	(void) mutual.getCarPrev();

	const GAChipAuthenticationResponse chip(response);
	(void) chip.getNonce();
	(void) chip.getAuthenticationToken();
	return 0;
}
