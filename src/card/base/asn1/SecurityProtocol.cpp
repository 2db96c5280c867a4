#include "asn1/SecurityProtocol.h"

#include "LogCategories.h"

#include <QCoreApplication>
#include <QMap>

using namespace tessarovin;

namespace
{

using Hash = QCryptographicHash::Algorithm;

// Content octets of bsi-de-protocols-smartcard (0.4.0.127.0.7.2.2).
const QByteArray cProtocolsArc = QByteArray::fromHex("04007F00070202");

// Keyed by one octet of the identifier's content octets, read as a signed byte.
const QMap<qint8, ProtocolType> cProtocolTable = {
	{2, ProtocolType::TA},
	{3, ProtocolType::CA},
	{4, ProtocolType::PACE},
	{5, ProtocolType::RI}
};

const QMap<qint8, SignatureType> cSignatureTable = {
	{1, SignatureType::RSA},
	{2, SignatureType::ECDSA}
};

const QMap<qint8, KeyAgreementType> cKeyAgreementTable = {
	{1, KeyAgreementType::DH},
	{2, KeyAgreementType::ECDH},
	{3, KeyAgreementType::DH},
	{4, KeyAgreementType::ECDH},
	{6, KeyAgreementType::ECDH}
};

const QMap<qint8, MappingType> cMappingTable = {
	{1, MappingType::GM},
	{2, MappingType::GM},
	{3, MappingType::IM},
	{4, MappingType::IM},
	{6, MappingType::CAM}
};

const QMap<qint8, CipherType> cCipherTable = {
	{1, CipherType::DES3_CBC},
	{2, CipherType::AES_128_CBC},
	{3, CipherType::AES_192_CBC},
	{4, CipherType::AES_256_CBC}
};

// RSA arcs: v1.5 and PSS alternate per hash.
const QMap<qint8, Hash> cRsaHashTable = {
	{1, Hash::Sha1},
	{2, Hash::Sha256},
	{3, Hash::Sha1},
	{4, Hash::Sha256},
	{5, Hash::Sha512},
	{6, Hash::Sha512}
};

const QMap<qint8, Hash> cEcdsaHashTable = {
	{1, Hash::Sha1},
	{2, Hash::Sha224},
	{3, Hash::Sha256},
	{4, Hash::Sha384},
	{5, Hash::Sha512}
};


template<typename T>
T lookup(const QMap<qint8, T>& pTable, char pOctet)
{
	return pTable.value(static_cast<qint8>(pOctet), T::UNDEFINED);
}


std::optional<Hash> lookupHash(const QMap<qint8, Hash>& pTable, char pOctet)
{
	const auto entry = pTable.constFind(static_cast<qint8>(pOctet));
	if (entry == pTable.cend())
	{
		return std::nullopt;
	}
	return *entry;
}


void registerSecurityProtocolTypes()
{
	qRegisterMetaType<ProtocolType>();
	qRegisterMetaType<KeyAgreementType>();
	qRegisterMetaType<MappingType>();
	qRegisterMetaType<CipherType>();
	qRegisterMetaType<SignatureType>();
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerSecurityProtocolTypes)


SecurityProtocol::SecurityProtocol(const Oid& pOid)
	: mOid(pOid)
	, mProtocol(ProtocolType::UNDEFINED)
	, mKeyAgreement(KeyAgreementType::UNDEFINED)
	, mMapping(MappingType::UNDEFINED)
	, mCipher(CipherType::UNDEFINED)
	, mSignature(SignatureType::UNDEFINED)
	, mHashAlgorithm()
{
	const QByteArray data = mOid.getData();
	if (data.size() < 8 || !data.startsWith(cProtocolsArc))
	{
		logCritical("Unknown");
		return;
	}

	mProtocol = lookup(cProtocolTable, data.at(7));
	if (mProtocol == ProtocolType::UNDEFINED)
	{
		logCritical("Unsupported");
		return;
	}

	// The bare protocol identifiers (id-PACE, id-TA, ...) stop here.
	if (data.size() < 10)
	{
		return;
	}

	const char arc = data.at(8);
	const char lastArc = data.at(9);
	switch (mProtocol)
	{
		case ProtocolType::TA:
			mSignature = lookup(cSignatureTable, arc);
			if (mSignature == SignatureType::UNDEFINED)
			{
				logCritical("Unsupported");
				return;
			}
			mHashAlgorithm = lookupHash(mSignature == SignatureType::RSA ? cRsaHashTable : cEcdsaHashTable, lastArc);
			if (!mHashAlgorithm.has_value())
			{
				logCritical("Unknown");
			}
			return;

		case ProtocolType::PACE:
			mMapping = lookup(cMappingTable, arc);
			if (mMapping == MappingType::UNDEFINED)
			{
				logCritical("Unknown");
				return;
			}
			[[fallthrough]];

		case ProtocolType::CA:
			mKeyAgreement = lookup(cKeyAgreementTable, arc);
			if (mKeyAgreement == KeyAgreementType::UNDEFINED)
			{
				logCritical("Unknown");
				return;
			}
			mCipher = lookup(cCipherTable, lastArc);
			if (mCipher == CipherType::UNDEFINED)
			{
				logCritical("Unknown");
			}
			return;

		case ProtocolType::RI:
			mHashAlgorithm = lookupHash(cEcdsaHashTable, lastArc);
			if (!mHashAlgorithm.has_value())
			{
				logCritical("Unknown");
			}
			return;

		case ProtocolType::UNDEFINED:
			return;
	}
}


void SecurityProtocol::logCritical(const char* pWord) const
{
	qCCritical(card) << pWord << "OID:" << mOid;
}


const Oid& SecurityProtocol::getOid() const
{
	return mOid;
}


ProtocolType SecurityProtocol::getProtocolType() const
{
	return mProtocol;
}


KeyAgreementType SecurityProtocol::getKeyAgreementType() const
{
	return mKeyAgreement;
}


MappingType SecurityProtocol::getMappingType() const
{
	return mMapping;
}


CipherType SecurityProtocol::getCipherType() const
{
	return mCipher;
}


SignatureType SecurityProtocol::getSignatureType() const
{
	return mSignature;
}


const EVP_CIPHER* SecurityProtocol::getCipher() const
{
	switch (mCipher)
	{
		case CipherType::AES_128_CBC:
			return EVP_aes_128_cbc();

		case CipherType::AES_192_CBC:
			return EVP_aes_192_cbc();

		case CipherType::AES_256_CBC:
			return EVP_aes_256_cbc();

		case CipherType::DES3_CBC:
			qCCritical(card) << "3DES not supported";
			return nullptr;

		case CipherType::UNDEFINED:
			return nullptr;
	}
	return nullptr;
}


const char* SecurityProtocol::getCipherString() const
{
	switch (mCipher)
	{
		case CipherType::AES_128_CBC:
			return "aes-128-cbc";

		case CipherType::AES_192_CBC:
			return "aes-192-cbc";

		case CipherType::AES_256_CBC:
			return "aes-256-cbc";

		case CipherType::DES3_CBC:
			qCCritical(card) << "3DES not supported";
			return nullptr;

		case CipherType::UNDEFINED:
			return nullptr;
	}
	return nullptr;
}


int SecurityProtocol::getKeySize() const
{
	switch (mCipher)
	{
		case CipherType::AES_128_CBC:
			return 16;

		case CipherType::AES_192_CBC:
			return 24;

		case CipherType::AES_256_CBC:
			return 32;

		case CipherType::DES3_CBC:
			qCCritical(card) << "3DES not supported";
			return 0;

		case CipherType::UNDEFINED:
			return 0;
	}
	return 0;
}


QCryptographicHash::Algorithm SecurityProtocol::getHashAlgorithm() const
{
	switch (mCipher)
	{
		case CipherType::AES_128_CBC:
			return Hash::Sha1;

		case CipherType::AES_192_CBC:
		case CipherType::AES_256_CBC:
			return Hash::Sha256;

		case CipherType::DES3_CBC:
			qCCritical(card) << "3DES not supported";
			return Hash::Sha256;

		case CipherType::UNDEFINED:
			break;
	}

	if (mHashAlgorithm.has_value())
	{
		return *mHashAlgorithm;
	}
	qCCritical(card) << "Unknown hash algorithm:" << mOid;
	return Hash::Sha256;
}
