#include "PaosMessage.h"

#include <QUuid>
#include <QXmlStreamReader>

using namespace tessarovin;


PaosMessage::PaosMessage(const QByteArray& pXml)
{
	QXmlStreamReader reader(pXml);
	QStringList stack;
	QString text;
	bool body = false;
	while (!reader.atEnd())
	{
		reader.readNext();
		if (reader.isStartElement())
		{
			const QString name = reader.name().toString();
			if (body && mType.isEmpty())
			{
				mType = name;
			}
			body = body || name == QLatin1String("Body");
			if (name == QLatin1String("AuthenticationProtocolData"))
			{
				const QString type = reader.attributes().value(QLatin1String("http://www.w3.org/2001/XMLSchema-instance"), QLatin1String("type")).toString();
				mProtocolDataType = type.mid(type.indexOf(QLatin1Char(':')) + 1);
			}
			stack << name;
			text.clear();
		}
		else if (reader.isCharacters())
		{
			text += reader.text();
		}
		else if (reader.isEndElement() && !stack.isEmpty())
		{
			const QString name = stack.takeLast();
			const QString value = text.trimmed();
			if (name == QLatin1String("MessageID") && !body)
			{
				mMessageId = value;
			}
			else if (name == QLatin1String("RelatesTo") && !body)
			{
				mRelatesTo = value;
			}
			else if (body)
			{
				mValues.insert(name, value);
			}
			text.clear();
		}
	}
	mWellFormed = !reader.hasError();
}


bool PaosMessage::isWellFormed() const
{
	return mWellFormed;
}


const QString& PaosMessage::getType() const
{
	return mType;
}


const QString& PaosMessage::getProtocolDataType() const
{
	return mProtocolDataType;
}


const QString& PaosMessage::getMessageId() const
{
	return mMessageId;
}


const QString& PaosMessage::getRelatesTo() const
{
	return mRelatesTo;
}


QString PaosMessage::value(const QString& pName) const
{
	const auto all = values(pName);
	return all.isEmpty() ? QString() : all.first();
}


QByteArray PaosMessage::hexValue(const QString& pName) const
{
	return QByteArray::fromHex(value(pName).toLatin1());
}


QStringList PaosMessage::values(const QString& pName) const
{
	// QMultiMap lists the latest insertion first.
	QStringList result = mValues.values(pName);
	std::reverse(result.begin(), result.end());
	return result;
}


bool PaosMessage::isResultOk() const
{
	return value(QStringLiteral("ResultMajor")).endsWith(QLatin1String("#ok")) && values(QStringLiteral("ResultMinor")).isEmpty();
}


QByteArray PaosMessage::envelope(const QString& pRelatesTo, const QString& pMessageId, const QByteArray& pBody)
{
	QByteArray xml = QByteArrayLiteral(
			"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
			"<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:paos=\"urn:liberty:paos:2006-08\""
			" xmlns:wsa=\"http://www.w3.org/2005/03/addressing\" xmlns:iso=\"urn:iso:std:iso-iec:24727:tech:schema\""
			" xmlns:ecard=\"http://www.bsi.bund.de/ecard/api/1.1\" xmlns:dss=\"urn:oasis:names:tc:dss:1.0:core:schema\""
			" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
			"<soap:Header>\n"
			"<paos:PAOS soap:mustUnderstand=\"1\" soap:actor=\"http://schemas.xmlsoap.org/soap/actor/next\">"
			"<paos:Version>urn:liberty:paos:2006-08</paos:Version>"
			"<paos:EndpointReference><paos:Address>http://www.projectliberty.org/2006/01/role/paos</paos:Address>"
			"<paos:MetaData><paos:ServiceType>http://www.bsi.bund.de/ecard/api/1.1/PAOS/GetNextCommand</paos:ServiceType></paos:MetaData>"
			"</paos:EndpointReference></paos:PAOS>\n"
			"<wsa:ReplyTo><wsa:Address>http://www.projectliberty.org/2006/02/role/paos</wsa:Address></wsa:ReplyTo>\n");
	if (!pRelatesTo.isEmpty())
	{
		xml += "<wsa:RelatesTo>" + pRelatesTo.toHtmlEscaped().toUtf8() + "</wsa:RelatesTo>\n";
	}
	xml += "<wsa:MessageID>" + pMessageId.toUtf8() + "</wsa:MessageID>\n</soap:Header>\n<soap:Body>\n";
	xml += pBody;
	xml += "\n</soap:Body>\n</soap:Envelope>\n";
	return xml;
}


QString PaosMessage::createMessageId()
{
	return QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}
