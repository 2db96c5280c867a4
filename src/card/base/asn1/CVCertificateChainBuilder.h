#pragma once

#include "asn1/CVCertificate.h"
#include "asn1/CVCertificateChain.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSharedPointer>

namespace tessarovin
{

// Finds every chain from the given certificates up to a self-signed root or to a CAR it
// has no certificate for, once at construction; read-only afterwards.
class CVCertificateChainBuilder
{
	private:
		using CertificateList = QList<QSharedPointer<const cvcertificate_st>>;
		// Raw CHR to the non-terminal certificates, the most recently given first.
		using HolderMap = QHash<QByteArray, CertificateList>;

		QList<CVCertificateChain> mChains;

		void buildChains(const HolderMap& pHolders, qsizetype pHolderCount, const CertificateList& pPartialChain);

	public:
		CVCertificateChainBuilder() = default;
		explicit CVCertificateChainBuilder(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates);

		[[nodiscard]] CVCertificateChain getChainForCertificationAuthority(const QByteArray& pCar) const;
		// The current CAR of the card after PACE, then its previous one.
		[[nodiscard]] CVCertificateChain getChainForCertificationAuthority(const QByteArray& pCarCurr, const QByteArray& pCarPrev) const;
		[[nodiscard]] CVCertificateChain getChainStartingWith(const QSharedPointer<const cvcertificate_st>& pRoot) const;

		// For the PACE output (EstablishPaceChannelOutput), which lives above this library.
		template<typename PaceOutput>
		requires requires(const PaceOutput& pOutput) {
			QByteArray(pOutput.getCarCurr());
			QByteArray(pOutput.getCarPrev());
		}
		[[nodiscard]] CVCertificateChain getChainForCertificationAuthority(const PaceOutput& pPaceOutput) const
		{
			return getChainForCertificationAuthority(pPaceOutput.getCarCurr(), pPaceOutput.getCarPrev());
		}


};

} // namespace tessarovin
