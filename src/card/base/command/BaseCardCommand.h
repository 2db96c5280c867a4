#pragma once

#include "apdu/CardReturnCode.h"

#include <QObject>
#include <QSharedPointer>

namespace tessarovin
{

class CardConnectionWorker;

// One unit of card work: created on the caller's thread, executed in one go on the worker's
// thread and handed back whole by commandDone.
class BaseCardCommand
	: public QObject
{
	Q_OBJECT

	private:
		const QSharedPointer<CardConnectionWorker> mCardConnectionWorker;
		CardReturnCode mReturnCode;

	protected:
		virtual void internalExecute() = 0;

		[[nodiscard]] const QSharedPointer<CardConnectionWorker>& getCardConnectionWorker() const;
		void setReturnCode(CardReturnCode pReturnCode);

	public:
		explicit BaseCardCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker);
		~BaseCardCommand() override = default;

		// Queues execute on the command's own thread.
		void run();
		Q_INVOKABLE void execute();

		[[nodiscard]] CardReturnCode getReturnCode() const;

	Q_SIGNALS:
		// The command lives as long as a receiver keeps the pointer and ends on its own thread.
		void commandDone(QSharedPointer<tessarovin::BaseCardCommand> pCommand);
};

} // namespace tessarovin
