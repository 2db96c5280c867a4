#pragma once

#include "paos/ElementParser.h"
#include "paos/received/DIDAuthenticateEAC2.h"

#include <QSharedPointer>

#include <memory>

namespace tessarovin
{

// Reads an EAC2InputType: further certificates, the terminal's ephemeral public key and, when the
// server sends it here, the signature. Key and signature stay text for the card commands.
class DidAuthenticateEac2Parser
{
	private:
		const QSharedPointer<ElementParser> mParser;

		Eac2InputType parseEac2InputType();
		QSharedPointer<const cvcertificate_st> parseCertificate(const QString& pText);

	public:
		explicit DidAuthenticateEac2Parser(const QSharedPointer<ElementParser>& pParser);

		// Null when a rule failed.
		std::unique_ptr<DIDAuthenticateEAC2> parse();
};

} // namespace tessarovin
