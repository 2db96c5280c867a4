#pragma once

#include "paos/ElementParser.h"
#include "paos/received/ConnectionHandle.h"
#include "paos/received/DidAuthenticateMessage.h"

#include <QSharedPointer>
#include <QString>

#include <memory>

namespace tessarovin
{

// Reads a DIDAuthenticate: DIDName, ConnectionHandle and the AuthenticationProtocolData, whose
// xsi:type picks the EAC1, EAC2 or EACAdditional reading.
class DidAuthenticateParser
{
	private:
		const QSharedPointer<ElementParser> mParser;
		ConnectionHandle mConnectionHandle;
		QString mDidName;

	public:
		explicit DidAuthenticateParser(const QSharedPointer<ElementParser>& pParser);

		// Null when a rule failed or no AuthenticationProtocolData had a known type.
		std::unique_ptr<DidAuthenticateMessage> parse();
};

} // namespace tessarovin
