#include "paos/received/Eac1InputType.h"

using namespace tessarovin;


const QList<QSharedPointer<const cvcertificate_st>>& Eac1InputType::getCvCertificates() const
{
	return mCvCertificates;
}


QList<QSharedPointer<const cvcertificate_st>> Eac1InputType::getCvCertificates(const QList<AccessRole>& pRoles) const
{
	QList<QSharedPointer<const cvcertificate_st>> certificates;
	for (const auto& certificate : mCvCertificates)
	{
		if (pRoles.contains(certificate->getBody().getCHAT().getAccessRole()))
		{
			certificates += certificate;
		}
	}
	return certificates;
}


void Eac1InputType::appendCvcert(const QSharedPointer<const cvcertificate_st>& pCvCertificate)
{
	mCvCertificates += pCvCertificate;
}


const QByteArray& Eac1InputType::getCertificateDescriptionAsBinary() const
{
	return mCertificateDescriptionAsBinary;
}


const QSharedPointer<const CertificateDescription>& Eac1InputType::getCertificateDescription() const
{
	return mCertificateDescription;
}


void Eac1InputType::setCertificateDescription(const QByteArray& pBytes, const QSharedPointer<const CertificateDescription>& pDescription)
{
	mCertificateDescriptionAsBinary = pBytes;
	mCertificateDescription = pDescription;
}


const QSharedPointer<const chat_st>& Eac1InputType::getRequiredChat() const
{
	return mRequiredChat;
}


void Eac1InputType::setRequiredChat(const QSharedPointer<const chat_st>& pChat)
{
	mRequiredChat = pChat;
}


const QSharedPointer<const chat_st>& Eac1InputType::getOptionalChat() const
{
	return mOptionalChat;
}


void Eac1InputType::setOptionalChat(const QSharedPointer<const chat_st>& pChat)
{
	mOptionalChat = pChat;
}


const QByteArray& Eac1InputType::getAuthenticatedAuxiliaryDataAsBinary() const
{
	return mAuthenticatedAuxiliaryDataAsBinary;
}


const QSharedPointer<const AuthenticatedAuxiliaryData>& Eac1InputType::getAuthenticatedAuxiliaryData() const
{
	return mAuthenticatedAuxiliaryData;
}


void Eac1InputType::setAuthenticatedAuxiliaryData(const QByteArray& pBytes, const QSharedPointer<const AuthenticatedAuxiliaryData>& pData)
{
	mAuthenticatedAuxiliaryDataAsBinary = pBytes;
	mAuthenticatedAuxiliaryData = pData;
}


const QString& Eac1InputType::getTransactionInfo() const
{
	return mTransactionInfo;
}


void Eac1InputType::setTransactionInfo(const QString& pTransactionInfo)
{
	mTransactionInfo = pTransactionInfo;
}


const QList<AcceptedEidType>& Eac1InputType::getAcceptedEidTypes() const
{
	return mAcceptedEidTypes;
}


void Eac1InputType::setAcceptedEidTypes(const QList<AcceptedEidType>& pAcceptedEidTypes)
{
	mAcceptedEidTypes = pAcceptedEidTypes;
}
