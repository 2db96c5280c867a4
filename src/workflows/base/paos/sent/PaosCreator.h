#pragma once

#include "ECardApiResult.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>

namespace tessarovin
{

// Writes one SOAP document of the PAOS dialogue: envelope with every namespace, the header with
// the PAOS binding and WS-Addressing ids, and the body element a subclass writes. Elements carry
// their prefix in the name, so the writer needs no namespace bookkeeping of its own.
// The document is written once: later calls of marshall return the same bytes, MessageID included.
class PaosCreator
{
	public:
		enum class Namespace
		{
			DEFAULT,
			SOAPENV,
			XSD,
			XSI,
			PAOS,
			ADDRESSING,
			DSS,
			ECARD,
			TECHSCHEMA
		};

	private:
		QByteArray mContent;
		QString mRelatesTo;
		QXmlStreamWriter mWriter;

		void createEnvelope();
		void createHeader();

	protected:
		PaosCreator();

		virtual void createBodyElement(QXmlStreamWriter& pWriter) = 0;

		// The eCard-API Result that opens every response body.
		static void writeResult(QXmlStreamWriter& pWriter, const ECardApiResult& pResult);
		// Stored bytes are written as their Latin-1 text, not converted.
		static void writeTextElement(QXmlStreamWriter& pWriter, const QString& pName, const QByteArray& pText);

	public:
		virtual ~PaosCreator();
		Q_DISABLE_COPY_MOVE(PaosCreator)

		static QString getNamespace(Namespace pNamespace);
		// "prefix:suffix"; without suffix (or prefix) the name of the declaration: "xmlns:prefix" or "xmlns".
		static QString getNamespacePrefix(Namespace pNamespace, const QString& pSuffix = QString());
		static QString getNamespaceType(Namespace pNamespace, const QString& pType);

		QByteArray marshall();

		// The MessageID of the server's last message; a null id writes no RelatesTo.
		void setRelatesTo(const QString& pRelatesTo);
};

} // namespace tessarovin
