#include "pace/SecureMessagingResponse.h"

#include "LogCategories.h"

using namespace tessarovin;


SecureMessagingResponse::SecureMessagingResponse(const ResponseApdu& pResponseApdu)
	: SecureMessagingApdu()
	, mSecuredStatusCode()
	, mSecuredStatusEncoded()
	, mMac()
{
	QByteArray data = pResponseApdu.getData();
	if (!decodeData(data))
	{
		return;
	}

	mSecuredStatusCode = decodeObject<SM_PROCESSING_STATUS>(data);
	mSecuredStatusEncoded = encodeObject(mSecuredStatusCode.data());
	if (mSecuredStatusCode.isNull() || getSecuredStatusBytes().size() != 2)
	{
		qCCritical(card) << "Error on decoding status";
		return;
	}
	data.remove(0, mSecuredStatusEncoded.size());

	mMac = decodeObject<SM_CHECKSUM>(data);
	if (mMac.isNull() || getMac().size() != 8)
	{
		qCCritical(card) << "Error on decoding mac";
		return;
	}

	mValid = true;
}


StatusCode SecureMessagingResponse::getSecuredStatusCode() const
{
	if (!isValid())
	{
		return StatusCode::INVALID_SM_OBJECTS;
	}

	// Two bytes, as the constructor made sure.
	const QByteArray bytes = getSecuredStatusBytes();
	const uint value = (static_cast<uint>(static_cast<uchar>(bytes.at(0))) << 8) | static_cast<uchar>(bytes.at(1));

	// The raw number, even when it is no key of StatusCode.
	return static_cast<StatusCode>(value);
}


QByteArray SecureMessagingResponse::getSecuredStatusBytes() const
{
	return getSecureMessagingContent(mSecuredStatusCode);
}


QByteArray SecureMessagingResponse::getSecuredStatusObjectEncoded() const
{
	return mSecuredStatusEncoded;
}


QByteArray SecureMessagingResponse::getMac() const
{
	return getSecureMessagingContent(mMac);
}
