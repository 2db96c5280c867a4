#include "CategoryMessageLogger.h"

using namespace tessarovin;


CategoryMessageLogger::CategoryMessageLogger(const char* pFile, int pLine, const char* pFunction, CategoryFunction pCategory)
	: mLogger(pFile, pLine, pFunction)
	, mCategory(std::move(pCategory))
{
}


QDebug CategoryMessageLogger::debug() const
{
	return mLogger.debug(mCategory());
}


QDebug CategoryMessageLogger::info() const
{
	return mLogger.info(mCategory());
}


QDebug CategoryMessageLogger::critical() const
{
	return mLogger.critical(mCategory());
}
