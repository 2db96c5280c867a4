// The simulated card's description: a JSON file the user chooses, with files and keys in hex.

#include "SimulatorFileSystem.h"

#include "FuzzEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tessarovin;


namespace
{

void readWhole(SimulatorFileSystem& pFileSystem, const QByteArray& pIdentifier)
{
	if (pFileSystem.select(pIdentifier) != StatusCode::SUCCESS)
	{
		return;
	}
	for (const int offset : {0, 1, 0x7FFF, 0x10000})
	{
		(void) pFileSystem.read(offset, 256, false);
		(void) pFileSystem.read(offset, 65536, true);
	}
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const auto description = QJsonDocument::fromJson(FuzzEnvironment::bytes(pData, pSize)).object();
	SimulatorFileSystem fileSystem(description);
	(void) fileSystem.getEfCardAccess();
	(void) fileSystem.getTrustPoint();

	// Every file and key the description names, as the simulated card's commands reach them.
	const auto files = description.value(QLatin1String("files")).toArray();
	for (const auto& file : files)
	{
		const auto entry = file.toObject();
		for (const auto* key : {"fileId", "shortFileId"})
		{
			readWhole(fileSystem, QByteArray::fromHex(entry.value(QLatin1String(key)).toString().toLatin1()));
		}
	}
	const auto keys = description.value(QLatin1String("keys")).toArray();
	for (const auto& key : keys)
	{
		(void) fileSystem.getKey(key.toObject().value(QLatin1String("id")).toInt());
	}

	// The card's copy and the original share their maps until one writes.
	SimulatorFileSystem copy(fileSystem);
	if (copy.select(QByteArray::fromHex("011C")) == StatusCode::SUCCESS)
	{
		(void) copy.write(0, QByteArrayLiteral("\x31\x00"));
	}
	return 0;
}
