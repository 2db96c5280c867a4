#pragma once

#include "asn1/Oid.h"
#include "Enum.h"

#include <QCryptographicHash>

#include <openssl/evp.h>

#include <optional>

namespace tessarovin
{

defineEnumType(ProtocolType,
		UNDEFINED,
		TA,
		CA,
		PACE,
		RI
		)

defineEnumType(KeyAgreementType,
		UNDEFINED,
		DH,
		ECDH
		)

defineEnumType(MappingType,
		UNDEFINED,
		GM,
		IM,
		CAM
		)

defineEnumType(CipherType,
		UNDEFINED,
		DES3_CBC,
		AES_128_CBC,
		AES_192_CBC,
		AES_256_CBC
		)

defineEnumType(SignatureType,
		UNDEFINED,
		RSA,
		ECDSA
		)


// What a protocol identifier below 0.4.0.127.0.7.2.2 says about protocol, key agreement,
// mapping, cipher, signature and hash.
class SecurityProtocol
{
	private:
		Oid mOid;
		ProtocolType mProtocol;
		KeyAgreementType mKeyAgreement;
		MappingType mMapping;
		CipherType mCipher;
		SignatureType mSignature;
		std::optional<QCryptographicHash::Algorithm> mHashAlgorithm;

		void logCritical(const char* pWord) const;

	public:
		explicit SecurityProtocol(const Oid& pOid);

		[[nodiscard]] const Oid& getOid() const;
		[[nodiscard]] ProtocolType getProtocolType() const;
		[[nodiscard]] KeyAgreementType getKeyAgreementType() const;
		[[nodiscard]] MappingType getMappingType() const;
		[[nodiscard]] CipherType getCipherType() const;
		[[nodiscard]] SignatureType getSignatureType() const;

		[[nodiscard]] const EVP_CIPHER* getCipher() const;
		[[nodiscard]] const char* getCipherString() const;
		[[nodiscard]] int getKeySize() const;
		[[nodiscard]] QCryptographicHash::Algorithm getHashAlgorithm() const;
};

} // namespace tessarovin
