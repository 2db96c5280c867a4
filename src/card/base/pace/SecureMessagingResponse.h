#pragma once

#include "apdu/ResponseApdu.h"
#include "pace/SecureMessagingApdu.h"

namespace tessarovin
{

class SecureMessagingResponse
	: public SecureMessagingApdu
{
	private:
		QSharedPointer<SM_PROCESSING_STATUS> mSecuredStatusCode;
		QByteArray mSecuredStatusEncoded;
		QSharedPointer<SM_CHECKSUM> mMac;

	public:
		explicit SecureMessagingResponse(const ResponseApdu& pResponseApdu);

		[[nodiscard]] StatusCode getSecuredStatusCode() const;
		[[nodiscard]] QByteArray getSecuredStatusBytes() const;
		[[nodiscard]] QByteArray getSecuredStatusObjectEncoded() const;
		[[nodiscard]] QByteArray getMac() const;
};

} // namespace tessarovin
