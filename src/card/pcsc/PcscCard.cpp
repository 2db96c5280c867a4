#include "PcscCard.h"

#include "LogCategories.h"
#include "LogHandler.h"
#include "PcscReader.h"
#include "pinpad/DestroyPaceChannel.h"
#include "pinpad/EstablishPaceChannel.h"
#include "pinpad/PinModify.h"
#include "SCardApi.h"

using namespace tessarovin;
using pcsc::PcscReturnCode;

namespace
{

constexpr DWORD cReceiveBufferSize = 8192;
constexpr DWORD cControlBufferSize = 2048;


QString protocolToString(DWORD pProtocol)
{
	switch (pProtocol)
	{
		case SCARD_PROTOCOL_UNDEFINED:
			return QStringLiteral("SCARD_PROTOCOL_UNDEFINED");

		case SCARD_PROTOCOL_T0:
			return QStringLiteral("SCARD_PROTOCOL_T0");

		case SCARD_PROTOCOL_T1:
			return QStringLiteral("SCARD_PROTOCOL_T1");

		case SCARD_PROTOCOL_RAW:
			return QStringLiteral("SCARD_PROTOCOL_RAW");

		default:
			qCWarning(card_pcsc) << "Unknown value of SCARD_PROTOCOL:" << pProtocol;
			return QString();
	}
}


} // namespace


PcscCard::PcscCard(PcscReader* pPcscReader)
	: Card()
	, mReader(pPcscReader)
	, mProtocol(SCARD_PROTOCOL_UNDEFINED)
	, mContextHandle(0)
	, mCardHandle(0)
	, mKeepAliveTimer()
{
	// A failure shows at establishConnection, which cannot connect without the context.
	const auto returnCode = SCardApi::getInstance().establishContext(SCARD_SCOPE_USER, &mContextHandle);
	qCDebug(card_pcsc) << "SCardEstablishContext for" << getReaderName() << ":" << returnCode;

	mKeepAliveTimer.setInterval(4000);
	connect(&mKeepAliveTimer, &QTimer::timeout, this, &PcscCard::sendSCardStatus);
}


PcscCard::~PcscCard()
{
	qCDebug(card_pcsc) << getReaderName();

	if (isConnected())
	{
		releaseConnection();
	}

	const auto returnCode = SCardApi::getInstance().releaseContext(mContextHandle);
	qCDebug(card_pcsc) << "SCardReleaseContext for" << getReaderName() << ":" << returnCode;
	mContextHandle = 0;
}


QString PcscCard::getReaderName() const
{
	return mReader ? mReader->getName() : QString();
}


CardReturnCode PcscCard::establishConnection()
{
	if (isConnected())
	{
		qCCritical(card_pcsc) << "Card is already connected";
		return CardReturnCode::COMMAND_FAILED;
	}

	if (!mReader)
	{
		qCCritical(card_pcsc) << "Reader is gone";
		return CardReturnCode::COMMAND_FAILED;
	}

	auto& api = SCardApi::getInstance();
	const QString readerName = getReaderName();
	const auto returnCode = api.connect(mContextHandle, mReader->getReaderState().szReader,
			SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &mCardHandle, &mProtocol);
	qCDebug(card_pcsc) << "SCardConnect for" << readerName << ":" << returnCode
					   << "| cardHandle:" << mCardHandle << "| protocol:" << protocolToString(mProtocol);
	if (returnCode != pcsc::Scard_S_Success)
	{
		// The platform may have written the handle before it failed.
		mCardHandle = 0;
		mProtocol = SCARD_PROTOCOL_UNDEFINED;
		return CardReturnCode::COMMAND_FAILED;
	}

	const auto transactionCode = api.beginTransaction(mCardHandle);
	qCDebug(card_pcsc) << "SCardBeginTransaction for" << readerName << ":" << transactionCode;
	if (transactionCode != pcsc::Scard_S_Success)
	{
		api.disconnect(mCardHandle, SCARD_LEAVE_CARD);
		mCardHandle = 0;
		mProtocol = SCARD_PROTOCOL_UNDEFINED;
		return CardReturnCode::COMMAND_FAILED;
	}

	mKeepAliveTimer.start();
	return CardReturnCode::OK;
}


CardReturnCode PcscCard::releaseConnection()
{
	if (!isConnected())
	{
		qCCritical(card_pcsc) << "Card is already disconnected";
		return CardReturnCode::COMMAND_FAILED;
	}

	auto& api = SCardApi::getInstance();
	mKeepAliveTimer.stop();
	const auto endCode = api.endTransaction(mCardHandle, SCARD_LEAVE_CARD);
	qCDebug(card_pcsc) << "SCardEndTransaction for" << getReaderName() << ":" << endCode;

	const auto returnCode = api.disconnect(mCardHandle, SCARD_RESET_CARD);
	mCardHandle = 0;
	mProtocol = SCARD_PROTOCOL_UNDEFINED;
	qCDebug(card_pcsc) << "SCardDisconnect for" << getReaderName() << ":" << returnCode;

	return returnCode == pcsc::Scard_S_Success ? CardReturnCode::OK : CardReturnCode::COMMAND_FAILED;
}


