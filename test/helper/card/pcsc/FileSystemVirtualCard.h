#pragma once

#include "SimulatorFileSystem.h"
#include "VirtualCard.h"

namespace tessarovin
{

// The files of a simulated card, reached by SELECT and READ BINARY only; every other
// instruction is unsupported (6D 00).
class FileSystemVirtualCard
	: public VirtualCard
{
	private:
		SimulatorFileSystem mFileSystem;
		QByteArray mAtr;

	public:
		explicit FileSystemVirtualCard(const SimulatorFileSystem& pFileSystem = SimulatorFileSystem());

		[[nodiscard]] QByteArray getAtr() const override;
		void reset() override;
		QByteArray transmit(const QByteArray& pCommand) override;
};

} // namespace tessarovin
