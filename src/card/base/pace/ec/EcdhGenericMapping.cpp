#include "pace/ec/EcdhGenericMapping.h"

#include "LogCategories.h"
#include "pace/ec/EcUtil.h"

using namespace tessarovin;


EcdhGenericMapping::EcdhGenericMapping(const QSharedPointer<EC_GROUP>& pCurve)
	: mCurve(pCurve)
	, mLocalKey()
	, mEphemeralGenerator()
{
}


const QSharedPointer<EC_GROUP>& EcdhGenericMapping::getCurve() const
{
	return mCurve;
}


int EcdhGenericMapping::getCurveNid() const
{
	return mCurve.isNull() ? 0 : EC_GROUP_get_curve_name(mCurve.data());
}


QByteArray EcdhGenericMapping::generateLocalMappingData()
{
	if (mCurve.isNull())
	{
		qCCritical(card) << "No curve defined";
		return QByteArray();
	}

	mLocalKey = EcUtil::generateKey(getCurveNid());
	return EcUtil::getEncodedPublicKey(mLocalKey);
}


bool EcdhGenericMapping::generateEphemeralDomainParameters(const QByteArray& pCardMappingData, const QByteArray& pNonce)
{
	const QSharedPointer<const EC_POINT> cardPoint = EcUtil::oct2point(mCurve, pCardMappingData);
	if (cardPoint.isNull())
	{
		return false;
	}

	const QSharedPointer<const EC_POINT> localPoint = EcUtil::oct2point(mCurve, EcUtil::getEncodedPublicKey(mLocalKey));
	if (localPoint.isNull())
	{
		return false;
	}

	// A card that mirrors our mapping key would make H known to anyone who saw the exchange.
	if (EC_POINT_cmp(mCurve.data(), cardPoint.data(), localPoint.data(), nullptr) == 0)
	{
		qCCritical(card) << "The exchanged public keys are equal.";
		return false;
	}

	const auto nonce = EcUtil::create(BN_bin2bn(reinterpret_cast<const uchar*>(pNonce.constData()), static_cast<int>(pNonce.size()), nullptr));
	if (nonce.isNull())
	{
		qCCritical(card) << "Cannot convert nonce to BIGNUM";
		return false;
	}

	mEphemeralGenerator = createNewGenerator(cardPoint, nonce);
	return !mEphemeralGenerator.isNull();
}


QSharedPointer<EC_POINT> EcdhGenericMapping::createNewGenerator(const QSharedPointer<const EC_POINT>& pCardPoint, const QSharedPointer<const BIGNUM>& pNonce) const
{
	const auto noPoint = EcUtil::create(static_cast<EC_POINT*>(nullptr));
	if (mCurve.isNull() || pCardPoint.isNull() || pNonce.isNull())
	{
		return noPoint;
	}

	const auto privateKey = EcUtil::getPrivateKey(mLocalKey);
	if (privateKey.isNull())
	{
		qCCritical(card) << "Cannot fetch private key";
		return noPoint;
	}

	const auto pointH = EcUtil::create(EC_POINT_new(mCurve.data()));
	if (pointH.isNull() || !EC_POINT_mul(mCurve.data(), pointH.data(), nullptr, pCardPoint.data(), privateKey.data(), nullptr))
	{
		qCCritical(card) << "Calculation of elliptic curve point H failed";
		return noPoint;
	}

	// s·G on its own: OpenSSL multiplies a lone scalar in constant time, but s·G + 1·H in one
	// call goes through its variable-time multi-scalar path, and the nonce is secret.
	const auto generator = EcUtil::create(EC_POINT_new(mCurve.data()));
	if (generator.isNull()
			|| !EC_POINT_mul(mCurve.data(), generator.data(), pNonce.data(), nullptr, nullptr, nullptr)
			|| !EC_POINT_add(mCurve.data(), generator.data(), generator.data(), pointH.data(), nullptr))
	{
		qCCritical(card) << "Calculation of elliptic curve point G_tilde failed";
		return noPoint;
	}

	return generator;
}


QByteArray EcdhGenericMapping::getEncodedGenerator() const
{
	if (mEphemeralGenerator.isNull())
	{
		return QByteArray();
	}
	return EcUtil::point2oct(mCurve, mEphemeralGenerator.data());
}
