#include "pace/ec/EcKeyPair.h"

#include "LogCategories.h"
#include "OpenSslUtil.h"
#include "pace/ec/EcdhGenericMapping.h"
#include "pace/ec/EcUtil.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

using namespace tessarovin;

namespace
{

// SK × P; a single scalar on a single point, which OpenSSL multiplies in constant time.
QByteArray multiplyPoint(const QSharedPointer<const EC_GROUP>& pCurve, const QByteArray& pPoint, const BIGNUM* pScalar)
{
	const auto point = EcUtil::oct2point(pCurve, pPoint);
	if (point.isNull())
	{
		qCCritical(card) << "Interpreting the EC point failed";
		return QByteArray();
	}

	const auto result = EcUtil::create(EC_POINT_new(pCurve.data()));
	if (pScalar == nullptr || result.isNull()
			|| !EC_POINT_mul(pCurve.data(), result.data(), nullptr, point.data(), pScalar, nullptr))
	{
		qCCritical(card) << "EC multiplication failed";
		return QByteArray();
	}

	return EcUtil::point2oct(pCurve, result.data());
}


// A fresh key pair on the mapped generator: SK drawn as OpenSSL's keygen draws it, from
// [1, n - 1], and PK = SK × G~. Keygen would spend a whole multiplication on SK × G, which the
// mapping makes useless. The key names the standard curve, whose field and coefficients G~
// shares, and carries SK × G~ as its public point: derivation and encoding see the pair that the
// peer sees, only a pairwise check against G would fail.
QSharedPointer<EVP_PKEY> generateMappedKey(const QSharedPointer<const EC_GROUP>& pCurve, const QByteArray& pGenerator, QByteArray& pPublicKey)
{
	const auto noKey = EcUtil::create(static_cast<EVP_PKEY*>(nullptr));
	const char* name = pCurve.isNull() ? nullptr : OBJ_nid2sn(EC_GROUP_get_curve_name(pCurve.data()));
	const auto privateKey = EcUtil::create(BN_secure_new());
	if (name == nullptr || privateKey.isNull())
	{
		return noKey;
	}

	do
	{
		if (!BN_priv_rand_range_ex(privateKey.data(), EC_GROUP_get0_order(pCurve.data()), 0, nullptr))
		{
			return noKey;
		}
	}
	while (BN_is_zero(privateKey.data()));

	const QByteArray publicKey = multiplyPoint(pCurve, pGenerator, privateKey.data());
	if (publicKey.isEmpty())
	{
		return noKey;
	}

	const auto params = EcUtil::create([name, &privateKey, &publicKey](OSSL_PARAM_BLD* pBuilder) {
			return OSSL_PARAM_BLD_push_utf8_string(pBuilder, OSSL_PKEY_PARAM_GROUP_NAME, name, 0)
				   && OSSL_PARAM_BLD_push_BN(pBuilder, OSSL_PKEY_PARAM_PRIV_KEY, privateKey.data())
				   && OSSL_PARAM_BLD_push_octet_string(pBuilder, OSSL_PKEY_PARAM_PUB_KEY, publicKey.constData(), static_cast<size_t>(publicKey.size()));
		});
	if (params.isNull())
	{
		return noKey;
	}

	const OpenSslPtr<EVP_PKEY_CTX, EVP_PKEY_CTX_free> context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
	EVP_PKEY* key = nullptr;
	if (!context || EVP_PKEY_fromdata_init(context.get()) != 1 || EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_KEYPAIR, params.data()) != 1)
	{
		qCCritical(card) << "Cannot create private key:" << getOpenSslErrors();
		return noKey;
	}

	pPublicKey = publicKey;
	return EcUtil::create(key);
}


} // namespace


EcKeyPair::EcKeyPair(const QByteArray& pPrivateKey)
	: mKey()
	, mPublicKey()
	, mCurve()
{
	if (pPrivateKey.isEmpty())
	{
		return;
	}

	const auto* data = reinterpret_cast<const unsigned char*>(pPrivateKey.constData());
	EVP_PKEY* key = d2i_PrivateKey(EVP_PKEY_EC, nullptr, &data, static_cast<long>(pPrivateKey.size()));
	if (key == nullptr)
	{
		qCCritical(card) << "Interpreting private key failed:" << getOpenSslErrors();
		return;
	}

	mKey = EcUtil::create(key);
	mPublicKey = EcUtil::getEncodedPublicKey(mKey, false);
}


EcKeyPair::EcKeyPair(const EcdhGenericMapping& pMapping)
	: mKey()
	, mPublicKey()
	, mCurve(pMapping.getCurve())
{
	mKey = generateMappedKey(mCurve, pMapping.getEncodedGenerator(), mPublicKey);
}


QByteArray EcKeyPair::getPublicKey(bool pCompressed) const
{
	return pCompressed ? EcUtil::compressPoint(mPublicKey) : mPublicKey;
}


QByteArray EcKeyPair::computeSharedSecret(const QByteArray& pRemotePublicKey) const
{
	return EcUtil::compressPoint(mCurve.isNull() ? multiply(pRemotePublicKey, mKey) : multiply(mCurve, pRemotePublicKey, mKey));
}


QByteArray EcKeyPair::multiply(const QByteArray& pPoint, const QSharedPointer<const EVP_PKEY>& pKey)
{
	if (pKey.isNull())
	{
		qCCritical(card) << "Missing private key";
		return QByteArray();
	}

	size_t nameLength = 0;
	if (!EVP_PKEY_get_utf8_string_param(pKey.data(), OSSL_PKEY_PARAM_GROUP_NAME, nullptr, 0, &nameLength))
	{
		qCCritical(card) << "Missing group name";
		return QByteArray();
	}
	QByteArray groupName(static_cast<qsizetype>(nameLength + 1), '\0');
	if (!EVP_PKEY_get_utf8_string_param(pKey.data(), OSSL_PKEY_PARAM_GROUP_NAME, groupName.data(), static_cast<size_t>(groupName.size()), nullptr))
	{
		qCCritical(card) << "Missing group name";
		return QByteArray();
	}

	const QSharedPointer<const EC_GROUP> curve = EcUtil::createCurve(OBJ_sn2nid(groupName.constData()));
	if (curve.isNull())
	{
		qCCritical(card) << "Failed to create curve";
		return QByteArray();
	}

	return multiply(curve, pPoint, pKey);
}


QByteArray EcKeyPair::multiply(const QSharedPointer<const EC_GROUP>& pCurve, const QByteArray& pPoint, const QSharedPointer<const EVP_PKEY>& pKey)
{
	if (pKey.isNull())
	{
		qCCritical(card) << "Missing private key";
		return QByteArray();
	}

	const auto privateKey = EcUtil::getPrivateKey(pKey);
	if (privateKey.isNull())
	{
		qCCritical(card) << "EC multiplication failed";
		return QByteArray();
	}
	return multiplyPoint(pCurve, pPoint, privateKey.data());
}
