// The generic TLV tree: command data, certificate extensions and simulator answers are read with it.

#include "asn1/ASN1Struct.h"

#include "FuzzEnvironment.h"

#include <cstdlib>

using namespace tessarovin;


namespace
{

void walk(const ASN1Struct& pNode)
{
	(void) pNode.getClass();
	(void) pNode.getTag();
	(void) pNode.getContent();
	for (const auto& child : pNode.getChildren())
	{
		walk(child);
	}
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const QByteArray input = FuzzEnvironment::bytes(pData, pSize);
	const ASN1Struct tree(input);
	walk(tree);

	// The first two bytes choose what to search for: every class and the low tag numbers.
	const int searchClass = pSize > 0 ? pData[0] & 0xC0 : 0x80;
	const int searchTag = pSize > 1 ? pData[1] & 0x1F : 0;
	(void) tree.getData(searchClass, searchTag);
	(void) tree.getObject(searchClass, searchTag);

	// Whatever was read encodes to bytes that read back to the same tree.
	const QByteArray encoded = tree.encode();
	if (ASN1Struct(encoded).encode() != encoded)
	{
		abort();
	}
	return 0;
}
