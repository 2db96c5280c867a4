#include "apdu/ResponseApdu.h"

#include "LogCategories.h"
#include "LogHandler.h"

using namespace tessarovin;

ResponseApdu::ResponseApdu()
	: ResponseApdu(QByteArray())
{
}


ResponseApdu::ResponseApdu(const QByteArray& pBytes)
	: mStatusWord(0)
	, mData()
{
	if (pBytes.isEmpty())
	{
		return;
	}

	if (pBytes.size() == 1)
	{
		qCCritical(card).noquote() << "One byte status, assuming" << pBytes.toHex() << "is SW2";
		mStatusWord = static_cast<uchar>(pBytes.at(0));
		return;
	}

	const auto size = pBytes.size();
	mStatusWord = static_cast<quint16>((static_cast<uchar>(pBytes.at(size - 2)) << 8) | static_cast<uchar>(pBytes.at(size - 1)));
	mData = pBytes.left(size - 2);
}


ResponseApdu::ResponseApdu(StatusCode pStatusCode, const QByteArray& pData)
	: mStatusWord(static_cast<quint16>(pStatusCode))
	, mData(pData)
{
}


StatusCode ResponseApdu::getStatusCode() const
{
	if (Enum<StatusCode>::isValue(mStatusWord))
	{
		return static_cast<StatusCode>(mStatusWord);
	}

	qCCritical(card).noquote() << "Unknown StatusCode value, returning UNKNOWN, value:" << QByteArray::number(mStatusWord, 16);
	return StatusCode::UNKNOWN;
}


QByteArray ResponseApdu::getStatusBytes() const
{
	if (mStatusWord == 0)
	{
		return QByteArray();
	}

	QByteArray bytes;
	bytes += static_cast<char>(mStatusWord >> 8);
	bytes += static_cast<char>(mStatusWord & 0xFF);
	return bytes;
}


const QByteArray& ResponseApdu::getData() const
{
	return mData;
}


int ResponseApdu::getRetryCounter() const
{
	switch (mStatusWord)
	{
		case static_cast<quint16>(StatusCode::PIN_DEACTIVATED):
		case static_cast<quint16>(StatusCode::PIN_BLOCKED):
			return 0;

		case static_cast<quint16>(StatusCode::PIN_SUSPENDED):
			return 1;

		case static_cast<quint16>(StatusCode::PIN_RETRY_COUNT_2):
			return 2;

		case static_cast<quint16>(StatusCode::SUCCESS):
			return 3;

		default:
			return -1;
	}
}


bool ResponseApdu::isEmpty() const
{
	return mStatusWord == 0 && mData.isEmpty();
}


ResponseApdu::operator QByteArray() const
{
	// Data without a status word is no response a card could have sent.
	if (mStatusWord == 0)
	{
		return QByteArray();
	}

	return mData + getStatusBytes();
}


QDebug tessarovin::operator<<(QDebug pDbg, const ResponseApdu& pResponseApdu)
{
	return writeMaskedBytes(pDbg, QByteArray(pResponseApdu));
}
