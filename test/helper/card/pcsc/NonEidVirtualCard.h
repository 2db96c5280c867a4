#pragma once

#include "VirtualCard.h"

namespace tessarovin
{

// A card without the eID application, as a bank card shows itself: every SELECT is answered with
// "file not found" (6A82), every other command with "instruction not supported" (6D00).
class NonEidVirtualCard
	: public VirtualCard
{
	public:
		[[nodiscard]] QByteArray getAtr() const override;
		QByteArray transmit(const QByteArray& pCommand) override;
};

} // namespace tessarovin
