#include "asn1/EcdsaPublicKey.h"

#include "asn1/ASN1Util.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"

#include <openssl/core_names.h>
#include <openssl/param_build.h>

using namespace tessarovin;

namespace
{

int decodeCallback(int pOperation, ASN1_VALUE** pVal, const ASN1_ITEM* pIt, void* pExarg)
{
	Q_UNUSED(pIt)
	Q_UNUSED(pExarg)

	if (pOperation != ASN1_OP_D2I_POST)
	{
		return 1;
	}

	const auto* key = reinterpret_cast<const ecdsapublickey_st*>(*pVal);
	const int present = (key->mPrimeModulus != nullptr)
			+ (key->mFirstCoefficient != nullptr)
			+ (key->mSecondCoefficient != nullptr)
			+ (key->mBasePoint != nullptr)
			+ (key->mOrderOfTheBasePoint != nullptr);
	if (present != 0 && present != 5)
	{
		qCCritical(card) << "Some conditional domain parameters are present and some are absent";
		return 0;
	}

	return 1;
}


QSharedPointer<BIGNUM> toBigNumber(const ASN1_OCTET_STRING* pValue)
{
	// An absent field (a key without domain parameters) converts to nothing.
	if (pValue == nullptr)
	{
		return QSharedPointer<BIGNUM>();
	}

	BIGNUM* number = BN_bin2bn(ASN1_STRING_get0_data(pValue), ASN1_STRING_length(pValue), nullptr);
	return QSharedPointer<BIGNUM>(number, &BN_clear_free);
}


} // namespace


namespace tessarovin
{

ASN1_SEQUENCE_cb(ecdsapublickey_seq, decodeCallback) = {
	ASN1_SIMPLE(ecdsapublickey_st, mObjectIdentifier, ASN1_OBJECT),
	ASN1_IMP_OPT(ecdsapublickey_st, mPrimeModulus, ASN1_OCTET_STRING, 1),
	ASN1_IMP_OPT(ecdsapublickey_st, mFirstCoefficient, ASN1_OCTET_STRING, 2),
	ASN1_IMP_OPT(ecdsapublickey_st, mSecondCoefficient, ASN1_OCTET_STRING, 3),
	ASN1_IMP_OPT(ecdsapublickey_st, mBasePoint, ASN1_OCTET_STRING, 4),
	ASN1_IMP_OPT(ecdsapublickey_st, mOrderOfTheBasePoint, ASN1_OCTET_STRING, 5),
	ASN1_IMP(ecdsapublickey_st, mPublicPoint, ASN1_OCTET_STRING, 6),
	ASN1_IMP_OPT(ecdsapublickey_st, mCofactor, ASN1_OCTET_STRING, 7)
} ASN1_SEQUENCE_END_cb(ecdsapublickey_st, ecdsapublickey_seq)

ASN1_ITEM_TEMPLATE(ecdsapublickey_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x49, ecdsapublickey_st, ecdsapublickey_seq)
ASN1_ITEM_TEMPLATE_END(ecdsapublickey_st)

IMPLEMENT_ASN1_OBJECT(ecdsapublickey_st)

} // namespace tessarovin


bool ecdsapublickey_st::CurveData::isValid() const
{
	return mP && mA && mB && mOrder;
}


SecurityProtocol ecdsapublickey_st::getSecurityProtocol() const
{
	return SecurityProtocol(Oid(mObjectIdentifier));
}


QByteArray ecdsapublickey_st::getUncompressedPublicPoint() const
{
	return Asn1OctetStringUtil::getValue(mPublicPoint);
}


bool ecdsapublickey_st::isComplete() const
{
	return mPrimeModulus && mFirstCoefficient && mSecondCoefficient && mBasePoint && mOrderOfTheBasePoint;
}


QSharedPointer<EVP_PKEY> ecdsapublickey_st::createKey(const QByteArray& pPublicPoint) const
{
	return createKey(reinterpret_cast<const uchar*>(pPublicPoint.constData()), static_cast<int>(pPublicPoint.size()));
}


ecdsapublickey_st::CurveData ecdsapublickey_st::createCurveData() const
{
	CurveData data;

	data.mP = toBigNumber(mPrimeModulus);
	if (!data.mP)
	{
		qCCritical(card) << "Cannot convert prime modulus";
		return CurveData();
	}

	data.mA = toBigNumber(mFirstCoefficient);
	if (!data.mA)
	{
		qCCritical(card) << "Cannot convert first coefficient";
		return CurveData();
	}

	data.mB = toBigNumber(mSecondCoefficient);
	if (!data.mB)
	{
		qCCritical(card) << "Cannot convert second coefficient";
		return CurveData();
	}

	data.mOrder = toBigNumber(mOrderOfTheBasePoint);
	if (!data.mOrder)
	{
		qCCritical(card) << "Cannot convert order of the generator";
		return CurveData();
	}

	if (mCofactor)
	{
		data.mCofactor = toBigNumber(mCofactor);
		if (!data.mCofactor)
		{
			qCCritical(card) << "Cannot convert cofactor";
			return CurveData();
		}
	}

	return data;
}


QSharedPointer<EVP_PKEY> ecdsapublickey_st::createKey(const uchar* pPublicPoint, int pPublicPointLength) const
{
	if (!isComplete())
	{
		return nullptr;
	}

	const CurveData curve = createCurveData();
	if (!curve.isValid())
	{
		return nullptr;
	}

	const OpenSslPtr<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free> builder(OSSL_PARAM_BLD_new());
	const bool built = builder
			&& OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_EC_P, curve.mP.data())
			&& OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_EC_A, curve.mA.data())
			&& OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_EC_B, curve.mB.data())
			&& OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_EC_ORDER, curve.mOrder.data())
			// An empty cofactor would be taken as zero; left out, OpenSSL computes it.
			&& (!curve.mCofactor || OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_EC_COFACTOR, curve.mCofactor.data()))
			&& OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY, pPublicPoint, static_cast<size_t>(pPublicPointLength))
			&& OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_EC_GENERATOR,
					ASN1_STRING_get0_data(mBasePoint), static_cast<size_t>(ASN1_STRING_length(mBasePoint)))
			&& OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_EC_FIELD_TYPE, SN_X9_62_prime_field, 0);
	const OpenSslPtr<OSSL_PARAM, OSSL_PARAM_free> params(built ? OSSL_PARAM_BLD_to_param(builder.get()) : nullptr);
	if (!params)
	{
		qCCritical(card) << "Cannot set parameter" << getOpenSslErrors();
		return nullptr;
	}

	const OpenSslPtr<EVP_PKEY_CTX, EVP_PKEY_CTX_free> ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
	if (!ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0)
	{
		qCCritical(card) << "Cannot init pkey" << getOpenSslErrors();
		return nullptr;
	}

	EVP_PKEY* key = nullptr;
	if (EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) <= 0)
	{
		qCCritical(card) << "Cannot fetch data for pkey" << getOpenSslErrors();
		return nullptr;
	}

	return QSharedPointer<EVP_PKEY>(key, &EVP_PKEY_free);
}
