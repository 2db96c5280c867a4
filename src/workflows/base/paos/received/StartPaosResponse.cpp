#include "paos/received/StartPaosResponse.h"

using namespace tessarovin;


StartPaosResponse::StartPaosResponse(const QSharedPointer<ElementParser>& pParser)
	: ResponseType(PaosType::STARTPAOS_RESPONSE)
	, mParser(pParser)
	, mResultMajor()
	, mResultMinor()
	, mResultMessage()
{
	while (mParser->readNextStartElement())
	{
		if (mParser->getElementName() == QLatin1String("Result"))
		{
			parseResult();
		}
		else
		{
			mParser->skipCurrentElement();
		}
	}

	setResult(ECardApiResult(mResultMajor, mResultMinor, mResultMessage, ECardApiResult::Origin::Server));
}


StartPaosResponse::~StartPaosResponse() = default;


void StartPaosResponse::parseResult()
{
	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		if (name == QLatin1String("ResultMajor"))
		{
			mResultMajor = mParser->readElementText();
		}
		else if (name == QLatin1String("ResultMinor"))
		{
			mResultMinor = mParser->readElementText();
		}
		else if (name == QLatin1String("ResultMessage"))
		{
			mResultMessage = mParser->readElementText();
		}
		else
		{
			mParser->skipCurrentElement();
		}
	}
}
