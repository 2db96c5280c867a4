#pragma once

#include "asn1/ASN1TemplateUtil.h"
#include "asn1/Oid.h"
#include "asn1/SecurityProtocol.h"

#include <QByteArray>
#include <QDebug>
#include <QSharedPointer>

namespace tessarovin
{

/*
 * SecurityInfo ::= SEQUENCE {
 *    protocol     OBJECT IDENTIFIER,
 *    requiredData ANY DEFINED BY protocol,
 *    optionalData ANY DEFINED BY protocol OPTIONAL
 * }
 */
struct securityinfo_st
{
	ASN1_OBJECT* mProtocol;
	ASN1_TYPE* mRequiredData;
	ASN1_TYPE* mOptionalData;
};

DECLARE_ASN1_OBJECT(securityinfo_st)


// One entry of EF.CardAccess or EF.CardSecurity; the derived classes are the entries the
// protocols act on, everything else stays a plain SecurityInfo.
class SecurityInfo
{
	private:
		const QSharedPointer<const securityinfo_st> mSecurityInfo;

	protected:
		SecurityInfo();
		explicit SecurityInfo(const QSharedPointer<const securityinfo_st>& pSecurityInfo);

		[[nodiscard]] virtual const ASN1_OBJECT* getProtocolObject() const;

	public:
		static QSharedPointer<const SecurityInfo> decode(const QByteArray& pBytes);

		virtual ~SecurityInfo();
		SecurityInfo(const SecurityInfo&) = delete;
		SecurityInfo& operator=(const SecurityInfo&) = delete;

		[[nodiscard]] Oid getOid() const;
		[[nodiscard]] SecurityProtocol getSecurityProtocol() const;
};


QDebug operator<<(QDebug pDbg, const SecurityInfo& pSecurityInfo);

} // namespace tessarovin
