#include "LogCapture.h"

using namespace tessarovin;

namespace
{

QMutex gMutex;
QList<LogCapture::Entry> gEntries;

void captureMessage(QtMsgType pType, const QMessageLogContext& pContext, const QString& pMsg)
{
	const QMutexLocker locker(&gMutex);
	gEntries << LogCapture::Entry{pType, QString::fromLatin1(pContext.category ? pContext.category : ""), pMsg};
}


} // namespace


LogCapture::LogCapture()
	: mPrevious(nullptr)
{
	clear();
	mPrevious = qInstallMessageHandler(captureMessage);
}


LogCapture::~LogCapture()
{
	qInstallMessageHandler(mPrevious);
}


QList<LogCapture::Entry> LogCapture::entries() const
{
	const QMutexLocker locker(&gMutex);
	return gEntries;
}


QStringList LogCapture::messages() const
{
	QStringList result;
	for (const auto& entry : entries())
	{
		result << entry.mMessage;
	}
	return result;
}


int LogCapture::count(const QString& pPart) const
{
	int result = 0;
	for (const auto& message : messages())
	{
		result += message.contains(pPart) ? 1 : 0;
	}
	return result;
}


bool LogCapture::contains(const QString& pPart) const
{
	return count(pPart) > 0;
}


void LogCapture::clear()
{
	const QMutexLocker locker(&gMutex);
	gEntries.clear();
}
