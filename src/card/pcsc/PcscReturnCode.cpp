#include "PcscReturnCode.h"

#include <QMetaEnum>

#include <limits>

using namespace tessarovin;


QString pcsc::toString(PcscReturnCode pCode)
{
	const auto metaEnum = QMetaEnum::fromType<PcscReturnCode>();
	if (const char* key = metaEnum.valueToKey(static_cast<int>(pCode)))
	{
		return QString::fromLatin1(key);
	}

	// Taken as signed, the codes of the Windows facility print with a minus sign.
	return QStringLiteral("UNKNOWN_STATE (%1)").arg(static_cast<qint32>(pCode), 8, 16, QLatin1Char('0'));
}


pcsc::PcscReturnCode pcsc::toPcscReturnCode(qint64 pPlatformCode)
{
	if (pPlatformCode < std::numeric_limits<qint32>::min() || pPlatformCode > std::numeric_limits<quint32>::max())
	{
		return Scard_F_Unknown_Error;
	}
	return static_cast<PcscReturnCode>(static_cast<quint32>(pPlatformCode));
}


QDebug pcsc::operator<<(QDebug pDbg, PcscReturnCode pCode)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.noquote() << toString(pCode);
	return pDbg;
}
