#pragma once

#include <QByteArray>
#include <QByteArrayList>

namespace tessarovin
{

// One APDU that the eID server wants sent, with the status codes it accepts as hexadecimal
// prefixes of the status word ("90" accepts every 90xx).
class InputApduInfo
{
	private:
		QByteArray mInputApdu;
		QByteArrayList mAcceptableStatusCodes;

	public:
		explicit InputApduInfo(const QByteArray& pInputApdu = QByteArray());

		[[nodiscard]] const QByteArray& getInputApdu() const;
		void setInputApdu(const QByteArray& pInputApdu);

		[[nodiscard]] const QByteArrayList& getAcceptableStatusCodes() const;
		void addAcceptableStatusCode(const QByteArray& pStatusCode);
};

} // namespace tessarovin
