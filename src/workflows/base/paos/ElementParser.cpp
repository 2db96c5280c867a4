#include "paos/ElementParser.h"

#include "LogCategories.h"

using namespace tessarovin;


ElementParser::ElementParser(const QSharedPointer<QXmlStreamReader>& pXmlReader, bool pLogging)
	: mXmlReader(pXmlReader)
	, mParseFailed(false)
	, mLogCategory(pLogging ? &paos : &secure)
	, mDepth(0)
{
	if (!pLogging)
	{
		qCDebug(paos) << "no-log was requested, skip logging of xml data";
	}
}


void ElementParser::logStructure(const QString& pText) const
{
	qCDebug(mLogCategory).noquote() << QString(static_cast<qsizetype>(qMax<qint64>(mDepth, 0) * 2), QLatin1Char(' ')) + pText;
}


bool ElementParser::readNextStartElement()
{
	if (mParseFailed)
	{
		return false;
	}

	if (mXmlReader->isEndElement())
	{
		--mDepth;
		logStructure(QLatin1Char('/') + mXmlReader->qualifiedName().toString());
	}

	while (!mXmlReader->atEnd())
	{
		switch (mXmlReader->readNext())
		{
			case QXmlStreamReader::StartElement:
			{
				QString line = mXmlReader->qualifiedName().toString();
				const auto attributes = mXmlReader->attributes();
				for (const auto& attribute : attributes)
				{
					line += QStringLiteral(" %1=\"%2\"").arg(attribute.qualifiedName().toString(), attribute.value().toString());
				}
				logStructure(line);
				++mDepth;
				return true;
			}

			case QXmlStreamReader::EndElement:
			case QXmlStreamReader::EndDocument:
			case QXmlStreamReader::Invalid:
				return false;

			default:
				break;
		}
	}
	return false;
}


QString ElementParser::readElementText()
{
	QString text;
	while (!mXmlReader->isEndElement() && !mXmlReader->atEnd())
	{
		if (mXmlReader->readNext() == QXmlStreamReader::Characters && !mXmlReader->isWhitespace())
		{
			text += QLatin1Char(' ');
			text += mXmlReader->text();
		}
	}
	if (mXmlReader->hasError())
	{
		return QString();
	}

	logStructure(text);
	if (text.isEmpty())
	{
		return QLatin1String("");
	}
	return text.simplified();
}


bool ElementParser::readUniqueElementText(QString& pTarget)
{
	if (!assertNoDuplicateElement(pTarget.isNull()))
	{
		return false;
	}

	pTarget = readElementText();
	return !pTarget.isNull();
}


void ElementParser::assertMandatoryElement(const QString& pValue, const char* pName)
{
	if (pValue.isNull())
	{
		qCWarning(paos) << "Mandatory element is null:" << pName;
		setParserFailed();
	}
}


bool ElementParser::assertNoDuplicateElement(bool pNotYetSeen)
{
	if (!pNotYetSeen)
	{
		qCWarning(paos) << "Duplicate unique element:" << getElementName();
		setParserFailed();
	}
	return pNotYetSeen;
}


void ElementParser::reportEmptyList(const char* pName)
{
	qCWarning(paos) << "Mandatory list is empty:" << pName;
	setParserFailed();
}


void ElementParser::setParserFailed()
{
	mParseFailed = true;
}


bool ElementParser::parserFailed() const
{
	return mParseFailed;
}


bool ElementParser::documentFailed()
{
	// The reading loops may stop before the end of the document (InitializeFramework ends them at
	// its end tag), so read the rest: the entity-expansion limit bounds this like any other read.
	while (!mParseFailed && !mXmlReader->atEnd())
	{
		mXmlReader->readNext();
	}
	if (mXmlReader->hasError())
	{
		qCWarning(paos) << "XML error:" << mXmlReader->errorString() << "at line" << mXmlReader->lineNumber();
		return true;
	}
	return mParseFailed;
}


void ElementParser::skipCurrentElement()
{
	mXmlReader->skipCurrentElement();
}


QString ElementParser::getElementName() const
{
	return mXmlReader->name().toString();
}


QString ElementParser::getElementTypeByNamespace(const QString& pNamespace) const
{
	return mXmlReader->attributes().value(pNamespace, QStringLiteral("type")).toString();
}
