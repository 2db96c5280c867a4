#include "CardConnectionWorker.h"

#include "apdu/FileCommand.h"
#include "Card.h"
#include "LogCategories.h"
#include "pace/PaceHandler.h"
#include "Reader.h"

#include <QCoreApplication>
#include <QThread>

using namespace tessarovin;

namespace
{

// Card commands and the connection command hand the worker over between threads.
void registerMetaType()
{
	qRegisterMetaType<QSharedPointer<CardConnectionWorker>>("QSharedPointer<CardConnectionWorker>");
}


// Bit 8 of P1 switches READ BINARY to a short file identifier, so offsets end at 15 bits. A
// peer that keeps answering 90 00 with data must not drive the offset past it.
constexpr qsizetype cMaxReadBinaryOffset = 0x7FFF;

// Callers that want the five-digit transport PIN on a pin-pad reader pass five zero bytes.
const QByteArray cTransportPinMarker(5, '\0');

} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerMetaType)


CardConnectionWorker::CardConnectionWorker(Reader* pReader)
	: QObject()
	, QEnableSharedFromThis<CardConnectionWorker>()
	, mReader(pReader)
	, mSecureMessaging()
{
	if (pReader)
	{
		connect(pReader, &Reader::fireCardInserted, this, &CardConnectionWorker::fireReaderInfoChanged);
		connect(pReader, &Reader::fireCardRemoved, this, &CardConnectionWorker::fireReaderInfoChanged);
		connect(pReader, &Reader::fireCardInfoChanged, this, &CardConnectionWorker::fireReaderInfoChanged);
	}
}


QSharedPointer<CardConnectionWorker> CardConnectionWorker::create(Reader* pReader)
{
	return QSharedPointer<CardConnectionWorker>(new CardConnectionWorker(pReader), [](CardConnectionWorker* pWorker){
			if (pWorker->thread() == QThread::currentThread())
			{
				delete pWorker;
				return;
			}
			pWorker->deleteLater();
		});
}


CardConnectionWorker::~CardConnectionWorker()
{
	if (Card* currentCard = getCard(); currentCard && currentCard->isConnected())
	{
		currentCard->releaseConnection();
	}
	mSecureMessaging.reset();
}


Card* CardConnectionWorker::getCard() const
{
	return mReader ? mReader->getCard() : nullptr;
}


bool CardConnectionWorker::isBasicReader() const
{
	return mReader && mReader->getReaderInfo().isBasicReader();
}


ReaderInfo CardConnectionWorker::getReaderInfo() const
{
	return mReader ? mReader->getReaderInfo() : ReaderInfo();
}


QSharedPointer<const SecurityInfos> CardConnectionWorker::getEfCardAccess() const
{
	return getReaderInfo().getCardInfo().getEfCardAccess();
}


CardReturnCode CardConnectionWorker::updateRetryCounter()
{
	if (getCard() == nullptr)
	{
		return CardReturnCode::CARD_NOT_FOUND;
	}

	return mReader->updateRetryCounter(sharedFromThis());
}


CardReturnCode CardConnectionWorker::readFile(const FileRef& pFileRef, QByteArray& pFileContent, int pLe)
{
	if (getCard() == nullptr)
	{
		return CardReturnCode::CARD_NOT_FOUND;
	}

	while (true)
	{
		if (pFileContent.size() > cMaxReadBinaryOffset)
		{
			qCCritical(card) << "File exceeds the offsets of READ BINARY, stopping after" << pFileContent.size() << "bytes:" << pFileRef;
			return CardReturnCode::PROTOCOL_ERROR;
		}

		const auto result = transmit(FileCommand(pFileRef, static_cast<uint>(pFileContent.size()), pLe));
		if (result.mReturnCode != CardReturnCode::OK)
		{
			return CardReturnCode::COMMAND_FAILED;
		}

		const auto& response = result.mResponseApdu;
		pFileContent += response.getData();

		const auto statusCode = response.getStatusCode();
		if (statusCode == StatusCode::END_OF_FILE || statusCode == StatusCode::ILLEGAL_OFFSET)
		{
			return CardReturnCode::OK;
		}

		if (statusCode != StatusCode::SUCCESS)
		{
			return CardReturnCode::PROTOCOL_ERROR;
		}

		if (response.getData().isEmpty())
		{
			return CardReturnCode::OK;
		}
	}
}


ResponseApduResult CardConnectionWorker::transmit(const CommandApdu& pCommandApdu)
{
	if (mSecureMessaging && SecureMessaging::isSecuredByPeer(pCommandApdu))
	{
		qCDebug(card) << "The eService has established Secure Messaging. Stopping local Secure Messaging.";
		stopSecureMessaging();
	}

	Card* currentCard = getCard();
	if (currentCard == nullptr)
	{
		return {CardReturnCode::CARD_NOT_FOUND, ResponseApdu()};
	}

	bool channelBroken = false;
	const auto result = SecureMessaging::transmit(mSecureMessaging.get(), pCommandApdu, [currentCard](const CommandApdu& pCommand){
			return currentCard->transmit(pCommand);
		}, channelBroken);

	if (channelBroken)
	{
		stopSecureMessaging();
	}

	return result;
}


