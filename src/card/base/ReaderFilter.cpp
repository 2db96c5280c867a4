#include "ReaderFilter.h"

using namespace tessarovin;

ReaderFilter::ReaderFilter()
	: mEnabled(false)
	, mPluginTypes()
{
}


ReaderFilter::ReaderFilter(const QList<ReaderManagerPluginType>& pPluginTypes)
	: mEnabled(true)
	, mPluginTypes(pPluginTypes)
{
}


QList<ReaderInfo> ReaderFilter::apply(const QList<ReaderInfo>& pInputList) const
{
	if (!mEnabled)
	{
		return pInputList;
	}

	QList<ReaderInfo> filtered;
	for (const auto& readerInfo : pInputList)
	{
		if (mPluginTypes.contains(readerInfo.getPluginType()))
		{
			filtered << readerInfo;
		}
	}
	return filtered;
}
