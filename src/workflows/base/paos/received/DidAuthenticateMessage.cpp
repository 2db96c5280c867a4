#include "paos/received/DidAuthenticateMessage.h"

using namespace tessarovin;


DidAuthenticateMessage::DidAuthenticateMessage(PaosType pType)
	: PaosMessage(pType)
	, mConnectionHandle()
	, mDidName()
{
}


DidAuthenticateMessage::~DidAuthenticateMessage() = default;


const ConnectionHandle& DidAuthenticateMessage::getConnectionHandle() const
{
	return mConnectionHandle;
}


void DidAuthenticateMessage::setConnectionHandle(const ConnectionHandle& pConnectionHandle)
{
	mConnectionHandle = pConnectionHandle;
}


const QString& DidAuthenticateMessage::getDidName() const
{
	return mDidName;
}


void DidAuthenticateMessage::setDidName(const QString& pDidName)
{
	mDidName = pDidName;
}