bool PcscCard::isConnected() const
{
	return mCardHandle != 0;
}


ResponseApduResult PcscCard::transmit(const CommandApdu& pCommand)
{
	if (!isConnected())
	{
		qCCritical(card_pcsc) << "Card is not connected, abort transmit";
		return {CardReturnCode::COMMAND_FAILED, ResponseApdu()};
	}

	const auto result = transmit(QByteArray(pCommand));
	if (result.mReturnCode != pcsc::Scard_S_Success)
	{
		return {CardReturnCode::COMMAND_FAILED, ResponseApdu()};
	}

	return {CardReturnCode::OK, ResponseApdu(result.mResponse)};
}


PcscCard::CardResult PcscCard::transmit(const QByteArray& pSendBuffer) const
{
	const SCARD_IO_REQUEST* sendPci = nullptr;
	switch (mProtocol)
	{
		case SCARD_PROTOCOL_T0:
			sendPci = SCARD_PCI_T0;
			break;

		case SCARD_PROTOCOL_T1:
			sendPci = SCARD_PCI_T1;
			break;

		case SCARD_PROTOCOL_RAW:
			sendPci = SCARD_PCI_RAW;
			break;

		default:
			qCDebug(card_pcsc) << "unsupported protocol";
			return {pcsc::Scard_E_Proto_Mismatch, QByteArray()};
	}

	const auto result = transmit(pSendBuffer, sendPci);
	if (result.mReturnCode != pcsc::Scard_W_Reset_Card || CommandApdu(pSendBuffer).isSecureMessaging())
	{
		// A secure-messaging command cannot be repeated after a reset: the card has lost its session keys.
		return result;
	}

	// Another program reset the card. A plain command may be sent again after a reconnect.
	auto& api = SCardApi::getInstance();
	const auto reconnectCode = api.reconnect(mCardHandle, SCARD_SHARE_SHARED, mProtocol, SCARD_RESET_CARD, nullptr);
	qCDebug(card_pcsc) << "Reconnect to Card";
	if (reconnectCode != pcsc::Scard_S_Success)
	{
		qCCritical(card_pcsc) << "SCardReconnect failed:" << reconnectCode;
		return {reconnectCode, QByteArray()};
	}

	const auto transactionCode = api.beginTransaction(mCardHandle);
	qCDebug(card_pcsc) << "SCardBeginTransaction:" << transactionCode;
	return transmit(pSendBuffer, sendPci);
}


PcscCard::CardResult PcscCard::transmit(const QByteArray& pSendBuffer, const SCARD_IO_REQUEST* pSendPci) const
{
	QByteArray receiveBuffer(cReceiveBufferSize, '\0');
	SCARD_IO_REQUEST receivePci {mProtocol, sizeof(SCARD_IO_REQUEST)};
	DWORD receiveLength = cReceiveBufferSize;

	writeMaskedBytes(qDebug(card_pcsc) << "Transmit command APDU::", pSendBuffer);
	const auto returnCode = SCardApi::getInstance().transmit(mCardHandle, pSendPci,
			reinterpret_cast<const uchar*>(pSendBuffer.constData()), static_cast<DWORD>(pSendBuffer.size()),
			&receivePci, reinterpret_cast<uchar*>(receiveBuffer.data()), &receiveLength);
	qCDebug(card_pcsc) << "Transmit for" << getReaderName() << ":" << returnCode;

	switch (returnCode)
	{
		case pcsc::Scard_S_Success:
			break;

		case pcsc::Scard_E_Invalid_Handle:
		case pcsc::Scard_E_Invalid_Parameter:
		case pcsc::Scard_E_No_Smartcard:
		case pcsc::Scard_E_Proto_Mismatch:
		case pcsc::Scard_E_Invalid_Value:
		case pcsc::Scard_F_Comm_Error:
		case pcsc::Scard_E_Not_Transacted:
		case pcsc::Scard_E_Reader_Unavailable:
		case pcsc::Scard_E_No_Service:
		case pcsc::Scard_W_Reset_Card:
		case pcsc::Scard_W_Removed_Card:
			return {returnCode, QByteArray()};

		case pcsc::Scard_E_Insufficient_Buffer:
			qCCritical(card_pcsc) << "Max allowed receive buffer size of" << cReceiveBufferSize << "exceeded. Expected size is" << receiveLength;
			return {returnCode, QByteArray()};

		default:
			qCCritical(card_pcsc) << "Unexpected returnCode:" << returnCode;
			return {returnCode, QByteArray()};
	}

	// A platform that claims more than the buffer holds must not make us read past it.
	if (receiveLength > cReceiveBufferSize)
	{
		qCCritical(card_pcsc) << "Max allowed receive buffer size of" << cReceiveBufferSize << "exceeded. Expected size is" << receiveLength;
		return {pcsc::Scard_E_Insufficient_Buffer, QByteArray()};
	}

	receiveBuffer.resize(static_cast<qsizetype>(receiveLength));
	writeMaskedBytes(qDebug(card_pcsc) << "Transmit response APDU:", receiveBuffer);
	if (receiveBuffer.size() < 2)
	{
		qCCritical(card_pcsc) << "Response buffer smaller than 2";
		return {pcsc::Scard_F_Unknown_Error, QByteArray()};
	}

	return {pcsc::Scard_S_Success, receiveBuffer};
}


