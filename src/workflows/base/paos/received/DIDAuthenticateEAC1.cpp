#include "paos/received/DIDAuthenticateEAC1.h"

using namespace tessarovin;


DIDAuthenticateEAC1::DIDAuthenticateEAC1()
	: DidAuthenticateMessage(PaosType::DID_AUTHENTICATE_EAC1)
	, mEac1()
{
}


DIDAuthenticateEAC1::~DIDAuthenticateEAC1() = default;


void DIDAuthenticateEAC1::setEac1InputType(const Eac1InputType& pEac1)
{
	mEac1 = pEac1;
}


const QList<QSharedPointer<const cvcertificate_st>>& DIDAuthenticateEAC1::getCvCertificates() const
{
	return mEac1.getCvCertificates();
}


QList<QSharedPointer<const cvcertificate_st>> DIDAuthenticateEAC1::getCvCertificates(const QList<AccessRole>& pRoles) const
{
	return mEac1.getCvCertificates(pRoles);
}


const QByteArray& DIDAuthenticateEAC1::getCertificateDescriptionAsBinary() const
{
	return mEac1.getCertificateDescriptionAsBinary();
}


const QSharedPointer<const CertificateDescription>& DIDAuthenticateEAC1::getCertificateDescription() const
{
	return mEac1.getCertificateDescription();
}


const QSharedPointer<const chat_st>& DIDAuthenticateEAC1::getRequiredChat() const
{
	return mEac1.getRequiredChat();
}


const QSharedPointer<const chat_st>& DIDAuthenticateEAC1::getOptionalChat() const
{
	return mEac1.getOptionalChat();
}


const QByteArray& DIDAuthenticateEAC1::getAuthenticatedAuxiliaryDataAsBinary() const
{
	return mEac1.getAuthenticatedAuxiliaryDataAsBinary();
}


const QSharedPointer<const AuthenticatedAuxiliaryData>& DIDAuthenticateEAC1::getAuthenticatedAuxiliaryData() const
{
	return mEac1.getAuthenticatedAuxiliaryData();
}


const QString& DIDAuthenticateEAC1::getTransactionInfo() const
{
	return mEac1.getTransactionInfo();
}


const QList<AcceptedEidType>& DIDAuthenticateEAC1::getAcceptedEidTypes() const
{
	return mEac1.getAcceptedEidTypes();
}
