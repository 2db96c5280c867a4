#pragma once

#include "paos/ElementParser.h"
#include "paos/received/DIDAuthenticateEAC1.h"

#include <QSharedPointer>

#include <memory>
#include <optional>

namespace tessarovin
{

// Reads an EAC1InputType: certificates, description, CHATs and auxiliary data, each decoded here
// so that a document with an undecodable one is refused as a whole.
class DidAuthenticateEac1Parser
{
	private:
		const QSharedPointer<ElementParser> mParser;

		Eac1InputType parseEac1InputType();
		QSharedPointer<const CertificateDescription> parseCertificateDescription(const QString& pText);
		QSharedPointer<const chat_st> parseRequiredCHAT(const QString& pText);
		QSharedPointer<const chat_st> parseOptionalCHAT(const QString& pText);
		QSharedPointer<const AuthenticatedAuxiliaryData> parseAuthenticatedAuxiliaryData(const QString& pText);
		QSharedPointer<const cvcertificate_st> parseCertificate(const QString& pText);
		std::optional<AcceptedEidType> parseAcceptedEidType(const QString& pText);

	public:
		explicit DidAuthenticateEac1Parser(const QSharedPointer<ElementParser>& pParser);

		// Null when a rule failed.
		std::unique_ptr<DIDAuthenticateEAC1> parse();
};

} // namespace tessarovin
