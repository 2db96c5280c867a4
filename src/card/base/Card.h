#pragma once

#include "apdu/CardReturnCode.h"
#include "apdu/CommandApdu.h"
#include "apdu/ResponseApduResult.h"
#include "pinpad/EstablishPaceChannelOutput.h"
#include "pinpad/PacePasswordId.h"
#include "TerminalAndChipAuthenticationResult.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace tessarovin
{

class CVCertificateChain;

// The card in a reader. Lives on the reader manager's thread and is used there only.
class Card
	: public QObject
{
	Q_OBJECT

	public:
		Card();
		~Card() override = default;

		// While used as SDK the caller's own failure text is shown on a remote device.
		static QString generateErrorMessage(const QString& pMessage);
		static QString generateProgressMessage(const QString& pMessage, int pProgress = -1, bool pKeepMessage = false);

		virtual CardReturnCode establishConnection() = 0;
		virtual CardReturnCode releaseConnection() = 0;
		[[nodiscard]] virtual bool isConnected() const = 0;
		virtual void setProgressMessage(const QString& pMessage, int pProgress = -1);
		virtual void setErrorMessage(const QString& pMessage);
		virtual ResponseApduResult transmit(const CommandApdu& pCommand) = 0;

		// The PIN length is 5 or 6.
		virtual EstablishPaceChannelOutput establishPaceChannel(PacePasswordId pPasswordId,
				int pPreferredPinLength,
				const QByteArray& pChat,
				const QByteArray& pCertificateDescription);
		virtual CardReturnCode destroyPaceChannel();
		virtual ResponseApduResult setEidPin(uchar pTimeoutSeconds);
		virtual ResponseApduResult getChallenge();
		virtual TerminalAndChipAuthenticationResult performTAandCA(
				const CVCertificateChain& pTerminalCvcChain,
				const QByteArray& pAuxiliaryData,
				const QByteArray& pSignature,
				const QByteArray& pPin,
				const QByteArray& pEphemeralPublicKey);
};

} // namespace tessarovin
