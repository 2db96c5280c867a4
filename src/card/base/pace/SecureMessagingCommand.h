#pragma once

#include "apdu/CommandApdu.h"
#include "pace/SecureMessagingApdu.h"

namespace tessarovin
{

class SecureMessagingCommand
	: public SecureMessagingApdu
{
	private:
		QSharedPointer<SM_PROTECTED_LE> mExpectedLength;
		QByteArray mExpectedLengthEncoded;
		QSharedPointer<SM_CHECKSUM> mMac;

	public:
		explicit SecureMessagingCommand(const CommandApdu& pCommandApdu);

		[[nodiscard]] int getExpectedLength() const;
		[[nodiscard]] QByteArray getProtectedLeObjectEncoded() const;
		[[nodiscard]] QByteArray getMac() const;
};

} // namespace tessarovin
