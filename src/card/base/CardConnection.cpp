#include "CardConnection.h"

#include <QMetaObject>
#include <QThread>

using namespace tessarovin;

CardConnection::CardConnection(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker)
	: QObject()
	, mCardConnectionWorker(pCardConnectionWorker)
	, mReaderInfo()
	, mPaceCanSuccessful(false)
	, mPacePinSuccessful(false)
{
	Q_ASSERT(mCardConnectionWorker);

	// A blocking call into a thread that has ended would never return; without that thread
	// nothing else touches the worker and it is read here.
	const auto* workerThread = mCardConnectionWorker->thread();
	const bool blocking = workerThread != QThread::currentThread() && workerThread != nullptr && workerThread->isRunning();
	if (blocking)
	{
		QMetaObject::invokeMethod(mCardConnectionWorker.data(), &CardConnectionWorker::getReaderInfo, Qt::BlockingQueuedConnection, &mReaderInfo);
	}
	else
	{
		qCWarning(card) << "Reading the reader information without the worker's thread";
		mReaderInfo = mCardConnectionWorker->getReaderInfo();
	}

	connect(mCardConnectionWorker.data(), &CardConnectionWorker::fireReaderInfoChanged, this, &CardConnection::onReaderInfoChanged);
}


CardConnection::~CardConnection()
{
	// While the worker certainly lives: once released it may be deleted on its own thread at
	// the same time as QObject's destructor would look at it here.
	disconnect(mCardConnectionWorker.data(), nullptr, this, nullptr);
}


const ReaderInfo& CardConnection::getReaderInfo() const
{
	return mReaderInfo;
}


bool CardConnection::getPaceCanSuccessful() const
{
	return mPaceCanSuccessful;
}


bool CardConnection::getPacePinSuccessful() const
{
	return mPacePinSuccessful;
}


void CardConnection::onReaderInfoChanged(const ReaderInfo& pReaderInfo)
{
	mReaderInfo = pReaderInfo;
	Q_EMIT fireReaderInfoChanged(pReaderInfo);
}


void CardConnection::setProgressMessage(const QString& pMessage, int pProgress)
{
	auto* worker = mCardConnectionWorker.data();
	QMetaObject::invokeMethod(worker, [worker, pMessage, pProgress] {
			worker->setProgressMessage(pMessage, pProgress);
		}, Qt::AutoConnection);
}


void CardConnection::setErrorMessage(const QString& pMessage)
{
	auto* worker = mCardConnectionWorker.data();
	QMetaObject::invokeMethod(worker, [worker, pMessage] {
			worker->setErrorMessage(pMessage);
		}, Qt::AutoConnection);
}


bool CardConnection::isPaceSuccessful(const QSharedPointer<BaseCardCommand>& pCommand)
{
	const auto command = pCommand.objectCast<EstablishPaceChannelCommand>();
	return command && command->getPaceOutput().isSuccess();
}


void CardConnection::onPaceWithCanDone(const QSharedPointer<BaseCardCommand>& pCommand)
{
	mPaceCanSuccessful = isPaceSuccessful(pCommand);
}


void CardConnection::onPaceWithPinDone(const QSharedPointer<BaseCardCommand>& pCommand)
{
	mPacePinSuccessful = isPaceSuccessful(pCommand);
	if (!mPacePinSuccessful)
	{
		mPaceCanSuccessful = false;
	}
}


DestroyPaceChannelCommand* CardConnection::createDestroyPaceChannelCommand(const QString& pSlotHandle)
{
	return new DestroyPaceChannelCommand(mCardConnectionWorker, pSlotHandle);
}


DidAuthenticateEAC1Command* CardConnection::createDidAuthenticateEAC1Command()
{
	return new DidAuthenticateEAC1Command(mCardConnectionWorker);
}


DidAuthenticateEAC2Command* CardConnection::createDidAuthenticateEAC2Command(const CVCertificateChain& pChain,
		const QByteArray& pEphemeralPublicKeyAsHex,
		const QByteArray& pSignatureAsHex,
		const QByteArray& pAuthenticatedAuxiliaryDataAsBinary,
		const QByteArray& pPin)
{
	return new DidAuthenticateEAC2Command(mCardConnectionWorker, pChain, pEphemeralPublicKeyAsHex, pSignatureAsHex, pAuthenticatedAuxiliaryDataAsBinary, pPin);
}


EstablishPaceChannelCommand* CardConnection::createEstablishPaceChannelCommand(PacePasswordId pPacePasswordId,
		const QByteArray& pPacePassword,
		const QByteArray& pEffectiveChat,
		const QByteArray& pCertificateDescription)
{
	return new EstablishPaceChannelCommand(mCardConnectionWorker, pPacePasswordId, pPacePassword, pEffectiveChat, pCertificateDescription);
}


ResetRetryCounterCommand* CardConnection::createResetRetryCounterCommand()
{
	return new ResetRetryCounterCommand(mCardConnectionWorker);
}


SetEidPinCommand* CardConnection::createSetEidPinCommand(const QByteArray& pNewPin, uchar pTimeoutSeconds)
{
	return new SetEidPinCommand(mCardConnectionWorker, pNewPin, pTimeoutSeconds);
}


TransmitCommand* CardConnection::createTransmitCommand(const QList<InputApduInfo>& pInputApduInfos, const QString& pSlotHandle)
{
	return new TransmitCommand(mCardConnectionWorker, pInputApduInfos, pSlotHandle);
}


UpdateRetryCounterCommand* CardConnection::createUpdateRetryCounterCommand(const QString& pSlotHandle)
{
	return new UpdateRetryCounterCommand(mCardConnectionWorker, pSlotHandle);
}
