// Command APDUs as bytes: what the simulated card and the remote reader service receive, and what
// they take apart as file commands.

#include "apdu/CommandApdu.h"
#include "apdu/FileCommand.h"

#include "FuzzEnvironment.h"

#include <QDebug>

#include <cstdlib>

using namespace tessarovin;


namespace
{

bool sameFields(const CommandApdu& pLeft, const CommandApdu& pRight)
{
	return pLeft.getHeaderBytes() == pRight.getHeaderBytes()
		   && pLeft.getData() == pRight.getData()
		   && pLeft.getLe() == pRight.getLe();
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const CommandApdu command(FuzzEnvironment::bytes(pData, pSize));
	(void) command.getINS();
	(void) command.isExtendedLength();
	(void) command.isCommandChaining();
	(void) command.isSecureMessaging();
	(void) command.isProprietary();
	(void) command.isEmpty();
	qDebug() << command;

	// Whatever was read is sent on as bytes that read back to the same command.
	const QByteArray serialised(command);
	if (serialised.isEmpty() || !sameFields(CommandApdu(serialised), command))
	{
		abort();
	}

	const FileCommand fileCommand(command);
	(void) fileCommand.getFileRef();
	(void) fileCommand.getOffset();
	(void) QByteArray(fileCommand.createCommandApdu());
	return 0;
}
