#pragma once

#include "apdu/StatusCode.h"

#include <QByteArray>
#include <QDebug>

namespace tessarovin
{

// An ISO/IEC 7816-4 response APDU: the data and the status word SW1SW2 (0: no status at all).
class ResponseApdu
{
	private:
		quint16 mStatusWord;
		QByteArray mData;

	public:
		ResponseApdu();
		explicit ResponseApdu(const QByteArray& pBytes);
		explicit ResponseApdu(StatusCode pStatusCode, const QByteArray& pData = QByteArray());

		[[nodiscard]] StatusCode getStatusCode() const;
		[[nodiscard]] QByteArray getStatusBytes() const;
		[[nodiscard]] const QByteArray& getData() const;
		[[nodiscard]] int getRetryCounter() const;
		[[nodiscard]] bool isEmpty() const;

		operator QByteArray() const;
};


QDebug operator<<(QDebug pDbg, const ResponseApdu& pResponseApdu);

} // namespace tessarovin
