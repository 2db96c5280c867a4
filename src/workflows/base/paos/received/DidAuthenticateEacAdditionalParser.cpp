#include "paos/received/DidAuthenticateEacAdditionalParser.h"

#include "LogCategories.h"

using namespace tessarovin;


DidAuthenticateEacAdditionalParser::DidAuthenticateEacAdditionalParser(const QSharedPointer<ElementParser>& pParser)
	: mParser(pParser)
{
}


std::unique_ptr<DIDAuthenticateEACAdditional> DidAuthenticateEacAdditionalParser::parse()
{
	auto message = std::make_unique<DIDAuthenticateEACAdditional>();
	message->setSignature(parseEacAdditionalInputType());
	if (mParser->parserFailed())
	{
		return nullptr;
	}
	return message;
}


QString DidAuthenticateEacAdditionalParser::parseEacAdditionalInputType()
{
	QString signature;
	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		if (name == QLatin1String("Signature"))
		{
			if (!mParser->readUniqueElementText(signature))
			{
				qCWarning(paos) << "Abort parsing of Signature";
				mParser->setParserFailed();
			}
		}
		else
		{
			qCWarning(paos) << "Unknown element:" << name;
			mParser->skipCurrentElement();
		}
	}

	mParser->assertMandatoryElement(signature, "Signature");
	return signature;
}
