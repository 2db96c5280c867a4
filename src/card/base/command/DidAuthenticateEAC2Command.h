#pragma once

#include "asn1/ChipAuthenticationInfo.h"
#include "asn1/CVCertificateChain.h"
#include "asn1/Oid.h"
#include "command/BaseCardCommand.h"

#include <QByteArray>
#include <QSharedPointer>

namespace tessarovin
{

// Terminal Authentication with the eID server's chain and signature, the read of EF.CardSecurity
// and Chip Authentication with the server's ephemeral key. The server then holds the keys of
// the new secure channel; this command only hands on nonce and token.
class DidAuthenticateEAC2Command
	: public BaseCardCommand
{
	Q_OBJECT

	private:
		const CVCertificateChain mCvcChain;
		const QByteArray mEphemeralPublicKeyAsHex;
		const QByteArray mSignatureAsHex;
		const QByteArray mAuthenticatedAuxiliaryDataAsBinary;
		QByteArray mPin;
		QByteArray mCardSecurity;
		QByteArray mNonceAsHex;
		QByteArray mAuthTokenAsHex;

		CardReturnCode putCertificateChain(const CVCertificateChain& pChain);
		CardReturnCode performTerminalAuthentication(const Oid& pTaProtocol,
				const QByteArray& pChr,
				const QByteArray& pAuxiliaryData,
				const QByteArray& pCompressedEphemeralPublicKey,
				const QByteArray& pSignature);
		CardReturnCode performChipAuthentication(const QSharedPointer<const ChipAuthenticationInfo>& pChipAuthenticationInfo,
				const QByteArray& pEphemeralPublicKey);

	protected:
		void internalExecute() override;

	public:
		DidAuthenticateEAC2Command(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker,
				const CVCertificateChain& pChain,
				const QByteArray& pEphemeralPublicKeyAsHex,
				const QByteArray& pSignatureAsHex,
				const QByteArray& pAuthenticatedAuxiliaryDataAsBinary,
				const QByteArray& pPin);
		~DidAuthenticateEAC2Command() override;

		[[nodiscard]] const QByteArray& getCardSecurity() const;
		[[nodiscard]] const QByteArray& getNonceAsHex() const;
		[[nodiscard]] const QByteArray& getAuthTokenAsHex() const;
};

} // namespace tessarovin
