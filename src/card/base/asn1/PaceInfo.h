#pragma once

#include "asn1/SecurityInfo.h"

namespace tessarovin
{

/*
 * PACEInfo ::= SEQUENCE {
 *    protocol    OBJECT IDENTIFIER,
 *    version     INTEGER,
 *    parameterId INTEGER OPTIONAL
 * }
 */
struct paceinfo_st
{
	ASN1_OBJECT* mProtocol;
	ASN1_INTEGER* mVersion;
	ASN1_INTEGER* mParameterId;
};

DECLARE_ASN1_OBJECT(paceinfo_st)


class PaceInfo
	: public SecurityInfo
{
	private:
		const QSharedPointer<const paceinfo_st> mPaceInfo;

		explicit PaceInfo(const QSharedPointer<const paceinfo_st>& pPaceInfo);
		[[nodiscard]] const ASN1_OBJECT* getProtocolObject() const override;

	public:
		static QSharedPointer<const PaceInfo> decode(const QByteArray& pBytes);

		// The curve of a standardized domain parameter id, 0 for the others.
		static int getMappedNid(int pParameterId);

		[[nodiscard]] int getVersion() const;
		[[nodiscard]] int getParameterId() const;
		[[nodiscard]] bool hasParameterId() const;
		[[nodiscard]] int getParameterIdAsNid() const;
		[[nodiscard]] bool isStandardizedDomainParameters() const;
};


QDebug operator<<(QDebug pDbg, const PaceInfo& pPaceInfo);

} // namespace tessarovin