PcscCard::CardResult PcscCard::control(DWORD pControlCode, const QByteArray& pCommand) const
{
	QByteArray buffer(cControlBufferSize, '\0');
	DWORD bytesReturned = 0;

	qCDebug(card_pcsc) << "SCardControl cmdBuffer:" << pCommand.toHex();
	const auto returnCode = SCardApi::getInstance().control(mCardHandle, pControlCode,
			pCommand.constData(), static_cast<DWORD>(pCommand.size()),
			buffer.data(), cControlBufferSize, &bytesReturned);
	if (returnCode != pcsc::Scard_S_Success)
	{
		bytesReturned = 0;
	}

	if (bytesReturned > cControlBufferSize)
	{
		qCCritical(card_pcsc) << "Buffer size smaller than read length";
		return {pcsc::Scard_F_Unknown_Error, QByteArray()};
	}

	buffer.resize(static_cast<qsizetype>(bytesReturned));
	qCDebug(card_pcsc) << "SCardControl for" << getReaderName() << ":" << returnCode << buffer.toHex();
	return {returnCode, buffer};
}


void PcscCard::sendSCardStatus()
{
	SCardApi::getInstance().status(mCardHandle);
}


bool PcscCard::readerHasFeature(FeatureID pFeatureID) const
{
	return mReader && mReader->hasFeature(pFeatureID);
}


EstablishPaceChannelOutput PcscCard::establishPaceChannel(PacePasswordId pPasswordId,
		int pPreferredPinLength,
		const QByteArray& pChat,
		const QByteArray& pCertificateDescription)
{
	// The pin pad asks for the PIN itself and knows its length.
	Q_UNUSED(pPreferredPinLength)

	if (!readerHasFeature(FeatureID::EXECUTE_PACE))
	{
		return EstablishPaceChannelOutput(pPasswordId, CardReturnCode::COMMAND_FAILED);
	}

	const EstablishPaceChannel channel(pPasswordId, pChat, pCertificateDescription);
	const auto controlCode = static_cast<DWORD>(mReader->getFeatureValue(FeatureID::EXECUTE_PACE));
	const auto result = control(controlCode, channel.createASN1Struct());
	if (result.mReturnCode != pcsc::Scard_S_Success)
	{
		qCWarning(card_pcsc) << "Control to establish PACE channel failed";
		return EstablishPaceChannelOutput(pPasswordId, CardReturnCode::COMMAND_FAILED);
	}

	EstablishPaceChannelOutput output(pPasswordId, CardReturnCode::UNDEFINED);
	if (!output.parse(result.mResponse))
	{
		qCWarning(card_pcsc) << "Parsing of EstablishPaceChannelOutput failed";

		// A result code of success whose output data is cut off or garbled lacks what the next
		// steps need (EF.CardAccess, the card's status): it is no successful PACE. Other result
		// codes (cancelled, wrong PIN) stand as the reader sent them.
		if (output.isSuccess())
		{
			output.setPaceReturnCode(CardReturnCode::COMMAND_FAILED);
		}
	}
	return output;
}


CardReturnCode PcscCard::destroyPaceChannel()
{
	if (!readerHasFeature(FeatureID::EXECUTE_PACE))
	{
		return CardReturnCode::COMMAND_FAILED;
	}

	const auto controlCode = static_cast<DWORD>(mReader->getFeatureValue(FeatureID::EXECUTE_PACE));
	const auto result = control(controlCode, DestroyPaceChannel::createCommandData());
	if (result.mReturnCode != pcsc::Scard_S_Success)
	{
		qCWarning(card_pcsc) << "Control to destroy PACE channel failed";
		return CardReturnCode::COMMAND_FAILED;
	}
	return CardReturnCode::OK;
}


ResponseApduResult PcscCard::setEidPin(uchar pTimeoutSeconds)
{
	if (!readerHasFeature(FeatureID::MODIFY_PIN_DIRECT))
	{
		return {CardReturnCode::COMMAND_FAILED, ResponseApdu()};
	}

	const PinModify pinModify(pTimeoutSeconds);
	const auto controlCode = static_cast<DWORD>(mReader->getFeatureValue(FeatureID::MODIFY_PIN_DIRECT));
	const auto result = control(controlCode, pinModify.createCcid());
	if (result.mReturnCode != pcsc::Scard_S_Success)
	{
		qCWarning(card_pcsc) << "Modify PIN failed";
		return {CardReturnCode::COMMAND_FAILED, ResponseApdu()};
	}
	return {CardReturnCode::OK, ResponseApdu(result.mResponse)};
}
