#pragma once

#include "asn1/SecurityInfo.h"

namespace tessarovin
{

/*
 * ChipAuthenticationInfo ::= SEQUENCE {
 *    protocol OBJECT IDENTIFIER,
 *    version  INTEGER,
 *    keyId    INTEGER OPTIONAL
 * }
 */
struct chipauthenticationinfo_st
{
	ASN1_OBJECT* mProtocol;
	ASN1_INTEGER* mVersion;
	ASN1_INTEGER* mKeyId;
};

DECLARE_ASN1_OBJECT(chipauthenticationinfo_st)


class ChipAuthenticationInfo
	: public SecurityInfo
{
	private:
		const QSharedPointer<const chipauthenticationinfo_st> mChipAuthenticationInfo;

		explicit ChipAuthenticationInfo(const QSharedPointer<const chipauthenticationinfo_st>& pChipAuthenticationInfo);
		[[nodiscard]] const ASN1_OBJECT* getProtocolObject() const override;

	public:
		static QSharedPointer<const ChipAuthenticationInfo> decode(const QByteArray& pBytes);

		[[nodiscard]] int getVersion() const;
		[[nodiscard]] int getKeyId() const;
		[[nodiscard]] bool hasKeyId() const;
};


QDebug operator<<(QDebug pDbg, const ChipAuthenticationInfo& pChipAuthenticationInfo);

} // namespace tessarovin
