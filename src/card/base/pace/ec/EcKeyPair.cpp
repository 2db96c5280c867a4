#include "EcKeyPair.h"

#include "EcUtil.h"
#include "EcdhGenericMapping.h"
#include "LogCategories.h"

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


} // namespace


EcKeyPair::EcKeyPair(const QByteArray& pPrivateKey)
	: mKey()
	, mPublicKey()
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
	: mKey(EcUtil::generateKey(pMapping.getCurveNid()))
	, mPublicKey(multiply(pMapping.getEncodedGenerator(), mKey))
{
}


QByteArray EcKeyPair::getPublicKey(bool pCompressed) const
{
	return pCompressed ? EcUtil::compressPoint(mPublicKey) : mPublicKey;
}


QByteArray EcKeyPair::computeSharedSecret(const QByteArray& pRemotePublicKey) const
{
	return EcUtil::compressPoint(multiply(pRemotePublicKey, mKey));
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

	const auto point = EcUtil::oct2point(curve, pPoint);
	if (point.isNull())
	{
		qCCritical(card) << "Interpreting the EC point failed";
		return QByteArray();
	}

	const auto privateKey = EcUtil::getPrivateKey(pKey);
	const auto result = EcUtil::create(EC_POINT_new(curve.data()));
	if (privateKey.isNull() || result.isNull()
			|| !EC_POINT_mul(curve.data(), result.data(), nullptr, point.data(), privateKey.data(), nullptr))
	{
		qCCritical(card) << "EC multiplication failed";
		return QByteArray();
	}

	return EcUtil::point2oct(curve, result.data());
}
