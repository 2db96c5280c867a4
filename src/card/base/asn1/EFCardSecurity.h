#pragma once

#include "asn1/SecurityInfos.h"

#include <QByteArray>
#include <QSharedPointer>

namespace tessarovin
{

// EF.CardSecurity: a CMS SignedData whose content is the card's SecurityInfos. The signature
// and the document signer are not checked here; chip authentication proves the key instead.
class EFCardSecurity
{
	private:
		const QSharedPointer<const SecurityInfos> mSecurityInfos;

		explicit EFCardSecurity(const QSharedPointer<const SecurityInfos>& pSecurityInfos);

	public:
		// Null on any failure.
		static QSharedPointer<EFCardSecurity> decode(const QByteArray& pBytes);

		[[nodiscard]] const QSharedPointer<const SecurityInfos>& getSecurityInfos() const;
};

} // namespace tessarovin
