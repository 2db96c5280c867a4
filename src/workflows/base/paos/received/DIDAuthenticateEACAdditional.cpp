#include "paos/received/DIDAuthenticateEACAdditional.h"

using namespace tessarovin;


DIDAuthenticateEACAdditional::DIDAuthenticateEACAdditional()
	: DidAuthenticateMessage(PaosType::DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE)
	, mSignature()
{
}


DIDAuthenticateEACAdditional::~DIDAuthenticateEACAdditional() = default;


const QString& DIDAuthenticateEACAdditional::getSignature() const
{
	return mSignature;
}


void DIDAuthenticateEACAdditional::setSignature(const QString& pSignature)
{
	mSignature = pSignature;
}
