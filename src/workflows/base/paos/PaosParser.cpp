#include "paos/PaosParser.h"

#include "LogCategories.h"
#include "paos/received/DidAuthenticateParser.h"
#include "paos/received/InitializeFramework.h"
#include "paos/received/StartPaosResponse.h"
#include "paos/received/TransmitParser.h"

using namespace tessarovin;


PaosParser::~PaosParser() = default;


std::unique_ptr<PaosMessage> PaosParser::parse(const QSharedPointer<ElementParser>& pParser)
{
	mParser = pParser;

	std::unique_ptr<PaosMessage> message;
	while (mParser->readNextStartElement())
	{
		if (mParser->getElementName() == QLatin1String("Envelope"))
		{
			if (!mParser->assertNoDuplicateElement(message == nullptr))
			{
				qCWarning(paos) << "Duplicate Envelope element";
				return nullptr;
			}

			message = parseEnvelope();
			if (!message)
			{
				break;
			}
		}
		else
		{
			mParser->skipCurrentElement();
		}
	}

	if (mParser->documentFailed() || !message)
	{
		return nullptr;
	}

	message->setMessageId(mMessageId);
	message->setRelatesTo(mRelatesTo);
	return message;
}


std::unique_ptr<PaosMessage> PaosParser::parseEnvelope()
{
	std::unique_ptr<PaosMessage> message;
	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		if (name == QLatin1String("Body"))
		{
			if (mParser->assertNoDuplicateElement(message == nullptr))
			{
				message = parseBody();
			}
		}
		else if (name == QLatin1String("Header"))
		{
			parseHeader();
		}
		else
		{
			mParser->skipCurrentElement();
		}
	}

	if (!mParser->parserFailed() && !message)
	{
		qCWarning(paos) << "Element Body not found";
	}
	return message;
}


void PaosParser::parseHeader()
{
	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		if (name == QLatin1String("MessageID"))
		{
			mMessageId = mParser->readElementText();
		}
		else if (name == QLatin1String("RelatesTo"))
		{
			mRelatesTo = mParser->readElementText();
		}
		else
		{
			mParser->skipCurrentElement();
		}
	}
}


std::unique_ptr<PaosMessage> PaosParser::parseBody()
{
	std::unique_ptr<PaosMessage> message;
	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		const bool known = name == QLatin1String("InitializeFramework")
				|| name == QLatin1String("DIDAuthenticate")
				|| name == QLatin1String("Transmit")
				|| name == QLatin1String("StartPAOSResponse");
		if (!known)
		{
			mParser->skipCurrentElement();
			continue;
		}
		if (!mParser->assertNoDuplicateElement(message == nullptr))
		{
			break;
		}

		if (name == QLatin1String("InitializeFramework"))
		{
			// Its content is not read: this loop goes on among its children and ends at its end tag.
			message = std::make_unique<InitializeFramework>();
		}
		else if (name == QLatin1String("DIDAuthenticate"))
		{
			message = DidAuthenticateParser(mParser).parse();
		}
		else if (name == QLatin1String("Transmit"))
		{
			message = TransmitParser(mParser).parse();
		}
		else
		{
			message = std::make_unique<StartPaosResponse>(mParser);
		}
	}

	if (!mParser->parserFailed() && !message)
	{
		qCWarning(paos) << "No valid Body element found";
	}
	return message;
}
