#pragma once

#include "paos/ElementParser.h"
#include "paos/received/Transmit.h"

#include <QSharedPointer>

#include <memory>

namespace tessarovin
{

// Reads a Transmit request: its slot handle and the APDUs with their acceptable status codes.
class TransmitParser
{
	private:
		const QSharedPointer<ElementParser> mParser;

		void parseInputApduInfo(Transmit& pTransmit);

	public:
		explicit TransmitParser(const QSharedPointer<ElementParser>& pParser);

		// Null when a rule failed.
		std::unique_ptr<Transmit> parse();
};

} // namespace tessarovin
