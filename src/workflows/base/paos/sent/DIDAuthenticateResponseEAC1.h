#pragma once

#include "paos/ResponseType.h"
#include "paos/sent/PaosCreator.h"
#include "pinpad/EstablishPaceChannelOutput.h"

#include <QByteArray>
#include <QList>

namespace tessarovin
{

// The answer to the EAC1 request after PACE: the effective CHAT, the card's certification
// authority references, EF.CardAccess, its IDPICC and the challenge for terminal authentication.
// Values are stored as the text to send (hexadecimal, the references as the card gave them).
class DIDAuthenticateResponseEAC1
	: public PaosCreator
	, public ResponseType
{
	private:
		QByteArray mCertificateHolderAuthorizationTemplate;
		QList<QByteArray> mCertificationAuthorityReferences;
		QByteArray mEfCardAccess;
		QByteArray mIdPicc;
		QByteArray mChallenge;

	protected:
		void createBodyElement(QXmlStreamWriter& pWriter) override;

	public:
		DIDAuthenticateResponseEAC1();
		~DIDAuthenticateResponseEAC1() override;

		using PaosCreator::setRelatesTo;

		// A null CHAT writes no element.
		void setCertificateHolderAuthorizationTemplate(const QByteArray& pChat);
		// Appends the current reference and, when the card has one, the previous.
		void setCertificationAuthorityReference(const EstablishPaceChannelOutput& pPaceOutput);
		void setEfCardAccess(const QByteArray& pEfCardAccess);
		void setIdPicc(const QByteArray& pIdPicc);
		[[nodiscard]] const QByteArray& getChallenge() const;
		void setChallenge(const QByteArray& pChallenge);
};

} // namespace tessarovin
