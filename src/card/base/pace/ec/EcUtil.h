#pragma once

#include <QByteArray>
#include <QSharedPointer>

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/params.h>

#include <functional>

namespace tessarovin
{

// OpenSSL's elliptic-curve objects in shared pointers with their free functions, and the point
// encodings of the card protocols. A null shared pointer or an empty array means failure.
class EcUtil
{
	private:
		EcUtil() = delete;

	public:
		static QSharedPointer<EC_GROUP> createCurve(int pNid);
		static QSharedPointer<EVP_PKEY> generateKey(int pNid);

		static QByteArray getEncodedPublicKey(const QSharedPointer<EVP_PKEY>& pKey, bool pCompressed = false);
		static QSharedPointer<BIGNUM> getPrivateKey(const QSharedPointer<const EVP_PKEY>& pKey);

		static QSharedPointer<EC_POINT> oct2point(const QSharedPointer<const EC_GROUP>& pCurve, const QByteArray& pCompressedData);
		static QByteArray point2oct(const QSharedPointer<const EC_GROUP>& pCurve, const EC_POINT* pPoint);

		// The "compressed" form of the card protocols is the bare x coordinate, without 02/03 prefix.
		static QByteArray compressPoint(const QByteArray& pPoint);

		static QSharedPointer<OSSL_PARAM> create(const std::function<bool(OSSL_PARAM_BLD* pBuilder)>& pFunc);

		static QSharedPointer<EC_GROUP> create(EC_GROUP* pCurve)
		{
			return QSharedPointer<EC_GROUP>(pCurve, &EC_GROUP_free);
		}


		static QSharedPointer<EC_POINT> create(EC_POINT* pPoint)
		{
			return QSharedPointer<EC_POINT>(pPoint, &EC_POINT_clear_free);
		}


		static QSharedPointer<EVP_PKEY> create(EVP_PKEY* pKey)
		{
			return QSharedPointer<EVP_PKEY>(pKey, &EVP_PKEY_free);
		}


		static QSharedPointer<BIGNUM> create(BIGNUM* pBigNum)
		{
			return QSharedPointer<BIGNUM>(pBigNum, &BN_clear_free);
		}


		static QSharedPointer<OSSL_PARAM> create(OSSL_PARAM* pParam)
		{
			return QSharedPointer<OSSL_PARAM>(pParam, &OSSL_PARAM_free);
		}


};

} // namespace tessarovin
