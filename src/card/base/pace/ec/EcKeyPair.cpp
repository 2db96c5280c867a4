#include "pace/ec/EcKeyPair.h"

#include "LogCategories.h"
#include "pace/ec/EcdhGenericMapping.h"
#include "pace/ec/EcUtil.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

using namespace tessarovin;

namespace
{

// The drained error queue; ERR_error_string_n, as two threads may decode at once.
QByteArray openSslErrors()
{
	QByteArrayList errors;
	while (const unsigned long code = ERR_get_error())
	{
		char text[256] = {};
		ERR_error_string_n(code, text, sizeof(text));
		errors << QByteArray(text);
	}
	return errors.join(" | ");
}


// A random private key on the curve without its public point: keygen would spend a whole
// multiplication on SK × G, which the mapped generator makes useless. The scalar is drawn
// as OpenSSL's keygen draws it, from [1, n - 1].
QSharedPointer<EVP_PKEY> generatePrivateKey(const QSharedPointer<EC_GROUP>& pCurve)
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

	const auto params = EcUtil::create([name, &privateKey](OSSL_PARAM_BLD* pBuilder) {
			return OSSL_PARAM_BLD_push_utf8_string(pBuilder, OSSL_PKEY_PARAM_GROUP_NAME, name, 0)
				   && OSSL_PARAM_BLD_push_BN(pBuilder, OSSL_PKEY_PARAM_PRIV_KEY, privateKey.data());
		});
	if (params.isNull())
	{
		return noKey;
	}

	EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
	EVP_PKEY* key = nullptr;
	if (context == nullptr || EVP_PKEY_fromdata_init(context) != 1 || EVP_PKEY_fromdata(context, &key, EVP_PKEY_KEYPAIR, params.data()) != 1)
	{
		qCCritical(card) << "Cannot create private key";
		key = nullptr;
	}
	EVP_PKEY_CTX_free(context);
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

	ERR_clear_error();
	const auto* data = reinterpret_cast<const unsigned char*>(pPrivateKey.constData());
	EVP_PKEY* key = d2i_PrivateKey(EVP_PKEY_EC, nullptr, &data, static_cast<long>(pPrivateKey.size()));
	if (key == nullptr)
	{
		qCCritical(card) << "Interpreting private key failed:" << openSslErrors();
		return;
	}

	mKey = EcUtil::create(key);
	mPublicKey = EcUtil::getEncodedPublicKey(mKey, false);
}


EcKeyPair::EcKeyPair(const EcdhGenericMapping& pMapping)
	: mKey(generatePrivateKey(pMapping.getCurve()))
	, mPublicKey(multiply(pMapping.getCurve(), pMapping.getEncodedGenerator(), mKey))
	, mCurve(pMapping.getCurve())
{
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

	const auto point = EcUtil::oct2point(pCurve, pPoint);
	if (point.isNull())
	{
		qCCritical(card) << "Interpreting the EC point failed";
		return QByteArray();
	}

	const auto privateKey = EcUtil::getPrivateKey(pKey);
	const auto result = EcUtil::create(EC_POINT_new(pCurve.data()));
	if (privateKey.isNull() || result.isNull()
			|| !EC_POINT_mul(pCurve.data(), result.data(), nullptr, point.data(), privateKey.data(), nullptr))
	{
		qCCritical(card) << "EC multiplication failed";
		return QByteArray();
	}

	return EcUtil::point2oct(pCurve, result.data());
}
