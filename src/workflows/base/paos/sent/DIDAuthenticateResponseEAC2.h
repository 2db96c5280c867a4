#pragma once

#include "paos/ResponseType.h"
#include "paos/sent/PaosCreator.h"

#include <QByteArray>

namespace tessarovin
{

// The answer to the EAC2 request after chip authentication: EF.CardSecurity, the card's
// authentication token and nonce. It also asks for additional input, then with the challenge alone.
// Values are hexadecimal text; a null value writes no element.
class DIDAuthenticateResponseEAC2
	: public PaosCreator
	, public ResponseType
{
	private:
		QByteArray mEfCardSecurity;
		QByteArray mAuthenticationToken;
		QByteArray mNonce;
		QByteArray mChallenge;

	protected:
		void createBodyElement(QXmlStreamWriter& pWriter) override;

	public:
		DIDAuthenticateResponseEAC2();
		~DIDAuthenticateResponseEAC2() override;

		using PaosCreator::setRelatesTo;

		void setEfCardSecurity(const QByteArray& pEfCardSecurity);
		void setAuthenticationToken(const QByteArray& pAuthenticationToken);
		void setNonce(const QByteArray& pNonce);
		[[nodiscard]] const QByteArray& getChallenge() const;
		void setChallenge(const QByteArray& pChallenge);
};

} // namespace tessarovin
