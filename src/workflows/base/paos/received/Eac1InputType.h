#pragma once

#include "asn1/AccessRoleAndRightsUtil.h"
#include "asn1/AuthenticatedAuxiliaryData.h"
#include "asn1/CertificateDescription.h"
#include "asn1/Chat.h"
#include "asn1/CVCertificate.h"
#include "context/WorkflowContext.h"

#include <QByteArray>
#include <QList>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

// The content of an EAC1InputType: what the provider asks the user to approve. The certificate
// description and the auxiliary data are kept both as received bytes and decoded, since the
// description's hash is checked over the exact bytes and the card receives the auxiliary data as sent.
class Eac1InputType
{
	private:
		QList<QSharedPointer<const cvcertificate_st>> mCvCertificates;
		QByteArray mCertificateDescriptionAsBinary;
		QSharedPointer<const CertificateDescription> mCertificateDescription;
		QSharedPointer<const chat_st> mRequiredChat;
		QSharedPointer<const chat_st> mOptionalChat;
		QByteArray mAuthenticatedAuxiliaryDataAsBinary;
		QSharedPointer<const AuthenticatedAuxiliaryData> mAuthenticatedAuxiliaryData;
		QString mTransactionInfo;
		QList<AcceptedEidType> mAcceptedEidTypes;

	public:
		[[nodiscard]] const QList<QSharedPointer<const cvcertificate_st>>& getCvCertificates() const;
		// The certificates whose CHAT names one of the roles, in received order.
		[[nodiscard]] QList<QSharedPointer<const cvcertificate_st>> getCvCertificates(const QList<AccessRole>& pRoles) const;
		void appendCvcert(const QSharedPointer<const cvcertificate_st>& pCvCertificate);

		[[nodiscard]] const QByteArray& getCertificateDescriptionAsBinary() const;
		[[nodiscard]] const QSharedPointer<const CertificateDescription>& getCertificateDescription() const;
		void setCertificateDescription(const QByteArray& pBytes, const QSharedPointer<const CertificateDescription>& pDescription);

		[[nodiscard]] const QSharedPointer<const chat_st>& getRequiredChat() const;
		void setRequiredChat(const QSharedPointer<const chat_st>& pChat);

		[[nodiscard]] const QSharedPointer<const chat_st>& getOptionalChat() const;
		void setOptionalChat(const QSharedPointer<const chat_st>& pChat);

		[[nodiscard]] const QByteArray& getAuthenticatedAuxiliaryDataAsBinary() const;
		[[nodiscard]] const QSharedPointer<const AuthenticatedAuxiliaryData>& getAuthenticatedAuxiliaryData() const;
		void setAuthenticatedAuxiliaryData(const QByteArray& pBytes, const QSharedPointer<const AuthenticatedAuxiliaryData>& pData);

		[[nodiscard]] const QString& getTransactionInfo() const;
		void setTransactionInfo(const QString& pTransactionInfo);

		[[nodiscard]] const QList<AcceptedEidType>& getAcceptedEidTypes() const;
		void setAcceptedEidTypes(const QList<AcceptedEidType>& pAcceptedEidTypes);
};

} // namespace tessarovin
