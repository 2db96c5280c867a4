#pragma once

#include <QLoggingCategory>
#include <QSharedPointer>
#include <QString>
#include <QList>
#include <QXmlStreamReader>

namespace tessarovin
{

// The element reader that every parser of one received PAOS document shares. Elements are matched
// by local name only; once a rule fails, every reading loop of the document unwinds at once, and
// the whole document is discarded. The structure log goes to "secure" only when the server asked
// for no logging.
class ElementParser
{
	private:
		QSharedPointer<QXmlStreamReader> mXmlReader;
		bool mParseFailed;
		const QLoggingCategory& (*mLogCategory)();
		qint64 mDepth;

		void logStructure(const QString& pText) const;
		void reportEmptyList(const char* pName);

	public:
		ElementParser(const QSharedPointer<QXmlStreamReader>& pXmlReader, bool pLogging);
		Q_DISABLE_COPY_MOVE(ElementParser)

		// Next start element among the children of the current element; false at its end tag, at the
		// end of the document, on an XML error and after a failure.
		bool readNextStartElement();
		// Text of the current element with white space simplified; empty when there is none, null
		// on an XML error.
		QString readElementText();
		// False for a second occurrence (the parse fails) and for text that cannot be read.
		bool readUniqueElementText(QString& pTarget);

		void assertMandatoryElement(const QString& pValue, const char* pName);
		bool assertNoDuplicateElement(bool pNotYetSeen);
		template<typename T>
		bool assertMandatoryList(const QList<T>& pList, const char* pName)
		{
			if (pList.isEmpty())
			{
				reportEmptyList(pName);
				return false;
			}
			return true;
		}

		void setParserFailed();
		[[nodiscard]] bool parserFailed() const;
		// A syntax error anywhere rejects the document, also where no loop read that far.
		[[nodiscard]] bool documentFailed();

		void skipCurrentElement();
		[[nodiscard]] QString getElementName() const;
		[[nodiscard]] QString getElementTypeByNamespace(const QString& pNamespace) const;
};

} // namespace tessarovin
