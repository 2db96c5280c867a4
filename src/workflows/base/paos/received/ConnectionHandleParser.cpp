#include "paos/received/ConnectionHandleParser.h"

#include "LogCategories.h"

using namespace tessarovin;


ConnectionHandleParser::ConnectionHandleParser(const QSharedPointer<ElementParser>& pParser)
	: mParser(pParser)
{
}


ConnectionHandle ConnectionHandleParser::parse()
{
	ConnectionHandle handle;
	QString contextHandle;
	QString ifdName;
	QString slotIndex;
	QString cardApplication;
	QString slotHandle;

	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		if (name == QLatin1String("ContextHandle"))
		{
			if (mParser->readUniqueElementText(contextHandle))
			{
				handle.setContextHandle(contextHandle);
			}
		}
		else if (name == QLatin1String("IFDName"))
		{
			if (mParser->readUniqueElementText(ifdName))
			{
				handle.setIfdName(ifdName);
			}
		}
		else if (name == QLatin1String("SlotIndex"))
		{
			if (mParser->readUniqueElementText(slotIndex))
			{
				handle.setSlotIndex(slotIndex);
			}
		}
		else if (name == QLatin1String("CardApplication"))
		{
			if (mParser->readUniqueElementText(cardApplication))
			{
				handle.setCardApplication(cardApplication);
			}
		}
		else if (name == QLatin1String("SlotHandle"))
		{
			if (mParser->readUniqueElementText(slotHandle))
			{
				handle.setSlotHandle(slotHandle);
			}
		}
		else if (name == QLatin1String("RecognitionInfo"))
		{
			qCWarning(paos) << "Unsupported element:" << name;
			mParser->skipCurrentElement();
		}
		else
		{
			qCWarning(paos) << "Unknown element:" << name;
			mParser->skipCurrentElement();
		}
	}

	return mParser->parserFailed() ? ConnectionHandle() : handle;
}
