#include "apdu/CommandApdu.h"

#include "LogCategories.h"
#include "LogHandler.h"

using namespace tessarovin;

namespace
{

int readWord(const QByteArray& pBytes, qsizetype pPosition)
{
	return (static_cast<uchar>(pBytes.at(pPosition)) << 8) | static_cast<uchar>(pBytes.at(pPosition + 1));
}


void appendLength(QByteArray& pBytes, int pLength, bool pExtended)
{
	// The maximum (256 short, 65536 extended) is written as all zero bytes.
	if (pExtended)
	{
		pBytes += static_cast<char>((pLength >> 8) & 0xFF);
	}
	pBytes += static_cast<char>(pLength & 0xFF);
}


} // namespace


CommandApdu::CommandApdu()
	: CommandApdu(QByteArray())
{
}


CommandApdu::CommandApdu(const QByteArray& pBytes)
	: mCla(0)
	, mIns(0)
	, mP1(0)
	, mP2(0)
	, mData()
	, mLe(NO_LE)
{
	if (pBytes.isEmpty())
	{
		return;
	}

	if (pBytes.size() < 4)
	{
		qCCritical(card) << "Wrong command header size!";
	}

	const auto headerByte = [&pBytes](qsizetype pIndex) {
			return pIndex < pBytes.size() ? static_cast<uchar>(pBytes.at(pIndex)) : uchar(0);
		};
	mCla = headerByte(0);
	mIns = headerByte(1);
	mP1 = headerByte(2);
	mP2 = headerByte(3);

	qsizetype position = 4;
	if (pBytes.size() <= position)
	{
		return;
	}

	const auto firstLengthByte = static_cast<uchar>(pBytes.at(position++));
	const bool extended = firstLengthByte == 0x00 && position < pBytes.size();
	int length = firstLengthByte;
	if (extended)
	{
		if (pBytes.size() - position < 2)
		{
			qCCritical(card) << "Unexpected end of data";
			return;
		}
		length = readWord(pBytes, position);
		position += 2;
	}

	if (position == pBytes.size())
	{
		mLe = length != 0 ? length : (extended ? EXTENDED_MAX_LE : SHORT_MAX_LE);
		return;
	}

	if (pBytes.size() - position < length)
	{
		qCCritical(card) << "Unexpected end of data";
		return;
	}
	mData = pBytes.mid(position, length);
	position += length;

	if (position < pBytes.size())
	{
		if (extended)
		{
			if (pBytes.size() - position == 1)
			{
				qCCritical(card) << "Extended length expected";
				mLe = static_cast<uchar>(pBytes.at(position));
				position += 1;
			}
			else
			{
				mLe = readWord(pBytes, position);
				position += 2;
			}
			mLe = mLe != 0 ? mLe : EXTENDED_MAX_LE;
		}
		else
		{
			mLe = static_cast<uchar>(pBytes.at(position++));
			mLe = mLe != 0 ? mLe : SHORT_MAX_LE;
		}
	}

	if (position < pBytes.size())
	{
		qCCritical(card).noquote() << "Unexpected additional data:" << pBytes.mid(position).toHex();
	}
}


CommandApdu::CommandApdu(const QByteArray& pHeader, const QByteArray& pData, int pLe)
	: mCla(pHeader.size() > 0 ? static_cast<uchar>(pHeader.at(0)) : uchar(0))
	, mIns(pHeader.size() > 1 ? static_cast<uchar>(pHeader.at(1)) : uchar(0))
	, mP1(pHeader.size() > 2 ? static_cast<uchar>(pHeader.at(2)) : uchar(0))
	, mP2(pHeader.size() > 3 ? static_cast<uchar>(pHeader.at(3)) : uchar(0))
	, mData(pData)
	, mLe(pLe)
{
	checkLimits();
}


CommandApdu::CommandApdu(Ins pIns, uchar pP1, uchar pP2, const QByteArray& pData, int pLe)
	: mCla(0)
	, mIns(static_cast<uchar>(pIns))
	, mP1(pP1)
	, mP2(pP2)
	, mData(pData)
	, mLe(pLe)
{
	checkLimits();
}


CommandApdu::~CommandApdu() = default;


void CommandApdu::checkLimits() const
{
	// Kept as given: such a command serialises to nothing, which the sender reports.
	if (mData.size() > EXTENDED_MAX_LC)
	{
		qCCritical(card).nospace() << "Command data exceeds maximum of 0x" << QByteArray::number(EXTENDED_MAX_LC, 16).constData();
	}

	if (mLe > EXTENDED_MAX_LE)
	{
		qCCritical(card).nospace() << "Expected length exceeds maximum value of 0x" << QByteArray::number(EXTENDED_MAX_LE, 16).constData();
	}
}


bool CommandApdu::isExtendedLength(const QByteArray& pData, int pLe)
{
	return pData.size() > SHORT_MAX_LC || pLe > SHORT_MAX_LE;
}


bool CommandApdu::isExtendedLength() const
{
	return isExtendedLength(mData, mLe);
}


bool CommandApdu::isCommandChaining() const
{
	return (mCla & CLA_COMMAND_CHAINING) == CLA_COMMAND_CHAINING;
}


void CommandApdu::enableCommandChaining()
{
	mCla |= CLA_COMMAND_CHAINING;
}


bool CommandApdu::isSecureMessaging() const
{
	return (mCla & CLA_SECURE_MESSAGING) == CLA_SECURE_MESSAGING;
}


void CommandApdu::setSecureMessaging(bool pEnabled)
{
	if (pEnabled)
	{
		mCla |= CLA_SECURE_MESSAGING;
	}
	else
	{
		mCla &= static_cast<uchar>(~CLA_SECURE_MESSAGING);
	}
}


bool CommandApdu::isProprietary() const
{
	return (mCla & CLA_PROPRIETARY) == CLA_PROPRIETARY;
}


bool CommandApdu::isEmpty() const
{
	return mIns == 0x00;
}


Ins CommandApdu::getINS() const
{
	if (mIns != 0x00 && Enum<Ins>::isValue(mIns))
	{
		return static_cast<Ins>(mIns);
	}

	qCCritical(card).nospace() << "Unknown INS value, returning UNKNOWN, value: 0x" << QByteArray::number(mIns, 16).constData();
	return Ins::UNKNOWN;
}


uchar CommandApdu::getP1() const
{
	return mP1;
}


uchar CommandApdu::getP2() const
{
	return mP2;
}


const QByteArray& CommandApdu::getData() const
{
	return mData;
}


int CommandApdu::getLe() const
{
	return mLe;
}


QByteArray CommandApdu::getHeaderBytes() const
{
	QByteArray header;
	header += static_cast<char>(mCla);
	header += static_cast<char>(mIns);
	header += static_cast<char>(mP1);
	header += static_cast<char>(mP2);
	return header;
}


CommandApdu::operator QByteArray() const
{
	if (mData.size() > EXTENDED_MAX_LC || mLe > EXTENDED_MAX_LE)
	{
		return QByteArray();
	}

	const bool extended = isExtendedLength();
	QByteArray bytes = getHeaderBytes();
	if (extended)
	{
		bytes += '\0';
	}

	if (!mData.isEmpty())
	{
		appendLength(bytes, static_cast<int>(mData.size()), extended);
		bytes += mData;
	}

	if (mLe > NO_LE)
	{
		appendLength(bytes, mLe, extended);
	}

	return bytes;
}


QDebug tessarovin::operator<<(QDebug pDbg, const CommandApdu& pCommandApdu)
{
	return writeMaskedBytes(pDbg, QByteArray(pCommandApdu));
}
