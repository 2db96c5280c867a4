#pragma once

#include "command/BaseCardCommand.h"
#include "command/CreateCardConnectionCommand.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QThread>

namespace tessarovin
{

// Keeps what card commands hand back, and the thread they arrived on.
class CommandReceiver
	: public QObject
{
	Q_OBJECT

	public:
		QList<QSharedPointer<BaseCardCommand>> mCommands;
		QList<QSharedPointer<CreateCardConnectionCommand>> mCreateCommands;
		QList<QThread*> mThreads;

	public Q_SLOTS:
		void onCommandDone(QSharedPointer<tessarovin::BaseCardCommand> pCommand)
		{
			mThreads << QThread::currentThread();
			mCommands << pCommand;
		}


		void onCreateCardConnectionDone(QSharedPointer<tessarovin::CreateCardConnectionCommand> pCommand)
		{
			mThreads << QThread::currentThread();
			mCreateCommands << pCommand;
		}
};

} // namespace tessarovin
