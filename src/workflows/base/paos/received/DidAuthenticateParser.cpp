#include "paos/received/DidAuthenticateParser.h"

#include "LogCategories.h"
#include "paos/received/ConnectionHandleParser.h"
#include "paos/received/DidAuthenticateEac1Parser.h"
#include "paos/received/DidAuthenticateEac2Parser.h"
#include "paos/received/DidAuthenticateEacAdditionalParser.h"
#include "paos/sent/PaosCreator.h"

using namespace tessarovin;


DidAuthenticateParser::DidAuthenticateParser(const QSharedPointer<ElementParser>& pParser)
	: mParser(pParser)
	, mConnectionHandle()
	, mDidName()
{
}


std::unique_ptr<DidAuthenticateMessage> DidAuthenticateParser::parse()
{
	std::unique_ptr<DidAuthenticateMessage> result;
	bool handleRead = false;

	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		if (name == QLatin1String("DIDName"))
		{
			mParser->readUniqueElementText(mDidName);
		}
		else if (name == QLatin1String("ConnectionHandle"))
		{
			if (mParser->assertNoDuplicateElement(!handleRead))
			{
				mConnectionHandle = ConnectionHandleParser(mParser).parse();
				handleRead = true;
			}
		}
		else if (name == QLatin1String("AuthenticationProtocolData"))
		{
			// Only the namespace of the attribute counts; the prefix of the type name does not.
			const auto type = mParser->getElementTypeByNamespace(PaosCreator::getNamespace(PaosCreator::Namespace::XSI));
			if (type.endsWith(QLatin1String("EAC1InputType")))
			{
				result = DidAuthenticateEac1Parser(mParser).parse();
			}
			else if (type.endsWith(QLatin1String("EAC2InputType")))
			{
				result = DidAuthenticateEac2Parser(mParser).parse();
			}
			else if (type.endsWith(QLatin1String("EACAdditionalInputType")))
			{
				result = DidAuthenticateEacAdditionalParser(mParser).parse();
			}
		}
		else
		{
			mParser->skipCurrentElement();
		}
	}

	if (result && handleRead)
	{
		result->setDidName(mDidName);
		result->setConnectionHandle(mConnectionHandle);
		qCDebug(paos) << "DidAuthenticateParser:" << mDidName << mConnectionHandle.getIfdName();
	}
	return result;
}
