/**
 * The authenticated auxiliary data that a terminal sends with terminal authentication, as the
 * simulated card reads it for VERIFY.
 */

#pragma once

#include <QByteArray>
#include <QDate>
#include <QSharedPointer>

#include <optional>

namespace tessarovin
{

/*
 * AuthenticatedAuxiliaryData ::= [APPLICATION 7] SET OF AuxDataTemplate
 * AuxDataTemplate ::= [APPLICATION 19] SEQUENCE {
 *    auxID     OBJECT IDENTIFIER,
 *    extInfo   [APPLICATION 19] -- a date YYYYMMDD or the community id's octets
 * }
 *
 * Only what the card checks is read. A template that names the same identifier twice keeps the first.
 */
class SimulatorAuxiliaryData
{
	private:
		std::optional<QDate> mAgeVerificationDate;
		std::optional<QDate> mValidityDate;
		std::optional<QByteArray> mCommunityId;

		SimulatorAuxiliaryData() = default;

	public:
		// Null when pDer is not an [APPLICATION 7] template.
		static QSharedPointer<const SimulatorAuxiliaryData> decode(const QByteArray& pDer);

		[[nodiscard]] bool hasAgeVerificationDate() const;
		[[nodiscard]] QDate getAgeVerificationDate() const;
		[[nodiscard]] bool hasValidityDate() const;
		[[nodiscard]] QDate getValidityDate() const;
		[[nodiscard]] bool hasCommunityId() const;
		// Lower-case hex text.
		[[nodiscard]] QByteArray getCommunityId() const;
};

} // namespace tessarovin
