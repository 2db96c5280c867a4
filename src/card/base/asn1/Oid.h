#pragma once

#include "asn1/KnownOid.h"
#include "OpenSslUtil.h"

#include <QByteArray>
#include <QDebug>

#include <openssl/asn1.h>

namespace tessarovin
{

// An object identifier; owns one OpenSSL object, null when empty.
class Oid
{
	private:
		OpenSslPtr<ASN1_OBJECT, ASN1_OBJECT_free> mObject;

	public:
		Oid();
		explicit Oid(const QByteArray& pContentOctets);
		explicit Oid(const asn1_object_st* pObject);
		Oid(KnownOid pOid);
		Oid(const Oid& pOid);
		Oid(Oid&& pOid) noexcept = default;
		~Oid() = default;

		Oid& operator=(const Oid& pOid);
		Oid& operator=(Oid&& pOid) noexcept = default;

		[[nodiscard]] bool isEmpty() const;
		[[nodiscard]] QByteArray getData() const;
		[[nodiscard]] const ASN1_OBJECT* getObject() const;

		// Registers the known identifiers with OpenSSL, once per process.
		static void registerKnownOids();

		bool operator==(const Oid& pOther) const;
		bool operator!=(const Oid& pOther) const;
};


QDebug operator<<(QDebug pDbg, const Oid& pOid);

} // namespace tessarovin
