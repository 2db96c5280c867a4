#include "asn1/CVCertificateChainBuilder.h"

#include "asn1/AccessRoleAndRightsUtil.h"
#include "LogCategories.h"

#include <QMultiHash>

#include <algorithm>

using namespace tessarovin;


CVCertificateChainBuilder::CVCertificateChainBuilder(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates)
{
	QMultiHash<size_t, QSharedPointer<const cvcertificate_st>> seen;
	HolderMap holders;
	qsizetype holderCount = 0;
	QSharedPointer<const cvcertificate_st> terminal;

	for (const auto& certificate : pCertificates)
	{
		if (certificate.isNull())
		{
			continue;
		}

		const size_t hash = qHash(*certificate);
		const auto sameHash = seen.values(hash);
		if (std::any_of(sameHash.cbegin(), sameHash.cend(), [&certificate](const auto& pSeen) {
				return *pSeen == *certificate;
			}))
		{
			qCDebug(card) << "Ignored duplicate certificate" << certificate;
			continue;
		}
		seen.insert(hash, certificate);

		if (certificate->getBody().getCHAT().getAccessRole() == AccessRole::AT)
		{
			if (terminal)
			{
				qCWarning(card) << "More than one terminal certificate";
				return;
			}
			qCDebug(card) << "Identified terminal certificate" << certificate;
			terminal = certificate;
			continue;
		}

		holders[certificate->getBody().getCertificateHolderReference()].prepend(certificate);
		++holderCount;
	}

	if (!terminal)
	{
		qCWarning(card) << "Missing terminal certificate";
		return;
	}

	buildChains(holders, holderCount, {terminal});
	if (mChains.isEmpty())
	{
		qCWarning(card) << "No valid chains could be built";
	}
}


void CVCertificateChainBuilder::buildChains(const HolderMap& pHolders, qsizetype pHolderCount, const CertificateList& pPartialChain)
{
	if (pPartialChain.size() > pHolderCount + 1)
	{
		qCWarning(card) << "Maximum chain length exceeded, potential circular reference";
		return;
	}

	const auto& first = pPartialChain.constFirst();
	const QByteArray car = first->getBody().getCertificationAuthorityReference();
	if (first->isSelfSigned() || !pHolders.contains(car))
	{
		const CVCertificateChain chain(pPartialChain);
		if (chain.isValid())
		{
			qCDebug(card) << "Found valid chain" << pPartialChain;
			mChains += chain;
		}
		else
		{
			qCWarning(card) << "Ignored invalid chain" << pPartialChain;
		}
		return;
	}

	for (const auto& issuer : pHolders.value(car))
	{
		// A certificate twice in one chain is a loop: stop here rather than going round it
		// until the length limit, which would also yield chains that repeat certificates.
		if (pPartialChain.contains(issuer))
		{
			qCWarning(card) << "Maximum chain length exceeded, potential circular reference";
			continue;
		}

		CertificateList extended = pPartialChain;
		extended.prepend(issuer);
		buildChains(pHolders, pHolderCount, extended);
	}
}


CVCertificateChain CVCertificateChainBuilder::getChainForCertificationAuthority(const QByteArray& pCar) const
{
	qCDebug(card) << "Get chain for authority" << pCar;

	for (const auto& chain : mChains)
	{
		for (qsizetype i = 0; i < chain.size(); ++i)
		{
			const auto& certificate = chain.at(i);
			if (certificate->getBody().getCertificationAuthorityReference() != pCar || certificate->isSelfSigned())
			{
				continue;
			}

			const CVCertificateChain candidate(chain.mid(i));
			if (candidate.isValid())
			{
				qCDebug(card) << "Found valid chain" << candidate;
				return candidate;
			}
		}
	}

	qCWarning(card) << "Cannot find a valid chain for authority" << pCar;
	return CVCertificateChain();
}


CVCertificateChain CVCertificateChainBuilder::getChainForCertificationAuthority(const QByteArray& pCarCurr, const QByteArray& pCarPrev) const
{
	CVCertificateChain chain = getChainForCertificationAuthority(pCarCurr);
	if (chain.isValid())
	{
		return chain;
	}

	qCWarning(card) << "Cannot get CVC chain for CAR current, try CAR previous";
	chain = getChainForCertificationAuthority(pCarPrev);
	if (!chain.isValid())
	{
		qCWarning(card) << "Cannot get CVC chain for CAR current and CAR previous";
	}
	return chain;
}


CVCertificateChain CVCertificateChainBuilder::getChainStartingWith(const QSharedPointer<const cvcertificate_st>& pRoot) const
{
	qCDebug(card) << "Get chain for root" << pRoot;

	if (pRoot)
	{
		for (const auto& chain : mChains)
		{
			for (qsizetype i = 0; i < chain.size(); ++i)
			{
				if (*chain.at(i) != *pRoot)
				{
					continue;
				}

				const CVCertificateChain candidate(chain.mid(i));
				if (candidate.isValid())
				{
					qCDebug(card) << "Found valid chain" << candidate;
					return candidate;
				}
			}
		}
	}

	qCWarning(card) << "Cannot find a valid chain for root" << pRoot;
	return CVCertificateChain();
}
