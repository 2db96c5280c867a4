#pragma once

#include "paos/received/DidAuthenticateMessage.h"
#include "paos/received/Eac2InputType.h"

namespace tessarovin
{

// The server's DIDAuthenticate with EAC2InputType, which starts terminal and chip authentication.
class DIDAuthenticateEAC2
	: public DidAuthenticateMessage
{
	private:
		Eac2InputType mEac2;

	public:
		DIDAuthenticateEAC2();
		~DIDAuthenticateEAC2() override;

		void setEac2InputType(const Eac2InputType& pEac2);

		[[nodiscard]] const QList<QSharedPointer<const cvcertificate_st>>& getCvCertificates() const;
		[[nodiscard]] const QString& getEphemeralPublicKey() const;
		[[nodiscard]] const QString& getSignature() const;
};

} // namespace tessarovin
