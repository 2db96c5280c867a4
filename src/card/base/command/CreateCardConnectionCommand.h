#pragma once

#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

class CardConnection;
class CardConnectionWorker;
class ReaderManagerWorker;

// Opens a connection to the card of one reader: executes on the reader manager's thread, the
// receiver takes the connection on its own thread.
class CreateCardConnectionCommand
	: public QObject
{
	Q_OBJECT

	private:
		const QString mReaderName;
		const QPointer<ReaderManagerWorker> mReaderManagerWorker;
		QSharedPointer<CardConnectionWorker> mCardConnectionWorker;
		QSharedPointer<CardConnection> mCardConnection;

	public:
		CreateCardConnectionCommand(const QString& pReaderName, const QPointer<ReaderManagerWorker>& pReaderManagerWorker);
		~CreateCardConnectionCommand() override;

		// Queues execute on the command's own thread.
		void run();
		Q_INVOKABLE void execute();

		// Must not be called on the reader manager's thread; null when there is no usable card.
		QSharedPointer<CardConnection> getCardConnection();

	Q_SIGNALS:
		void fireCommandDone(QSharedPointer<tessarovin::CreateCardConnectionCommand> pCommand);
};

} // namespace tessarovin
