#include "apdu/FileCommand.h"

#include "LogCategories.h"

using namespace tessarovin;

FileCommand::FileCommand(const FileRef& pFileRef, uint pOffset, int pLe)
	: mFileRef(pFileRef)
	, mOffset(pOffset)
	, mLe(pLe)
{
}


FileCommand::FileCommand(const CommandApdu& pCommandApdu)
	: mFileRef()
	, mOffset(0)
	, mLe(pCommandApdu.getLe())
{
	const auto p1 = pCommandApdu.getP1();
	const auto p2 = pCommandApdu.getP2();

	switch (pCommandApdu.getINS())
	{
		case Ins::READ_BINARY:
		case Ins::UPDATE_BINARY:
			if ((p1 & 0xE0) == SHORT_FILE_ID_FLAG)
			{
				mFileRef = FileRef(FileRef::ELEMENTARY_FILE, QByteArray(), QByteArray(1, static_cast<char>(p1 & SHORT_FILE_ID_MASK)));
				mOffset = p2;
			}
			else
			{
				mOffset = (static_cast<uint>(p1) << 8) | p2;
			}
			break;

		case Ins::SELECT:
			mFileRef = FileRef(p1, pCommandApdu.getData(), QByteArray());
			break;

		default:
			qCCritical(card) << "Unexpected INS";
	}
}


const FileRef& FileCommand::getFileRef() const
{
	return mFileRef;
}


uint FileCommand::getOffset() const
{
	return mOffset;
}


int FileCommand::getLe() const
{
	return mLe;
}


CommandApdu FileCommand::createCommandApdu() const
{
	if (mLe == CommandApdu::NO_LE)
	{
		return CommandApdu(Ins::SELECT, static_cast<uchar>(mFileRef.getType()), 0x0C, mFileRef.getIdentifier());
	}

	if (mOffset > MAX_OFFSET)
	{
		// Larger offsets would set the short-identifier bit or wrap and read another file.
		qCCritical(card) << "Offset exceeds the range of READ BINARY:" << mOffset;
		return CommandApdu();
	}

	if (mOffset == 0 && mFileRef.getType() == FileRef::ELEMENTARY_FILE)
	{
		const auto& shortIdentifier = mFileRef.getShortIdentifier();
		if (shortIdentifier.size() > 1 || (shortIdentifier.size() == 1 && (static_cast<uchar>(shortIdentifier.at(0)) & ~SHORT_FILE_ID_MASK) != 0))
		{
			// Bits above the five of a short identifier would turn P1 into an offset of the current file.
			qCCritical(card) << "Invalid short file identifier:" << shortIdentifier.toHex();
			return CommandApdu();
		}

		if (!shortIdentifier.isEmpty())
		{
			const auto p1 = static_cast<uchar>(SHORT_FILE_ID_FLAG | static_cast<uchar>(shortIdentifier.at(0)));
			return CommandApdu(Ins::READ_BINARY, p1, 0x00, QByteArray(), mLe);
		}

		// READ BINARY cannot carry a two-byte file identifier: read the selected file instead.
		qCWarning(card) << "No short file identifier, reading the currently selected file:" << mFileRef;
	}

	return CommandApdu(Ins::READ_BINARY, static_cast<uchar>(mOffset >> 8), static_cast<uchar>(mOffset & 0xFF), QByteArray(), mLe);
}


FileCommand::operator CommandApdu() const
{
	return createCommandApdu();
}
