#include "NonEidVirtualCard.h"

using namespace tessarovin;


QByteArray NonEidVirtualCard::getAtr() const
{
	return QByteArray::fromHex("3B8880011122334455667700");
}


QByteArray NonEidVirtualCard::transmit(const QByteArray& pCommand)
{
	if (pCommand.size() >= 2 && static_cast<quint8>(pCommand.at(1)) == 0xA4)
	{
		return QByteArray::fromHex("6A82");
	}
	return QByteArray::fromHex("6D00");
}
