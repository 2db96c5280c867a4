#pragma once

#include "paos/received/DidAuthenticateMessage.h"

#include <QString>

namespace tessarovin
{

// The server's DIDAuthenticate with EACAdditionalInputType: the terminal's signature, asked for
// when the EAC2 request came without one.
class DIDAuthenticateEACAdditional
	: public DidAuthenticateMessage
{
	private:
		QString mSignature;

	public:
		DIDAuthenticateEACAdditional();
		~DIDAuthenticateEACAdditional() override;

		// Hexadecimal text as received.
		[[nodiscard]] const QString& getSignature() const;
		void setSignature(const QString& pSignature);
};

} // namespace tessarovin
