#include "paos/received/Transmit.h"

using namespace tessarovin;


Transmit::Transmit()
	: PaosMessage(PaosType::TRANSMIT)
	, mSlotHandle()
	, mInputApduInfos()
{
}


Transmit::~Transmit() = default;


const QString& Transmit::getSlotHandle() const
{
	return mSlotHandle;
}


void Transmit::setSlotHandle(const QString& pSlotHandle)
{
	mSlotHandle = pSlotHandle;
}


const QList<InputApduInfo>& Transmit::getInputApduInfos() const
{
	return mInputApduInfos;
}


void Transmit::appendInputApduInfo(const InputApduInfo& pInputApduInfo)
{
	mInputApduInfos += pInputApduInfo;
}
