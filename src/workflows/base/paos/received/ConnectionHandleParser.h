#pragma once

#include "paos/ElementParser.h"
#include "paos/received/ConnectionHandle.h"

#include <QSharedPointer>

namespace tessarovin
{

// Reads the ConnectionHandle of a DIDAuthenticate; each of its fields may occur once.
class ConnectionHandleParser
{
	private:
		const QSharedPointer<ElementParser> mParser;

	public:
		explicit ConnectionHandleParser(const QSharedPointer<ElementParser>& pParser);

		// An empty handle when a rule failed.
		ConnectionHandle parse();
};

} // namespace tessarovin
