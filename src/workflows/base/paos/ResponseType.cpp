#include "paos/ResponseType.h"

using namespace tessarovin;


ResponseType::ResponseType(PaosType pType)
	: PaosMessage(pType)
	, mResult(ECardApiResult::createOk())
{
}


ResponseType::~ResponseType() = default;


const ECardApiResult& ResponseType::getResult() const
{
	return mResult;
}


void ResponseType::setResult(const ECardApiResult& pResult)
{
	mResult = pResult;
}
