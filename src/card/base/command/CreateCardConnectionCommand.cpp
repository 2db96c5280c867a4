#include "command/CreateCardConnectionCommand.h"

#include "CardConnection.h"
#include "CardConnectionWorker.h"
#include "ReaderManagerWorker.h"

#include <QCoreApplication>
#include <QMetaObject>

using namespace tessarovin;

namespace
{

// The command goes back to the receiver's thread by a queued signal.
void registerMetaType()
{
	qRegisterMetaType<QSharedPointer<CreateCardConnectionCommand>>("QSharedPointer<CreateCardConnectionCommand>");
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerMetaType)


CreateCardConnectionCommand::CreateCardConnectionCommand(const QString& pReaderName, const QPointer<ReaderManagerWorker>& pReaderManagerWorker)
	: QObject()
	, mReaderName(pReaderName)
	, mReaderManagerWorker(pReaderManagerWorker)
	, mCardConnectionWorker()
	, mCardConnection()
{
}


CreateCardConnectionCommand::~CreateCardConnectionCommand() = default;


void CreateCardConnectionCommand::run()
{
	QMetaObject::invokeMethod(this, &CreateCardConnectionCommand::execute, Qt::QueuedConnection);
}


void CreateCardConnectionCommand::execute()
{
	if (const auto readerManagerWorker = mReaderManagerWorker)
	{
		// A card whose application cannot be selected yields no connection.
		mCardConnectionWorker = readerManagerWorker->createCardConnectionWorker(mReaderName, [](const QSharedPointer<CardConnectionWorker>& pWorker){
				if (pWorker.isNull())
				{
					return pWorker;
				}

				const FileRef application = pWorker->getReaderInfo().getCardInfo().getApplication();
				if (application != FileRef() && !pWorker->selectApplicationRoot(application))
				{
					return QSharedPointer<CardConnectionWorker>();
				}
				return pWorker;
			});
	}

	Q_EMIT fireCommandDone(QSharedPointer<CreateCardConnectionCommand>(this, &QObject::deleteLater));
}


QSharedPointer<CardConnection> CreateCardConnectionCommand::getCardConnection()
{
	if (mCardConnectionWorker && mCardConnection.isNull())
	{
		// The connection belongs to the receiver's thread, whichever thread drops it last.
		mCardConnection = QSharedPointer<CardConnection>(new CardConnection(mCardConnectionWorker), &QObject::deleteLater);
	}
	return mCardConnection;
}
