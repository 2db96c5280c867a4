#include "paos/received/TransmitParser.h"

#include "LogCategories.h"

using namespace tessarovin;


TransmitParser::TransmitParser(const QSharedPointer<ElementParser>& pParser)
	: mParser(pParser)
{
}


std::unique_ptr<Transmit> TransmitParser::parse()
{
	auto transmit = std::make_unique<Transmit>();
	QString slotHandle;

	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		if (name == QLatin1String("SlotHandle"))
		{
			if (mParser->readUniqueElementText(slotHandle))
			{
				transmit->setSlotHandle(slotHandle);
			}
		}
		else if (name == QLatin1String("InputAPDUInfo"))
		{
			parseInputApduInfo(*transmit);
		}
		else
		{
			qCWarning(paos) << "Unknown element:" << name;
			mParser->skipCurrentElement();
		}
	}

	if (mParser->parserFailed())
	{
		return nullptr;
	}
	return transmit;
}


void TransmitParser::parseInputApduInfo(Transmit& pTransmit)
{
	InputApduInfo info;
	QString inputApdu;

	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		if (name == QLatin1String("InputAPDU"))
		{
			if (!mParser->readUniqueElementText(inputApdu))
			{
				return;
			}
		}
		else if (name == QLatin1String("AcceptableStatusCode"))
		{
			// Kept as text: the codes are compared as hexadecimal prefixes of the status word.
			info.addAcceptableStatusCode(mParser->readElementText().toLatin1());
		}
		else
		{
			qCWarning(paos) << "Unknown element:" << name;
			mParser->skipCurrentElement();
		}
	}

	if (inputApdu.isNull())
	{
		qCWarning(paos) << "InputAPDU element missing";
		mParser->setParserFailed();
		return;
	}

	info.setInputApdu(QByteArray::fromHex(inputApdu.toUtf8()));
	pTransmit.appendInputApduInfo(info);
}
