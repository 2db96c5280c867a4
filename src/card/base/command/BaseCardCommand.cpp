#include "command/BaseCardCommand.h"

#include "LogCategories.h"

#include <QCoreApplication>
#include <QMetaObject>

using namespace tessarovin;

namespace
{

// Results go back to the receiver's thread by a queued signal.
void registerMetaType()
{
	qRegisterMetaType<QSharedPointer<BaseCardCommand>>("QSharedPointer<BaseCardCommand>");
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerMetaType)


BaseCardCommand::BaseCardCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker)
	: QObject()
	, mCardConnectionWorker(pCardConnectionWorker)
	, mReturnCode(CardReturnCode::UNKNOWN)
{
}


const QSharedPointer<CardConnectionWorker>& BaseCardCommand::getCardConnectionWorker() const
{
	return mCardConnectionWorker;
}


void BaseCardCommand::setReturnCode(CardReturnCode pReturnCode)
{
	mReturnCode = pReturnCode;
}


void BaseCardCommand::run()
{
	QMetaObject::invokeMethod(this, &BaseCardCommand::execute, Qt::QueuedConnection);
}


void BaseCardCommand::execute()
{
	internalExecute();
	qCDebug(card) << metaObject()->className() << "| ReturnCode of internal execute:" << mReturnCode;

	Q_EMIT commandDone(QSharedPointer<BaseCardCommand>(this, &QObject::deleteLater));
}


CardReturnCode BaseCardCommand::getReturnCode() const
{
	return mReturnCode;
}
