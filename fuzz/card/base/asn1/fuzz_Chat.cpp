// The certificate holder authorization template: from the eID server (required and optional
// rights), inside every CV certificate and in pin-pad requests.

#include "asn1/Chat.h"

#include "FuzzEnvironment.h"

#include <QDebug>

#include <cstdlib>

using namespace tessarovin;


namespace
{

void inspect(chat_st& pChat)
{
	qDebug() << pChat.getType();
	(void) pChat.getTemplate();
	(void) pChat.getAccessRole();
	(void) pChat.getAccessRights();

	// What the workflows do with a required CHAT: copy it and change the rights.
	const auto copy = pChat.copy();
	if (!copy)
	{
		return;
	}
	copy->removeAccessRight(AccessRight::AGE_VERIFICATION);
	copy->setTemplateBit(0, true);
	copy->setAccessRights(pChat.getAccessRights());
	copy->removeAllAccessRights();
	(void) encodeObject(copy.data());

	// A decoded CHAT encodes to what decodes to the same CHAT.
	const QByteArray encoded = encodeObject(&pChat);
	const auto again = chat_st::decode(encoded);
	if (!again || encodeObject(again.data()) != encoded)
	{
		abort();
	}
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const QByteArray input = FuzzEnvironment::bytes(pData, pSize);
	if (const auto chat = chat_st::decode(input))
	{
		inspect(*chat);
	}
	// The eID server sends it as hexadecimal text.
	if (const auto chat = chat_st::fromHex(QString::fromLatin1(input)))
	{
		inspect(*chat);
	}
	return 0;
}
