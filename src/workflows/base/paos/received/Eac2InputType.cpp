#include "paos/received/Eac2InputType.h"

using namespace tessarovin;


Eac2InputType::~Eac2InputType() = default;


const QList<QSharedPointer<const cvcertificate_st>>& Eac2InputType::getCvCertificates() const
{
	return mCvCertificates;
}


void Eac2InputType::appendCvcert(const QSharedPointer<const cvcertificate_st>& pCvCertificate)
{
	mCvCertificates += pCvCertificate;
}


const QString& Eac2InputType::getSignature() const
{
	return mSignature;
}


void Eac2InputType::setSignature(const QString& pSignature)
{
	mSignature = pSignature;
}


const QString& Eac2InputType::getEphemeralPublicKey() const
{
	return mEphemeralPublicKey;
}


void Eac2InputType::setEphemeralPublicKey(const QString& pEphemeralPublicKey)
{
	mEphemeralPublicKey = pEphemeralPublicKey;
}
