#pragma once

#include "pace/SecureMessagingTypes.h"

#include <QByteArray>
#include <QSharedPointer>

namespace tessarovin
{

// The protected data objects of one APDU, decoded from the front of its data in the order
// 87, 97 or 99, 8E.
class SecureMessagingApdu
{
	protected:
		bool mValid;
		QSharedPointer<SM_ENCRYPTED_DATA> mEncryptedData;
		// Encoded once: the length to skip and the MAC input both need it.
		QByteArray mEncryptedDataEncoded;

		SecureMessagingApdu();

	public:
		bool decodeData(QByteArray& pData);

		[[nodiscard]] bool isValid() const;
		[[nodiscard]] QByteArray getEncryptedData() const;
		[[nodiscard]] QByteArray getEncryptedDataObjectEncoded() const;
};

} // namespace tessarovin
