#pragma once

#include "paos/received/DidAuthenticateMessage.h"
#include "paos/received/Eac1InputType.h"

namespace tessarovin
{

// The server's DIDAuthenticate with EAC1InputType: the provider's certificates, description and
// requested rights. The authentication context keeps it for the states that check and show them.
class DIDAuthenticateEAC1
	: public DidAuthenticateMessage
{
	private:
		Eac1InputType mEac1;

	public:
		DIDAuthenticateEAC1();
		~DIDAuthenticateEAC1() override;

		void setEac1InputType(const Eac1InputType& pEac1);

		[[nodiscard]] const QList<QSharedPointer<const cvcertificate_st>>& getCvCertificates() const;
		[[nodiscard]] QList<QSharedPointer<const cvcertificate_st>> getCvCertificates(const QList<AccessRole>& pRoles) const;
		[[nodiscard]] const QByteArray& getCertificateDescriptionAsBinary() const;
		[[nodiscard]] const QSharedPointer<const CertificateDescription>& getCertificateDescription() const;
		[[nodiscard]] const QSharedPointer<const chat_st>& getRequiredChat() const;
		[[nodiscard]] const QSharedPointer<const chat_st>& getOptionalChat() const;
		[[nodiscard]] const QByteArray& getAuthenticatedAuxiliaryDataAsBinary() const;
		[[nodiscard]] const QSharedPointer<const AuthenticatedAuxiliaryData>& getAuthenticatedAuxiliaryData() const;
		[[nodiscard]] const QString& getTransactionInfo() const;
		[[nodiscard]] const QList<AcceptedEidType>& getAcceptedEidTypes() const;
};

} // namespace tessarovin
