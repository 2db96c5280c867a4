#pragma once

#include "apdu/CommandApdu.h"
#include "FileRef.h"

namespace tessarovin
{

// A SELECT (Le 0) or READ BINARY (Le > 0) seen through the file it addresses.
class FileCommand
{
	private:
		FileRef mFileRef;
		uint mOffset;
		int mLe;

		static constexpr uchar SHORT_FILE_ID_MASK = 0x1F;
		static constexpr uchar SHORT_FILE_ID_FLAG = 0x80;
		// P1 bit 8 marks a short identifier, so an offset has 15 bits only.
		static constexpr uint MAX_OFFSET = 0x7FFF;

	public:
		FileCommand(const FileRef& pFileRef, uint pOffset = 0, int pLe = CommandApdu::NO_LE);
		explicit FileCommand(const CommandApdu& pCommandApdu);

		[[nodiscard]] const FileRef& getFileRef() const;
		[[nodiscard]] uint getOffset() const;
		[[nodiscard]] int getLe() const;

		[[nodiscard]] CommandApdu createCommandApdu() const;
		operator CommandApdu() const;
};

} // namespace tessarovin
