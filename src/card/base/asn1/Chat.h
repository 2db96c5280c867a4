#pragma once

#include "asn1/AccessRoleAndRightsUtil.h"
#include "asn1/ASN1TemplateUtil.h"
#include "asn1/Oid.h"

#include <QByteArray>
#include <QSet>
#include <QSharedPointer>

#include <openssl/asn1.h>

namespace tessarovin
{

/*
 * CertificateHolderAuthorizationTemplate ::= [APPLICATION 76] SEQUENCE {
 *    type       OBJECT IDENTIFIER,
 *    template   [APPLICATION 19] OCTET STRING (SIZE (5))
 * }
 *
 * Bit n of the 40-bit template lies in octet 4 - n / 8; bits 39 and 38 carry the role,
 * bits 0 to 37 the rights.
 */
struct chat_st
{
	ASN1_OBJECT* mType;
	ASN1_OCTET_STRING* mTemplate;

	static QSharedPointer<chat_st> decode(const QByteArray& pBytes);
	static QSharedPointer<chat_st> fromHex(const QString& pHexValue);

	// A deep copy, for building an effective CHAT from a required one.
	[[nodiscard]] QSharedPointer<chat_st> copy() const;

	[[nodiscard]] Oid getType() const;
	[[nodiscard]] QByteArray getTemplate() const;
	[[nodiscard]] AccessRole getAccessRole() const;
	[[nodiscard]] QSet<AccessRight> getAccessRights() const;

	void setTemplateBit(uint pBitIndex, bool pSet);
	void setAccessRights(const QSet<AccessRight>& pAccessRights);
	void removeAccessRight(AccessRight pAccessRight);
	void removeAllAccessRights();
};

DECLARE_ASN1_OBJECT(chat_st)

using CHAT = chat_st;

} // namespace tessarovin
