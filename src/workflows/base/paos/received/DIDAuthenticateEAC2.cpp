#include "paos/received/DIDAuthenticateEAC2.h"

using namespace tessarovin;


DIDAuthenticateEAC2::DIDAuthenticateEAC2()
	: DidAuthenticateMessage(PaosType::DID_AUTHENTICATE_EAC2)
	, mEac2()
{
}


DIDAuthenticateEAC2::~DIDAuthenticateEAC2() = default;


void DIDAuthenticateEAC2::setEac2InputType(const Eac2InputType& pEac2)
{
	mEac2 = pEac2;
}


const QList<QSharedPointer<const cvcertificate_st>>& DIDAuthenticateEAC2::getCvCertificates() const
{
	return mEac2.getCvCertificates();
}


const QString& DIDAuthenticateEAC2::getEphemeralPublicKey() const
{
	return mEac2.getEphemeralPublicKey();
}


const QString& DIDAuthenticateEAC2::getSignature() const
{
	return mEac2.getSignature();
}
