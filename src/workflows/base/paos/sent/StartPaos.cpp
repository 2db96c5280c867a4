#include "paos/sent/StartPaos.h"

#include "paos/sent/SupportedApiVersion.h"
#include "VersionInfo.h"
#include "VersionNumber.h"

using namespace tessarovin;

namespace
{

// Every StartPAOS names the eID application of the card and its one slot.
const QLatin1String cCardApplication("e80704007f00070302");
const QLatin1String cSlotHandle("00");

} // namespace


StartPaos::StartPaos(const QByteArray& pSessionId)
	: PaosCreator()
	, PaosMessage(PaosType::STARTPAOS)
	, mSessionId(pSessionId)
{
}


StartPaos::~StartPaos() = default;


void StartPaos::createBodyElement(QXmlStreamWriter& pWriter)
{
	pWriter.writeStartElement(QStringLiteral("StartPAOS"));
	pWriter.writeAttribute(getNamespacePrefix(Namespace::DEFAULT), getNamespace(Namespace::TECHSCHEMA));

	writeTextElement(pWriter, QStringLiteral("SessionIdentifier"), mSessionId);
	createConnectionHandleElement(pWriter);
	createUserAgentElement(pWriter);
	createSupportedApiVersionsElement(pWriter);

	pWriter.writeEndElement();
}


void StartPaos::createConnectionHandleElement(QXmlStreamWriter& pWriter) const
{
	pWriter.writeStartElement(QStringLiteral("ConnectionHandle"));
	pWriter.writeAttribute(getNamespacePrefix(Namespace::XSI), getNamespace(Namespace::XSI));
	pWriter.writeAttribute(getNamespacePrefix(Namespace::XSI, QStringLiteral("type")), QStringLiteral("ConnectionHandleType"));
	pWriter.writeTextElement(QStringLiteral("CardApplication"), cCardApplication);
	pWriter.writeTextElement(QStringLiteral("SlotHandle"), cSlotHandle);
	pWriter.writeEndElement();
}


void StartPaos::createUserAgentElement(QXmlStreamWriter& pWriter) const
{
	// QVersionNumber answers 0 for a part the version does not have.
	const auto& version = VersionNumber::getApplicationVersion().getVersionNumber();

	pWriter.writeStartElement(QStringLiteral("UserAgent"));
	pWriter.writeTextElement(QStringLiteral("Name"), VersionInfo::getInstance().getImplementationTitle());
	pWriter.writeTextElement(QStringLiteral("VersionMajor"), QString::number(version.segmentAt(0)));
	pWriter.writeTextElement(QStringLiteral("VersionMinor"), QString::number(version.segmentAt(1)));
	pWriter.writeTextElement(QStringLiteral("VersionSubminor"), QString::number(version.segmentAt(2)));
	pWriter.writeEndElement();
}


void StartPaos::createSupportedApiVersionsElement(QXmlStreamWriter& pWriter) const
{
	pWriter.writeStartElement(QStringLiteral("SupportedAPIVersions"));
	pWriter.writeTextElement(QStringLiteral("Major"), QString::number(SupportedApiVersion::cMajor));
	pWriter.writeTextElement(QStringLiteral("Minor"), QString::number(SupportedApiVersion::cMinor));
	// "Subminor" here, "SubMinor" in InitializeFrameworkResponse: each as its schema spells it.
	pWriter.writeTextElement(QStringLiteral("Subminor"), QString::number(SupportedApiVersion::cSubminor));
	pWriter.writeEndElement();
}
