#include "Msg.h"

using namespace tessarovin;


Msg::Msg(MsgType pType, const QByteArray& pData)
	: mType(pType)
	, mData(pData)
{
}


MsgType Msg::getType() const
{
	return mType;
}


const QByteArray& Msg::getData() const
{
	return mData;
}


bool Msg::isEmpty() const
{
	return mData.isEmpty();
}


Msg::operator QByteArray() const
{
	return mData;
}
