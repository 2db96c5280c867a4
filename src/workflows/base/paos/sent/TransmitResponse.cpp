#include "paos/sent/TransmitResponse.h"

using namespace tessarovin;


TransmitResponse::TransmitResponse()
	: PaosCreator()
	, ResponseType(PaosType::TRANSMIT_RESPONSE)
	, mOutputApdus()
{
}


TransmitResponse::~TransmitResponse() = default;


void TransmitResponse::setOutputApdus(const QList<QByteArray>& pOutputApdus)
{
	mOutputApdus = pOutputApdus;
}


void TransmitResponse::createBodyElement(QXmlStreamWriter& pWriter)
{
	pWriter.writeStartElement(QStringLiteral("TransmitResponse"));
	pWriter.writeAttribute(getNamespacePrefix(Namespace::DEFAULT), getNamespace(Namespace::TECHSCHEMA));
	pWriter.writeAttribute(QStringLiteral("Profile"), getNamespace(Namespace::ECARD));

	writeResult(pWriter, getResult());
	for (const auto& apdu : std::as_const(mOutputApdus))
	{
		writeTextElement(pWriter, QStringLiteral("OutputAPDU"), apdu);
	}

	pWriter.writeEndElement();
}
