#include "Card.h"

#include "Env.h"
#include "LogCategories.h"
#include "VolatileSettings.h"

using namespace tessarovin;

Card::Card()
	: QObject()
{
}


QString Card::generateErrorMessage(const QString& pMessage)
{
	// Remote cards may still report after the registry's cleanup deleted the settings.
	const auto* settings = Env::getSingleton<VolatileSettings>();
	if (settings && settings->isUsedAsSdk() && !pMessage.isNull())
	{
		return settings->getMessages().getSessionFailed();
	}
	return pMessage;
}


QString Card::generateProgressMessage(const QString& pMessage, int pProgress, bool pKeepMessage)
{
	QString base;
	if (const auto* settings = Env::getSingleton<VolatileSettings>(); settings && settings->isUsedAsSdk())
	{
		if (pKeepMessage)
		{
			return pMessage;
		}
		base = settings->getMessages().getSessionInProgress();
	}
	else
	{
		if (pProgress == -1)
		{
			return pMessage;
		}
		base = pMessage;
	}

	const QString progress = QStringLiteral("%1 %").arg(qMax(pProgress, 0));
	return base.isEmpty() ? progress : base + QLatin1Char('\n') + progress;
}


void Card::setProgressMessage(const QString& pMessage, int pProgress)
{
	Q_UNUSED(pMessage)
	Q_UNUSED(pProgress)
}


void Card::setErrorMessage(const QString& pMessage)
{
	Q_UNUSED(pMessage)
}


EstablishPaceChannelOutput Card::establishPaceChannel(PacePasswordId pPasswordId, int pPreferredPinLength, const QByteArray& pChat, const QByteArray& pCertificateDescription)
{
	Q_UNUSED(pPreferredPinLength)
	Q_UNUSED(pChat)
	Q_UNUSED(pCertificateDescription)
	qCWarning(card) << "Establishment of PACE channel not supported";
	return EstablishPaceChannelOutput(pPasswordId, CardReturnCode::COMMAND_FAILED);
}


CardReturnCode Card::destroyPaceChannel()
{
	qCWarning(card) << "Destruction of PACE channel not supported";
	return CardReturnCode::COMMAND_FAILED;
}


ResponseApduResult Card::setEidPin(uchar pTimeoutSeconds)
{
	Q_UNUSED(pTimeoutSeconds)
	qCWarning(card) << "Setting eID PIN is not supported";
	return {CardReturnCode::COMMAND_FAILED, ResponseApdu()};
}


ResponseApduResult Card::getChallenge()
{
	qCWarning(card) << "Getting challenge is not supported";
	return {CardReturnCode::COMMAND_FAILED, ResponseApdu()};
}


TerminalAndChipAuthenticationResult Card::performTAandCA(
		const CVCertificateChain& pTerminalCvcChain,
		const QByteArray& pAuxiliaryData,
		const QByteArray& pSignature,
		const QByteArray& pPin,
		const QByteArray& pEphemeralPublicKey)
{
	Q_UNUSED(pTerminalCvcChain)
	Q_UNUSED(pAuxiliaryData)
	Q_UNUSED(pSignature)
	Q_UNUSED(pPin)
	Q_UNUSED(pEphemeralPublicKey)
	qCWarning(card) << "Performing terminal and card authentication is not supported";
	return {CardReturnCode::COMMAND_FAILED, QByteArray(), QByteArray(), QByteArray()};
}