bool CardConnectionWorker::selectApplicationRoot(const FileRef& pApplication)
{
	qCDebug(card) << "Try to select application:" << pApplication;

	const auto select = transmit(FileCommand(pApplication));
	const auto statusCode = select.mResponseApdu.getStatusCode();
	switch (statusCode)
	{
		// Some cards refuse the selection by identifier but are usable from the master file.
		case StatusCode::UNSUPPORTED_INS:
		case StatusCode::SUCCESS:
		case StatusCode::ACCESS_DENIED:
		{
			qCDebug(card) << "Try to select master file";
			const auto selectMasterFile = transmit(FileCommand(FileRef::masterFile()));
			const auto masterFileStatus = selectMasterFile.mResponseApdu.getStatusCode();
			if (masterFileStatus == StatusCode::SUCCESS)
			{
				return true;
			}

			qCWarning(card) << "Cannot select master file:" << masterFileStatus;
			return false;
		}

		default:
			qCWarning(card) << "Cannot select application:" << statusCode;
			return false;
	}
}


EstablishPaceChannelOutput CardConnectionWorker::establishPaceChannel(PacePasswordId pPasswordId,
		const QByteArray& pPassword,
		const QByteArray& pChat,
		const QByteArray& pCertificateDescription)
{
	Card* currentCard = getCard();
	if (currentCard == nullptr)
	{
		return EstablishPaceChannelOutput(pPasswordId, CardReturnCode::CARD_NOT_FOUND);
	}

	qCInfo(support) << "Starting PACE for" << pPasswordId;

	EstablishPaceChannelOutput output;
	if (isBasicReader())
	{
		output = establishPaceChannelInSoftware(pPasswordId, pPassword, pChat);
	}
	else
	{
		// The reader asks for the PIN itself: only the length it should expect is sent.
		const int preferredPinLength = pPassword == cTransportPinMarker ? 5 : 6;
		output = currentCard->establishPaceChannel(pPasswordId, preferredPinLength, pChat, pCertificateDescription);
	}

	qCInfo(support) << "Finished PACE for" << pPasswordId << "with result" << output.getPaceReturnCode();
	return output;
}


EstablishPaceChannelOutput CardConnectionWorker::establishPaceChannelInSoftware(PacePasswordId pPasswordId, const QByteArray& pPassword, const QByteArray& pChat)
{
	PaceHandler paceHandler(sharedFromThis());
	paceHandler.setChat(pChat);
	const auto output = paceHandler.establishPaceChannel(pPasswordId, pPassword);

	// A failed PACE leaves the previous channel as it was.
	if (output.isSuccess())
	{
		startSecureMessaging(paceHandler.getPaceProtocol(), paceHandler.getEncryptionKey(), paceHandler.getMacKey());
	}
	return output;
}


void CardConnectionWorker::startSecureMessaging(const SecurityProtocol& pPaceProtocol, const QByteArray& pEncryptionKey, const QByteArray& pMacKey)
{
	mSecureMessaging = std::make_unique<SecureMessaging>(pPaceProtocol, pEncryptionKey, pMacKey);
}


CardReturnCode CardConnectionWorker::destroyPaceChannel()
{
	Card* currentCard = getCard();
	if (currentCard == nullptr)
	{
		return CardReturnCode::CARD_NOT_FOUND;
	}

	qCInfo(support) << "Destroying PACE channel";

	if (!isBasicReader())
	{
		return currentCard->destroyPaceChannel();
	}

	// The card drops its channel on any plain command; this one it refuses at once.
	qCDebug(card) << "Destroying PACE channel with invalid command causing 6700 as return code";
	stopSecureMessaging();
	return currentCard->transmit(CommandApdu(Ins::MSE_SET, 0xC1, 0xA4)).mReturnCode;
}


void CardConnectionWorker::setProgressMessage(const QString& pMessage, int pProgress)
{
	if (Card* currentCard = getCard())
	{
		currentCard->setProgressMessage(pMessage, pProgress);
	}
}


void CardConnectionWorker::setErrorMessage(const QString& pMessage)
{
	if (Card* currentCard = getCard())
	{
		currentCard->setErrorMessage(pMessage);
	}
}


ResponseApduResult CardConnectionWorker::setEidPin(const QByteArray& pNewPin, uchar pTimeoutSeconds)
{
	Card* currentCard = getCard();
	if (currentCard == nullptr)
	{
		return {CardReturnCode::CARD_NOT_FOUND, ResponseApdu()};
	}

	ResponseApduResult result;
	if (isBasicReader())
	{
		result = transmit(CommandApdu(Ins::RESET_RETRY_COUNTER, 0x02, 0x03, pNewPin));
	}
	else
	{
		result = currentCard->setEidPin(pTimeoutSeconds);
	}

	if (result.mReturnCode == CardReturnCode::OK && result.mResponseApdu.getStatusCode() != StatusCode::SUCCESS)
	{
		qCWarning(card) << "Modify PIN failed";
	}

	return result;
}


void CardConnectionWorker::stopSecureMessaging()
{
	mSecureMessaging.reset();
	Q_EMIT fireSecureMessagingStopped();
}


void CardConnectionWorker::setPukInoperative()
{
	if (mReader)
	{
		mReader->setPukInoperative();
	}
}
