#include "paos/sent/InitializeFrameworkResponse.h"

#include "paos/sent/SupportedApiVersion.h"

using namespace tessarovin;


InitializeFrameworkResponse::InitializeFrameworkResponse()
	: PaosCreator()
	, ResponseType(PaosType::INITIALIZE_FRAMEWORK_RESPONSE)
{
}


InitializeFrameworkResponse::~InitializeFrameworkResponse() = default;


void InitializeFrameworkResponse::createBodyElement(QXmlStreamWriter& pWriter)
{
	pWriter.writeStartElement(QStringLiteral("InitializeFrameworkResponse"));
	pWriter.writeAttribute(getNamespacePrefix(Namespace::DEFAULT), getNamespace(Namespace::ECARD));
	pWriter.writeAttribute(QStringLiteral("Profile"), getNamespace(Namespace::ECARD));

	writeResult(pWriter, getResult());

	pWriter.writeStartElement(QStringLiteral("Version"));
	pWriter.writeTextElement(QStringLiteral("Major"), QString::number(SupportedApiVersion::cMajor));
	pWriter.writeTextElement(QStringLiteral("Minor"), QString::number(SupportedApiVersion::cMinor));
	pWriter.writeTextElement(QStringLiteral("SubMinor"), QString::number(SupportedApiVersion::cSubminor));
	pWriter.writeEndElement();

	pWriter.writeEndElement();
}
