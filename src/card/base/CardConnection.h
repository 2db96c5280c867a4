#pragma once

#include "CardConnectionWorker.h"
#include "command/BaseCardCommand.h"
#include "command/DestroyPaceChannelCommand.h"
#include "command/DidAuthenticateEAC1Command.h"
#include "command/DidAuthenticateEAC2Command.h"
#include "command/EstablishPaceChannelCommand.h"
#include "command/ResetRetryCounterCommand.h"
#include "command/SetEidPinCommand.h"
#include "command/TransmitCommand.h"
#include "command/UpdateRetryCounterCommand.h"
#include "LogCategories.h"
#include "pinpad/PacePasswordId.h"
#include "ReaderInfo.h"

#include <QByteArray>
#include <QObject>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

// The caller's handle on one connected card: it creates card commands bound to the worker and
// runs them on the worker's thread, the result arriving at the receiver's slot.
class CardConnection
	: public QObject
{
	Q_OBJECT

	private:
		const QSharedPointer<CardConnectionWorker> mCardConnectionWorker;
		ReaderInfo mReaderInfo;
		bool mPaceCanSuccessful;
		bool mPacePinSuccessful;

		static bool isPaceSuccessful(const QSharedPointer<BaseCardCommand>& pCommand);
		void onPaceWithCanDone(const QSharedPointer<BaseCardCommand>& pCommand);
		void onPaceWithPinDone(const QSharedPointer<BaseCardCommand>& pCommand);

	public:
		// Blocks until the worker's thread has told the reader information: never call it there.
		explicit CardConnection(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker);
		~CardConnection() override;

		[[nodiscard]] virtual const ReaderInfo& getReaderInfo() const;
		[[nodiscard]] bool getPaceCanSuccessful() const;
		[[nodiscard]] bool getPacePinSuccessful() const;

		void setProgressMessage(const QString& pMessage, int pProgress = -1);
		void setErrorMessage(const QString& pMessage);

		// The caller owns the command until it hands it to call.
		DestroyPaceChannelCommand* createDestroyPaceChannelCommand(const QString& pSlotHandle = QString());
		DidAuthenticateEAC1Command* createDidAuthenticateEAC1Command();
		DidAuthenticateEAC2Command* createDidAuthenticateEAC2Command(const CVCertificateChain& pChain,
				const QByteArray& pEphemeralPublicKeyAsHex,
				const QByteArray& pSignatureAsHex,
				const QByteArray& pAuthenticatedAuxiliaryDataAsBinary,
				const QByteArray& pPin);
		EstablishPaceChannelCommand* createEstablishPaceChannelCommand(PacePasswordId pPacePasswordId,
				const QByteArray& pPacePassword,
				const QByteArray& pEffectiveChat,
				const QByteArray& pCertificateDescription);
		ResetRetryCounterCommand* createResetRetryCounterCommand();
		SetEidPinCommand* createSetEidPinCommand(const QByteArray& pNewPin, uchar pTimeoutSeconds);
		TransmitCommand* createTransmitCommand(const QList<InputApduInfo>& pInputApduInfos, const QString& pSlotHandle = QString());
		UpdateRetryCounterCommand* createUpdateRetryCounterCommand(const QString& pSlotHandle = QString());

		// Takes the command; it runs on the worker's thread and comes back to the slot.
		template<typename Slot>
		QMetaObject::Connection call(BaseCardCommand* pCommand, const typename QtPrivate::FunctionPointer<Slot>::Object* pReceiver, Slot pSlot)
		{
			pCommand->moveToThread(mCardConnectionWorker->thread());

			QMetaObject::Connection connection = connect(pCommand, &BaseCardCommand::commandDone, pReceiver, pSlot);
			if (connection)
			{
				pCommand->run();
				return connection;
			}

			qCCritical(card) << "Cannot invoke card command:" << pCommand->metaObject()->className();
			pCommand->deleteLater();
			return connection;
		}


		template<typename Slot>
		QMetaObject::Connection callEstablishPaceChannelCommand(const typename QtPrivate::FunctionPointer<Slot>::Object* pReceiver,
				Slot pSlot,
				PacePasswordId pPacePasswordId,
				const QByteArray& pPacePassword,
				const QByteArray& pEffectiveChat = QByteArray(),
				const QByteArray& pCertificateDescription = QByteArray())
		{
			auto* command = createEstablishPaceChannelCommand(pPacePasswordId, pPacePassword, pEffectiveChat, pCertificateDescription);

			// Connected before the receiver, so the flags are set when its slot runs.
			if (pPacePasswordId == PacePasswordId::PACE_CAN)
			{
				connect(command, &BaseCardCommand::commandDone, this, &CardConnection::onPaceWithCanDone);
			}
			else if (pPacePasswordId == PacePasswordId::PACE_PIN)
			{
				connect(command, &BaseCardCommand::commandDone, this, &CardConnection::onPaceWithPinDone);
			}

			return call(command, pReceiver, pSlot);
		}

	public Q_SLOTS:
		void onReaderInfoChanged(const ReaderInfo& pReaderInfo);

	Q_SIGNALS:
		void fireReaderInfoChanged(const ReaderInfo& pReaderInfo);
};

} // namespace tessarovin
