#include "pace/SecureMessagingCommand.h"

#include "LogCategories.h"

using namespace tessarovin;


SecureMessagingCommand::SecureMessagingCommand(const CommandApdu& pCommandApdu)
	: SecureMessagingApdu()
	, mExpectedLength()
	, mExpectedLengthEncoded()
	, mMac()
{
	QByteArray data = pCommandApdu.getData();
	if (!decodeData(data))
	{
		return;
	}

	mExpectedLength = decodeObject<SM_PROTECTED_LE>(data, false);
	if (!mExpectedLength.isNull())
	{
		mExpectedLengthEncoded = encodeObject(mExpectedLength.data());
		data.remove(0, mExpectedLengthEncoded.size());
	}

	mMac = decodeObject<SM_CHECKSUM>(data, false);
	if (mMac.isNull() || getMac().size() != 8)
	{
		qCCritical(card) << "Error on decoding mac";
		return;
	}

	mValid = true;
}


int SecureMessagingCommand::getExpectedLength() const
{
	const QByteArray le = getSecureMessagingContent(mExpectedLength);
	if (le.isEmpty())
	{
		return 0;
	}

	if (le.size() == 1)
	{
		const int value = static_cast<uchar>(le.at(0));
		return value == 0 ? CommandApdu::SHORT_MAX_LE : value;
	}

	const int value = (static_cast<uchar>(le.at(0)) << 8) | static_cast<uchar>(le.at(1));
	return value == 0 ? CommandApdu::EXTENDED_MAX_LE : value;
}


QByteArray SecureMessagingCommand::getProtectedLeObjectEncoded() const
{
	return mExpectedLengthEncoded;
}


QByteArray SecureMessagingCommand::getMac() const
{
	return getSecureMessagingContent(mMac);
}
