#include "FileSystemVirtualCard.h"

#include "apdu/CommandApdu.h"
#include "apdu/FileCommand.h"
#include "apdu/ResponseApdu.h"

using namespace tessarovin;

namespace
{

QByteArray statusWord(StatusCode pStatusCode)
{
	return QByteArray(ResponseApdu(pStatusCode));
}


} // namespace


FileSystemVirtualCard::FileSystemVirtualCard(const SimulatorFileSystem& pFileSystem)
	: VirtualCard()
	, mFileSystem(pFileSystem)
	// T=1, historical bytes "Kendrawell".
	, mAtr(QByteArray::fromHex("3B8A8001") + QByteArrayLiteral("Kendrawell"))
{
	char check = 0;
	for (qsizetype i = 1; i < mAtr.size(); ++i)
	{
		check = static_cast<char>(check ^ mAtr.at(i));
	}
	mAtr += check;
}


QByteArray FileSystemVirtualCard::getAtr() const
{
	return mAtr;
}


void FileSystemVirtualCard::reset()
{
	static_cast<void>(mFileSystem.select(QByteArray()));
}


QByteArray FileSystemVirtualCard::transmit(const QByteArray& pCommand)
{
	const CommandApdu command(pCommand);
	switch (command.getINS())
	{
		case Ins::SELECT:
		{
			// The master file and the applications stand for the whole card.
			const FileCommand select(command);
			if (select.getFileRef().getType() != FileRef::TYPE::ELEMENTARY_FILE)
			{
				return statusWord(StatusCode::SUCCESS);
			}
			return statusWord(mFileSystem.select(select.getFileRef().getIdentifier()));
		}

		case Ins::READ_BINARY:
		{
			const FileCommand read(command);
			if (!read.getFileRef().getShortIdentifier().isEmpty()
					&& mFileSystem.select(read.getFileRef().getShortIdentifier()) != StatusCode::SUCCESS)
			{
				return statusWord(StatusCode::FILE_NOT_FOUND);
			}
			return mFileSystem.read(read.getOffset(), read.getLe(), command.isExtendedLength());
		}

		default:
			return statusWord(StatusCode::UNSUPPORTED_INS);
	}
}
