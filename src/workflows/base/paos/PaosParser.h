#pragma once

#include "paos/ElementParser.h"
#include "paos/PaosMessage.h"

#include <QSharedPointer>
#include <QString>

#include <memory>

namespace tessarovin
{

// Reads the SOAP envelope of a received PAOS document: the WS-Addressing ids of the header and the
// one message element of the body.
class PaosParser
{
	private:
		QSharedPointer<ElementParser> mParser;
		QString mMessageId;
		QString mRelatesTo;

		std::unique_ptr<PaosMessage> parseEnvelope();
		void parseHeader();
		std::unique_ptr<PaosMessage> parseBody();

	public:
		PaosParser() = default;
		virtual ~PaosParser();
		Q_DISABLE_COPY_MOVE(PaosParser)

		// Null when the document holds no message or any rule failed.
		std::unique_ptr<PaosMessage> parse(const QSharedPointer<ElementParser>& pParser);
};

} // namespace tessarovin
