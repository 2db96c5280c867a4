#pragma once

#include "VirtualCard.h"

#include <QByteArray>

#include <atomic>
#include <memory>
#include <thread>

namespace tessarovin
{

// Puts a VirtualCard into a reader of vsmartcard's vpcd driver in a running pcscd. vpcd listens on
// 127.0.0.1:35963; while a client is connected its reader holds a card. Each message is a 2-byte
// big-endian length and its bytes: one byte is a control code (power off, power on, reset, ATR
// request), more is a command APDU, answered by the response APDU.
//
// The connection runs on a thread of its own, so that the card answers while the caller's thread
// is blocked in SCardTransmit.
class VpcdAdapter
{
	private:
		std::shared_ptr<VirtualCard> mCard;
		int mSocket;
		std::thread mThread;
		std::atomic<bool> mRunning;
		std::atomic<int> mCommandCount;

		void run();
		bool receive(QByteArray& pMessage) const;
		bool send(const QByteArray& pMessage) const;

	public:
		static constexpr quint16 cPort = 35963;

		VpcdAdapter();
		~VpcdAdapter();
		VpcdAdapter(const VpcdAdapter&) = delete;
		VpcdAdapter& operator=(const VpcdAdapter&) = delete;

		// Connects to vpcd: the card is inserted. Waits up to pTimeoutMs for vpcd to listen.
		bool insert(const std::shared_ptr<VirtualCard>& pCard, int pTimeoutMs = 10000);
		// Closes the connection: vpcd reports the card removed.
		void remove();
		[[nodiscard]] bool isInserted() const;
		[[nodiscard]] int getCommandCount() const;
};

} // namespace tessarovin
