#pragma once

#include "TestEnvironment.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QXmlStreamReader>

namespace tessarovin
{

// Golden documents hold this MessageID in place of the random one.
inline const QByteArray cMaskedMessageId("urn:uuid:00000000-0000-0000-0000-000000000000");


// The MessageID in the form every document must use: lower-case 8-4-4-4-12 without braces.
inline const QRegularExpression& messageIdPattern()
{
	static const QRegularExpression pattern(QStringLiteral(
				"<wsa:MessageID>(urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12})</wsa:MessageID>"));
	return pattern;
}


inline QString extractMessageId(const QByteArray& pDocument)
{
	const auto match = messageIdPattern().match(QString::fromUtf8(pDocument));
	return match.hasMatch() ? match.captured(1) : QString();
}


// Replaces the one MessageID, which must be well-formed; anything else fails the comparison.
inline QByteArray maskMessageId(const QByteArray& pDocument)
{
	QString text = QString::fromUtf8(pDocument);
	auto matches = messageIdPattern().globalMatch(text);
	int count = 0;
	while (matches.hasNext())
	{
		matches.next();
		++count;
	}
	if (count != 1)
	{
		return QByteArrayLiteral("MessageID missing, repeated or malformed");
	}
	const QString masked = QStringLiteral("<wsa:MessageID>%1</wsa:MessageID>").arg(QString::fromLatin1(cMaskedMessageId));
	return text.replace(messageIdPattern(), masked).toUtf8();
}


inline QByteArray readGolden(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/paos/") + pName);
	if (!file.open(QIODevice::ReadOnly))
	{
		qWarning() << "Cannot read golden file" << file.fileName();
		return QByteArray();
	}
	return file.readAll();
}

// Each element below the named one (namespace-aware): "{namespace}name=text", with "[lang]"
// after the name when it has an xml:lang.
inline QStringList childrenOf(const QByteArray& pDocument, const QString& pNamespace, const QString& pName)
{
	QStringList children;
	QXmlStreamReader reader(pDocument);
	int depth = -1;
	while (!reader.atEnd())
	{
		reader.readNext();
		if (reader.isStartElement())
		{
			if (depth >= 0)
			{
				++depth;
				const auto lang = reader.attributes().value(QStringLiteral("http://www.w3.org/XML/1998/namespace"), QStringLiteral("lang"));
				QString entry = QStringLiteral("{%1}%2").arg(reader.namespaceUri(), reader.name());
				if (!lang.isNull())
				{
					entry += QStringLiteral("[%1]").arg(lang);
				}
				// The writer's indentation between nested elements is no content.
				static const QRegularExpression indentation(QStringLiteral("\\n *"));
				children += entry + QLatin1Char('=') + reader.readElementText(QXmlStreamReader::IncludeChildElements).remove(indentation);
				--depth;
			}
			else if (reader.namespaceUri() == pNamespace && reader.name() == pName)
			{
				depth = 0;
			}
		}
		else if (reader.isEndElement() && depth == 0 && reader.name() == pName)
		{
			depth = -1;
		}
	}
	if (reader.hasError())
	{
		return {QStringLiteral("not well-formed: ") + reader.errorString()};
	}
	return children;
}

} // namespace tessarovin


// Compares line by line, so that a failure names the first differing line instead of two blobs.
#define QCOMPARE_GOLDEN(document, name) \
	do { \
		const QList<QByteArray> actualLines = tessarovin::maskMessageId(document).split('\n'); \
		const QList<QByteArray> expectedLines = tessarovin::readGolden(name).split('\n'); \
		QVERIFY2(expectedLines.size() > 1, qPrintable(QStringLiteral("golden file %1 is missing").arg(name))); \
		for (qsizetype line = 0; line < qMin(actualLines.size(), expectedLines.size()); ++line) \
		{ \
			if (actualLines.at(line) != expectedLines.at(line)) \
			{ \
				qWarning() << "line" << line + 1 << "of" << name; \
				QCOMPARE(actualLines.at(line), expectedLines.at(line)); \
			} \
		} \
		QCOMPARE(actualLines.size(), expectedLines.size()); \
	} while (false)
