#include "paos/sent/PaosCreator.h"

#include "RandomSource.h"

#include <QMap>
#include <QUuid>

using namespace tessarovin;

namespace
{

using Namespace = PaosCreator::Namespace;

struct NamespaceTables
{
	QMap<Namespace, QString> mPrefixes;
	QMap<Namespace, QString> mUris;
};


// Both tables share the key: a prefix is only ever declared with its own URI.
const NamespaceTables& namespaceTables()
{
	static const NamespaceTables tables = [] {
				const std::initializer_list<std::tuple<Namespace, QString, QString>> entries = {
					{Namespace::DEFAULT, QString(), QString()},
					{Namespace::SOAPENV, QStringLiteral("soap"), QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/")},
					{Namespace::XSD, QStringLiteral("xsd"), QStringLiteral("http://www.w3.org/2001/XMLSchema")},
					{Namespace::XSI, QStringLiteral("xsi"), QStringLiteral("http://www.w3.org/2001/XMLSchema-instance")},
					{Namespace::PAOS, QStringLiteral("paos"), QStringLiteral("urn:liberty:paos:2006-08")},
					{Namespace::ADDRESSING, QStringLiteral("wsa"), QStringLiteral("http://www.w3.org/2005/03/addressing")},
					{Namespace::DSS, QStringLiteral("dss"), QStringLiteral("urn:oasis:names:tc:dss:1.0:core:schema")},
					{Namespace::ECARD, QStringLiteral("ecard"), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1")},
					{Namespace::TECHSCHEMA, QStringLiteral("iso"), QStringLiteral("urn:iso:std:iso-iec:24727:tech:schema")}
				};

				NamespaceTables result;
				for (const auto& [key, prefix, uri] : entries)
				{
					result.mPrefixes.insert(key, prefix);
					result.mUris.insert(key, uri);
				}
				return result;
			}();
	return tables;
}


const QLatin1String cSoapActorNext("http://schemas.xmlsoap.org/soap/actor/next");
const QLatin1String cPaosRoleEndpoint("http://www.projectliberty.org/2006/01/role/paos");
const QLatin1String cPaosRoleReplyTo("http://www.projectliberty.org/2006/02/role/paos");
const QLatin1String cServiceTypeSuffix("/PAOS/GetNextCommand");

} // namespace


PaosCreator::PaosCreator()
	: mContent()
	, mRelatesTo()
	, mWriter(&mContent)
{
	mWriter.setAutoFormatting(true);
}


PaosCreator::~PaosCreator() = default;


QString PaosCreator::getNamespace(Namespace pNamespace)
{
	return namespaceTables().mUris.value(pNamespace);
}


QString PaosCreator::getNamespacePrefix(Namespace pNamespace, const QString& pSuffix)
{
	const QString prefix = namespaceTables().mPrefixes.value(pNamespace);
	if (!pSuffix.isNull() && !prefix.isEmpty())
	{
		return prefix + QLatin1Char(':') + pSuffix;
	}

	if (prefix.isEmpty())
	{
		return QStringLiteral("xmlns");
	}
	return QStringLiteral("xmlns:") + prefix;
}


QString PaosCreator::getNamespaceType(Namespace pNamespace, const QString& pType)
{
	return namespaceTables().mPrefixes.value(pNamespace) + QLatin1Char(':') + pType;
}


QByteArray PaosCreator::marshall()
{
	// The writer's buffer turns the null array into an empty one when it opens, so emptiness,
	// not nullness, tells an unwritten document.
	if (mContent.isEmpty())
	{
		createEnvelope();
	}
	return mContent;
}


void PaosCreator::setRelatesTo(const QString& pRelatesTo)
{
	mRelatesTo = pRelatesTo;
}


void PaosCreator::createEnvelope()
{
	mWriter.writeStartDocument();
	mWriter.writeStartElement(getNamespacePrefix(Namespace::SOAPENV, QStringLiteral("Envelope")));
	for (const auto ns : {Namespace::SOAPENV, Namespace::XSD, Namespace::XSI, Namespace::PAOS,
						  Namespace::ADDRESSING, Namespace::DSS, Namespace::ECARD, Namespace::TECHSCHEMA})
	{
		mWriter.writeAttribute(getNamespacePrefix(ns), getNamespace(ns));
	}

	createHeader();

	mWriter.writeStartElement(getNamespacePrefix(Namespace::SOAPENV, QStringLiteral("Body")));
	createBodyElement(mWriter);
	mWriter.writeEndElement();

	mWriter.writeEndElement();
	mWriter.writeEndDocument();
}


void PaosCreator::createHeader()
{
	mWriter.writeStartElement(getNamespacePrefix(Namespace::SOAPENV, QStringLiteral("Header")));

	mWriter.writeStartElement(getNamespacePrefix(Namespace::PAOS, QStringLiteral("PAOS")));
	mWriter.writeAttribute(getNamespacePrefix(Namespace::SOAPENV, QStringLiteral("mustUnderstand")), QStringLiteral("1"));
	mWriter.writeAttribute(getNamespacePrefix(Namespace::SOAPENV, QStringLiteral("actor")), cSoapActorNext);
	mWriter.writeTextElement(getNamespacePrefix(Namespace::PAOS, QStringLiteral("Version")), getNamespace(Namespace::PAOS));
	mWriter.writeStartElement(getNamespacePrefix(Namespace::PAOS, QStringLiteral("EndpointReference")));
	mWriter.writeTextElement(getNamespacePrefix(Namespace::PAOS, QStringLiteral("Address")), cPaosRoleEndpoint);
	mWriter.writeStartElement(getNamespacePrefix(Namespace::PAOS, QStringLiteral("MetaData")));
	mWriter.writeTextElement(getNamespacePrefix(Namespace::PAOS, QStringLiteral("ServiceType")), getNamespace(Namespace::ECARD) + cServiceTypeSuffix);
	mWriter.writeEndElement(); // MetaData
	mWriter.writeEndElement(); // EndpointReference
	mWriter.writeEndElement(); // PAOS

	mWriter.writeStartElement(getNamespacePrefix(Namespace::ADDRESSING, QStringLiteral("ReplyTo")));
	mWriter.writeTextElement(getNamespacePrefix(Namespace::ADDRESSING, QStringLiteral("Address")), cPaosRoleReplyTo);
	mWriter.writeEndElement();

	if (!mRelatesTo.isNull())
	{
		mWriter.writeTextElement(getNamespacePrefix(Namespace::ADDRESSING, QStringLiteral("RelatesTo")), mRelatesTo);
	}

	const QUuid uuid = RandomSource::getInstance().createUuid();
	mWriter.writeTextElement(getNamespacePrefix(Namespace::ADDRESSING, QStringLiteral("MessageID")),
			QStringLiteral("urn:uuid:") + uuid.toString(QUuid::WithoutBraces));

	mWriter.writeEndElement(); // Header
}


void PaosCreator::writeResult(QXmlStreamWriter& pWriter, const ECardApiResult& pResult)
{
	pWriter.writeStartElement(QStringLiteral("Result"));
	pWriter.writeAttribute(getNamespacePrefix(Namespace::DEFAULT), getNamespace(Namespace::DSS));
	pWriter.writeTextElement(QStringLiteral("ResultMajor"), pResult.getMajorString());

	if (pResult.getMinor() != ECardApiResult::Minor::null)
	{
		pWriter.writeTextElement(QStringLiteral("ResultMinor"), pResult.getMinorString());
	}

	if (!pResult.getMessage().isNull())
	{
		pWriter.writeStartElement(QStringLiteral("ResultMessage"));
		pWriter.writeAttribute(QStringLiteral("xml:lang"), pResult.getLanguage());
		pWriter.writeCharacters(pResult.getMessage());
		pWriter.writeEndElement();
	}

	pWriter.writeEndElement();
}


void PaosCreator::writeTextElement(QXmlStreamWriter& pWriter, const QString& pName, const QByteArray& pText)
{
	pWriter.writeTextElement(pName, QString::fromLatin1(pText));
}
