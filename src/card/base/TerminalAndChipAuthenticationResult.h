#pragma once

#include "apdu/CardReturnCode.h"

#include <QByteArray>

namespace tessarovin
{

// What a reader that runs Terminal and Chip Authentication itself hands back.
struct TerminalAndChipAuthenticationResult
{
	CardReturnCode mReturnCode = CardReturnCode::UNDEFINED;
	QByteArray mEfCardSecurity = QByteArray();
	QByteArray mAuthenticationToken = QByteArray();
	QByteArray mNonce = QByteArray();
};

} // namespace tessarovin
