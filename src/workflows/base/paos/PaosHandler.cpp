#include "paos/PaosHandler.h"

#include "LogCategories.h"
#include "paos/ElementParser.h"
#include "paos/PaosParser.h"

#include <QXmlStreamReader>

using namespace tessarovin;


PaosHandler::PaosHandler(QIODevice* pBody, bool pLogging)
	: mParsedObject()
{
	// QXmlStreamReader resolves no external entities and caps the expansion of internal ones.
	const auto reader = QSharedPointer<QXmlStreamReader>::create(pBody);
	const auto parser = QSharedPointer<ElementParser>::create(reader, pLogging);
	setParsedObject(PaosParser().parse(parser));
}


void PaosHandler::setParsedObject(std::unique_ptr<PaosMessage> pParsedObject)
{
	if (!pParsedObject)
	{
		qCCritical(paos) << "Error parsing message.";
		return;
	}
	mParsedObject = QSharedPointer<PaosMessage>(pParsedObject.release());
}


PaosType PaosHandler::getDetectedPaosType() const
{
	return mParsedObject ? mParsedObject->getType() : PaosType::UNKNOWN;
}


const QSharedPointer<PaosMessage>& PaosHandler::getPaosMessage() const
{
	return mParsedObject;
}
