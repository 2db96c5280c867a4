#include "FailureCode.h"

#include <QStringList>

using namespace tessarovin;


FailureCode::FailureCode(Reason pReason)
	: FailureCode(pReason, FailureInfoMap())
{
}


FailureCode::FailureCode(Reason pReason, const QPair<Info, QString>& pInfo)
	: FailureCode(pReason, FailureInfoMap({{pInfo.first, pInfo.second}}))
{
}


FailureCode::FailureCode(Reason pReason, const FailureInfoMap& pInfoMap)
	: mReason(pReason)
	, mFailureInfoMap(pInfoMap)
{
}


FailureCode::Reason FailureCode::getReason() const
{
	return mReason;
}


const FailureCode::FailureInfoMap& FailureCode::getInfoMap() const
{
	return mFailureInfoMap;
}


QString FailureCode::toString() const
{
	QString description = QStringLiteral("<b>%1</b>").arg(Enum<Reason>::getName(mReason));
	if (mFailureInfoMap.isEmpty())
	{
		return description;
	}

	description += QStringLiteral("<ul>");
	for (auto entry = mFailureInfoMap.cbegin(); entry != mFailureInfoMap.cend(); ++entry)
	{
		description += QStringLiteral("<li>%1: %2</li>").arg(Enum<Info>::getName(entry.key()), entry.value());
	}
	description += QStringLiteral("</ul>");
	return description;
}


bool FailureCode::operator==(const FailureCode& pOther) const
{
	return mReason == pOther.mReason;
}


QDebug tessarovin::operator<<(QDebug pDbg, const FailureCode& pFailureCode)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.nospace().noquote() << pFailureCode.getReason();

	const auto& infoMap = pFailureCode.getInfoMap();
	if (!infoMap.isEmpty())
	{
		QStringList pieces;
		for (auto entry = infoMap.cbegin(); entry != infoMap.cend(); ++entry)
		{
			pieces << QStringLiteral("%1: %2").arg(Enum<FailureCode::Info>::getName(entry.key()), entry.value());
		}
		pDbg << "[" << pieces.join(QStringLiteral("; ")) << "]";
	}
	return pDbg;
}
