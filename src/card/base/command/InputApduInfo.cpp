#include "command/InputApduInfo.h"

using namespace tessarovin;

InputApduInfo::InputApduInfo(const QByteArray& pInputApdu)
	: mInputApdu(pInputApdu)
	, mAcceptableStatusCodes()
{
}


const QByteArray& InputApduInfo::getInputApdu() const
{
	return mInputApdu;
}


void InputApduInfo::setInputApdu(const QByteArray& pInputApdu)
{
	mInputApdu = pInputApdu;
}


const QByteArrayList& InputApduInfo::getAcceptableStatusCodes() const
{
	return mAcceptableStatusCodes;
}


void InputApduInfo::addAcceptableStatusCode(const QByteArray& pStatusCode)
{
	mAcceptableStatusCodes += pStatusCode;
}
