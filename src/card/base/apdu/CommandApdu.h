#pragma once

#include "apdu/Ins.h"

#include <QByteArray>
#include <QDebug>

namespace tessarovin
{

// An ISO/IEC 7816-4 command APDU in short or extended length.
class CommandApdu
{
	private:
		uchar mCla;
		uchar mIns;
		uchar mP1;
		uchar mP2;
		QByteArray mData;
		int mLe;

		void checkLimits() const;

	public:
		static constexpr int NO_LE = 0;
		static constexpr int SHORT_MAX_LC = 0xFF;
		static constexpr int SHORT_MAX_LE = 0x100;
		static constexpr int EXTENDED_MAX_LC = 0xFFFF;
		static constexpr int EXTENDED_MAX_LE = 0x10000;

		static constexpr uchar CLA_PROPRIETARY = 0x80;
		static constexpr uchar CLA_COMMAND_CHAINING = 0x10;
		static constexpr uchar CLA_SECURE_MESSAGING = 0x0C;

		CommandApdu();
		explicit CommandApdu(const QByteArray& pBytes);
		CommandApdu(const QByteArray& pHeader, const QByteArray& pData, int pLe = NO_LE);
		CommandApdu(Ins pIns, uchar pP1, uchar pP2, const QByteArray& pData = QByteArray(), int pLe = NO_LE);
		virtual ~CommandApdu();

		CommandApdu(const CommandApdu&) = default;
		CommandApdu(CommandApdu&&) = default;
		CommandApdu& operator=(const CommandApdu&) = default;
		CommandApdu& operator=(CommandApdu&&) = default;

		static bool isExtendedLength(const QByteArray& pData, int pLe);

		[[nodiscard]] bool isExtendedLength() const;
		[[nodiscard]] bool isCommandChaining() const;
		void enableCommandChaining();
		[[nodiscard]] bool isSecureMessaging() const;
		void setSecureMessaging(bool pEnabled);
		[[nodiscard]] bool isProprietary() const;
		[[nodiscard]] bool isEmpty() const;

		[[nodiscard]] Ins getINS() const;
		[[nodiscard]] uchar getP1() const;
		[[nodiscard]] uchar getP2() const;
		[[nodiscard]] const QByteArray& getData() const;
		[[nodiscard]] int getLe() const;
		[[nodiscard]] QByteArray getHeaderBytes() const;

		operator QByteArray() const;
};


QDebug operator<<(QDebug pDbg, const CommandApdu& pCommandApdu);

} // namespace tessarovin
