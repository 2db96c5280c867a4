#pragma once

#include "paos/ElementParser.h"
#include "paos/received/DIDAuthenticateEACAdditional.h"

#include <QSharedPointer>
#include <QString>

#include <memory>

namespace tessarovin
{

// Reads an EACAdditionalInputType: the terminal's signature alone.
class DidAuthenticateEacAdditionalParser
{
	private:
		const QSharedPointer<ElementParser> mParser;

		QString parseEacAdditionalInputType();

	public:
		explicit DidAuthenticateEacAdditionalParser(const QSharedPointer<ElementParser>& pParser);

		// Null when a rule failed.
		std::unique_ptr<DIDAuthenticateEACAdditional> parse();
};

} // namespace tessarovin
