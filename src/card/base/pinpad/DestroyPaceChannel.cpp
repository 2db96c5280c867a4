#include "pinpad/DestroyPaceChannel.h"

using namespace tessarovin;

QByteArray DestroyPaceChannel::createCommandData()
{
	// Function index 3, no input data (its length as two bytes).
	return QByteArray::fromHex("030000");
}
