#include "pace/SecureMessagingApdu.h"

#include "LogCategories.h"

using namespace tessarovin;


SecureMessagingApdu::SecureMessagingApdu()
	: mValid(false)
	, mEncryptedData()
	, mEncryptedDataEncoded()
{
}


bool SecureMessagingApdu::decodeData(QByteArray& pData)
{
	mEncryptedDataEncoded.clear();
	if (pData.isEmpty())
	{
		qCCritical(card) << "No data to decrypt";
		return false;
	}

	mEncryptedData = decodeObject<SM_ENCRYPTED_DATA>(pData, false);
	if (mEncryptedData.isNull())
	{
		return true;
	}

	const QByteArray content = getSecureMessagingContent(mEncryptedData);
	if (content.isEmpty() || content.at(0) != 0x01)
	{
		qCCritical(card) << "Error on decoding encrypted data";
		mEncryptedData.reset();
		return false;
	}

	mEncryptedDataEncoded = encodeObject(mEncryptedData.data());
	pData.remove(0, mEncryptedDataEncoded.size());
	return true;
}


bool SecureMessagingApdu::isValid() const
{
	return mValid;
}


QByteArray SecureMessagingApdu::getEncryptedData() const
{
	return getSecureMessagingContent(mEncryptedData).mid(1);
}


QByteArray SecureMessagingApdu::getEncryptedDataObjectEncoded() const
{
	return mEncryptedDataEncoded;
}
