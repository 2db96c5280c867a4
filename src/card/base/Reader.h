#pragma once

#include "apdu/CardReturnCode.h"
#include "Card.h"
#include "CardInfo.h"
#include "ReaderInfo.h"

#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

namespace tessarovin
{

class CardConnectionWorker;
class CardTransmitter;

// One card reader of a back end. Lives on the reader manager's thread and is used there only.
class Reader
	: public QObject
{
	Q_OBJECT

	public:
		struct RetryCounterResult
		{
			CardReturnCode cardReturnCode = CardReturnCode::COMMAND_FAILED;
			int retryCounter = -1;
			bool pinDeactivated = false;
		};

	private:
		ReaderInfo mReaderInfo;
		int mTimerId;

		RetryCounterResult getRetryCounter(const QSharedPointer<CardTransmitter>& pCardTransmitter);

	protected:
		void timerEvent(QTimerEvent* pEvent) override;

	public:
		Reader(ReaderManagerPluginType pPluginType, const QString& pReaderName);
		~Reader() override = default;

		virtual void printGetReaderInfo() const;
		virtual void updateCard();
		virtual void insertCard(const QVariant& pData = QVariant());
		[[nodiscard]] virtual Card* getCard() const = 0;

		[[nodiscard]] const ReaderInfo& getReaderInfo() const;
		[[nodiscard]] int getTimerId() const;
		void setTimerId(int pTimerId);

		void setBasicReader(bool pIsBasicReader);
		void setCardInfo(const CardInfo& pCardInfo);
		void setMaxApduLength(int pMaxApduLength);
		void removeCardInfo();
		void setPukInoperative();

		QSharedPointer<CardConnectionWorker> createCardConnectionWorker();
		// Reads the card's basic data after a back end has seen a new card.
		void fetchCardInfo();
		CardReturnCode updateRetryCounter(const QSharedPointer<CardTransmitter>& pCardTransmitter);
		void shelveCard();

	Q_SIGNALS:
		void fireCardInserted(const ReaderInfo& pInfo);
		void fireCardRemoved(const ReaderInfo& pInfo);
		void fireCardInfoChanged(const ReaderInfo& pInfo);
		void fireReaderPropertiesUpdated(const ReaderInfo& pInfo);
};

} // namespace tessarovin
