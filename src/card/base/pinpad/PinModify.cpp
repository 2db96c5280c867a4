#include "pinpad/PinModify.h"

#include "LogCategories.h"

#include <QtEndian>

using namespace tessarovin;


PinModify::PinModify(quint8 pTimeoutSeconds)
	: mTimeoutSeconds(pTimeoutSeconds)
{
}


PinModify::PinModify(const QByteArray& pCommandData)
	: mTimeoutSeconds(0)
{
	if (pCommandData.isEmpty())
	{
		qCDebug(card) << "Parsing failed. Command data should contain at least 1 bytes";
		return;
	}

	mTimeoutSeconds = static_cast<quint8>(pCommandData.at(0));
}


quint8 PinModify::getTimeoutSeconds() const
{
	return mTimeoutSeconds;
}


QByteArray PinModify::createCcid() const
{
	// RESET RETRY COUNTER with P1 02 sets the new PIN of the PIN reference 03 without an old one.
	const QByteArray apdu = QByteArray::fromHex("002C0203");

	QByteArray structure;
	structure += static_cast<char>(mTimeoutSeconds); // bTimerOut
	structure += static_cast<char>(mTimeoutSeconds); // bTimerOut2
	structure += '\x82'; // bmFormatString: system units are bytes, ASCII digits
	structure += '\x00'; // bmPINBlockString
	structure += '\x00'; // bmPINLengthFormat
	structure += '\x00'; // bInsertionOffsetOld
	structure += '\x00'; // bInsertionOffsetNew
	structure += '\x06'; // wPINMaxExtraDigit: at most six digits ...
	structure += '\x06'; // ... and at least six
	structure += '\x01'; // bConfirmPIN: the new PIN twice, no current PIN
	structure += '\x02'; // bEntryValidationCondition: validation key
	structure += '\x02'; // bNumberMessage
	structure += '\x07'; // wLangId 0x0407, little-endian
	structure += '\x04';
	structure += '\x00'; // bMsgIndex1
	structure += '\x01'; // bMsgIndex2
	structure += '\x02'; // bMsgIndex3
	structure += QByteArray(3, '\x00'); // bTeoPrologue

	char dataLength[4];
	qToLittleEndian<quint32>(static_cast<quint32>(apdu.size()), dataLength);
	structure += QByteArray(dataLength, sizeof(dataLength)); // ulDataLength
	structure += apdu; // abData
	return structure;
}
