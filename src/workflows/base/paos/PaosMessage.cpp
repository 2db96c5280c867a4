#include "paos/PaosMessage.h"

using namespace tessarovin;


PaosMessage::PaosMessage(PaosType pType)
	: mMessageId()
	, mRelatesTo()
	, mType(pType)
{
}


PaosMessage::~PaosMessage() = default;


PaosType PaosMessage::getType() const
{
	return mType;
}


const QString& PaosMessage::getMessageId() const
{
	return mMessageId;
}


void PaosMessage::setMessageId(const QString& pMessageId)
{
	mMessageId = pMessageId;
}


const QString& PaosMessage::getRelatesTo() const
{
	return mRelatesTo;
}


void PaosMessage::setRelatesTo(const QString& pRelatesTo)
{
	mRelatesTo = pRelatesTo;
}
