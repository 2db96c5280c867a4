#include "pace/ec/EcUtil.h"

#include "LogCategories.h"
#include "OpenSslUtil.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/objects.h>

#include <limits>

using namespace tessarovin;


QSharedPointer<EC_GROUP> EcUtil::createCurve(int pNid)
{
	qCDebug(card) << "Create elliptic curve:" << OBJ_nid2sn(pNid);

	EC_GROUP* curve = EC_GROUP_new_by_curve_name(pNid);
	if (curve == nullptr)
	{
		qCCritical(card) << "Error on EC_GROUP_new_by_curve_name, curve is unknown:" << pNid;
	}
	return create(curve);
}


QSharedPointer<EVP_PKEY> EcUtil::generateKey(int pNid)
{
	const char* name = OBJ_nid2sn(pNid);
	if (name == nullptr)
	{
		return create(static_cast<EVP_PKEY*>(nullptr));
	}
	return create(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", name));
}


QByteArray EcUtil::getEncodedPublicKey(const QSharedPointer<EVP_PKEY>& pKey, bool pCompressed)
{
	if (pKey.isNull())
	{
		qCCritical(card) << "Cannot use undefined key";
		return QByteArray();
	}

	unsigned char* buffer = nullptr;
	const size_t length = EVP_PKEY_get1_encoded_public_key(pKey.data(), &buffer);
	const OpenSslBuffer<> owner(buffer);
	if (length == 0 || buffer == nullptr || length > static_cast<size_t>(std::numeric_limits<int>::max()))
	{
		return QByteArray();
	}

	const QByteArray encoded(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(length));

	return pCompressed ? compressPoint(encoded) : encoded;
}


QSharedPointer<BIGNUM> EcUtil::getPrivateKey(const QSharedPointer<const EVP_PKEY>& pKey)
{
	BIGNUM* privateKey = nullptr;
	const bool found = !pKey.isNull() && EVP_PKEY_get_bn_param(pKey.data(), OSSL_PKEY_PARAM_PRIV_KEY, &privateKey);
	// Owned either way: a failed call may leave a number behind.
	auto result = create(privateKey);
	if (!found)
	{
		result.reset();
	}
	return result;
}


QSharedPointer<EC_POINT> EcUtil::oct2point(const QSharedPointer<const EC_GROUP>& pCurve, const QByteArray& pCompressedData)
{
	if (pCurve.isNull())
	{
		qCCritical(card) << "Cannot use undefined curve";
		return create(static_cast<EC_POINT*>(nullptr));
	}

	auto point = create(EC_POINT_new(pCurve.data()));
	if (point.isNull())
	{
		qCCritical(card) << "Cannot decode elliptic curve point";
		return point;
	}

	const auto* data = reinterpret_cast<const unsigned char*>(pCompressedData.constData());
	if (!EC_POINT_oct2point(pCurve.data(), point.data(), data, static_cast<size_t>(pCompressedData.size()), nullptr))
	{
		// The card chose these bytes; its error stays out of the queue of whatever fails next.
		ERR_clear_error();
		qCCritical(card) << "Cannot decode elliptic curve point";
		return create(static_cast<EC_POINT*>(nullptr));
	}

	// oct2point accepts any well-formed encoding; a point off the curve would leak the key in ECDH.
	if (EC_POINT_is_on_curve(pCurve.data(), point.data(), nullptr) != 1)
	{
		qCCritical(card) << "Decoded point is not on curve";
		return create(static_cast<EC_POINT*>(nullptr));
	}

	// The single byte 00 decodes to infinity, which counts as on the curve: a peer's key there
	// makes every product infinity and the shared secret a constant known to anyone.
	if (EC_POINT_is_at_infinity(pCurve.data(), point.data()))
	{
		qCCritical(card) << "Decoded point is at infinity";
		return create(static_cast<EC_POINT*>(nullptr));
	}

	return point;
}


QByteArray EcUtil::point2oct(const QSharedPointer<const EC_GROUP>& pCurve, const EC_POINT* pPoint)
{
	if (pCurve.isNull() || pPoint == nullptr)
	{
		qCCritical(card) << "Invalid input data, cannot encode elliptic curve point";
		return QByteArray();
	}

	const size_t length = EC_POINT_point2oct(pCurve.data(), pPoint, POINT_CONVERSION_UNCOMPRESSED, nullptr, 0, nullptr);
	if (length == 0 || length > static_cast<size_t>(std::numeric_limits<int>::max()))
	{
		qCCritical(card) << "Cannot encode elliptic curve point";
		return QByteArray();
	}

	QByteArray encoded(static_cast<qsizetype>(length), '\0');
	if (EC_POINT_point2oct(pCurve.data(), pPoint, POINT_CONVERSION_UNCOMPRESSED, reinterpret_cast<unsigned char*>(encoded.data()), length, nullptr) != length)
	{
		qCCritical(card) << "Cannot encode elliptic curve point";
		return QByteArray();
	}

	return encoded;
}


QByteArray EcUtil::compressPoint(const QByteArray& pPoint)
{
	if (pPoint.size() % 2 == 1 && pPoint.at(0) == 0x04)
	{
		return pPoint.mid(1, (pPoint.size() - 1) / 2);
	}

	qCCritical(card) << "Unable to apply compression on point:" << pPoint.toHex();
	return pPoint;
}


QSharedPointer<OSSL_PARAM> EcUtil::create(const std::function<bool(OSSL_PARAM_BLD* pBuilder)>& pFunc)
{
	const OpenSslPtr<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free> builder(OSSL_PARAM_BLD_new());
	if (!builder)
	{
		qCCritical(card) << "Cannot create parameter builder";
		return create(static_cast<OSSL_PARAM*>(nullptr));
	}

	OSSL_PARAM* params = nullptr;
	if (pFunc(builder.get()))
	{
		params = OSSL_PARAM_BLD_to_param(builder.get());
		if (params == nullptr)
		{
			qCCritical(card) << "Cannot create parameter";
		}
	}
	else
	{
		qCCritical(card) << "Cannot initialize parameter builder";
	}

	return create(params);
}
