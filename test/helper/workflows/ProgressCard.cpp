#include "ProgressCard.h"

using namespace tessarovin;

void ProgressCard::setProgressMessage(const QString& pMessage, int pProgress)
{
	mProgress << qMakePair(pMessage, pProgress);
}


const QList<QPair<QString, int>>& ProgressCard::getProgress() const
{
	return mProgress;
}
