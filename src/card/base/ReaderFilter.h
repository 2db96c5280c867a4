#pragma once

#include "ReaderInfo.h"

#include <QList>

namespace tessarovin
{

// A selection of reader back ends; the default filter lets every reader pass.
class ReaderFilter
{
	private:
		bool mEnabled;
		QList<ReaderManagerPluginType> mPluginTypes;

	public:
		ReaderFilter();
		explicit ReaderFilter(const QList<ReaderManagerPluginType>& pPluginTypes);

		[[nodiscard]] QList<ReaderInfo> apply(const QList<ReaderInfo>& pInputList) const;
};

} // namespace tessarovin
