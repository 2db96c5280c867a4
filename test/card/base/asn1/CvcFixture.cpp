#include "CvcFixture.h"

#include "asn1/ASN1Struct.h"
#include "asn1/ASN1Util.h"
#include "OpenSslUtil.h"
#include "TestEnvironment.h"

#include <QCryptographicHash>
#include <QFile>

#include <openssl/ecdsa.h>
#include <openssl/x509.h>

using namespace tessarovin;

namespace
{

QByteArray application(int pTag, const QByteArray& pContent, bool pConstructed = false)
{
	return Asn1Util::encode(V_ASN1_APPLICATION, pTag, pContent, pConstructed);
}


QByteArray toFixedSize(const BIGNUM* pNumber, int pSize)
{
	QByteArray bytes(pSize, '\0');
	BN_bn2binpad(pNumber, reinterpret_cast<uchar*>(bytes.data()), pSize);
	return bytes;
}


} // namespace


QByteArray CvcFixture::Body::encode() const
{
	const QByteArray content = mProfile + mCar + mPublicKey + mChr + mChat + mEffectiveDate + mExpirationDate + mExtensions;
	return application(0x4E, content, true);
}


QString CvcFixture::path(const QString& pCurve, const QString& pName)
{
	return getProgramDirectory() + QStringLiteral("/fixtures/asn1/cvc/%1/%2").arg(pCurve, pName);
}


QByteArray CvcFixture::read(const QString& pCurve, const QString& pName)
{
	QFile file(path(pCurve, pName));
	if (!file.open(QIODevice::ReadOnly))
	{
		qFatal("Cannot read fixture %s", qPrintable(file.fileName()));
	}
	return file.readAll();
}


QSharedPointer<EVP_PKEY> CvcFixture::privateKey(const QString& pCurve, const QString& pName)
{
	const QByteArray der = read(pCurve, pName);
	const auto* data = reinterpret_cast<const uchar*>(der.constData());
	EVP_PKEY* key = d2i_AutoPrivateKey(nullptr, &data, static_cast<long>(der.size()));
	if (key == nullptr)
	{
		qFatal("Cannot read private key %s", qPrintable(pName));
	}
	return QSharedPointer<EVP_PKEY>(key, &EVP_PKEY_free);
}


CvcFixture::Body CvcFixture::bodyOf(const QByteArray& pCertificate)
{
	const ASN1Struct certificate(pCertificate);
	Body body;
	body.mProfile = certificate.getObject(V_ASN1_APPLICATION, 0x29);
	body.mCar = certificate.getObject(V_ASN1_APPLICATION, 0x02);
	body.mPublicKey = certificate.getObject(V_ASN1_APPLICATION, 0x49);
	body.mChr = certificate.getObject(V_ASN1_APPLICATION, 0x20);
	body.mChat = certificate.getObject(V_ASN1_APPLICATION, 0x4C);
	body.mEffectiveDate = certificate.getObject(V_ASN1_APPLICATION, 0x25);
	body.mExpirationDate = certificate.getObject(V_ASN1_APPLICATION, 0x24);
	body.mExtensions = certificate.getObject(V_ASN1_APPLICATION, 0x05);
	return body;
}


QByteArray CvcFixture::reference(int pTag, const QByteArray& pValue)
{
	return application(pTag, pValue);
}


QByteArray CvcFixture::date(const QByteArray& pDigits)
{
	return QByteArray::fromHex(pDigits);
}


QByteArray CvcFixture::chat(AccessRole pRole)
{
	const QByteArray idAt = QByteArray::fromHex("060904007F000703010202");
	QByteArray templ(5, '\0');
	templ[0] = static_cast<char>(static_cast<int>(pRole) << 6);
	return application(0x4C, idAt + application(0x13, templ), true);
}


QByteArray CvcFixture::publicKey(const QList<QPair<int, QByteArray>>& pFields)
{
	// id-TA-ECDSA-SHA-256
	QByteArray content = QByteArray::fromHex("060A04007F00070202020203");
	for (const auto& [tag, value] : pFields)
	{
		content += Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, tag, value);
	}
	return application(0x49, content, true);
}


QByteArray CvcFixture::sign(const QSharedPointer<EVP_PKEY>& pKey, const QByteArray& pData, bool pLeadingZero)
{
	const QByteArray digest = QCryptographicHash::hash(pData, QCryptographicHash::Sha256);
	const int size = (EVP_PKEY_get_bits(pKey.data()) + 7) / 8;

	// A random nonce gives r a leading zero octet once in 256 tries on average; a signature asked
	// for without one must not have it by chance either.
	for (int attempt = 0; attempt < 100000; ++attempt)
	{
		const OpenSslPtr<EVP_PKEY_CTX, EVP_PKEY_CTX_free> ctx(EVP_PKEY_CTX_new(pKey.data(), nullptr));
		size_t length = 0;
		if (!ctx || EVP_PKEY_sign_init(ctx.get()) <= 0
				|| EVP_PKEY_sign(ctx.get(), nullptr, &length, reinterpret_cast<const uchar*>(digest.constData()), static_cast<size_t>(digest.size())) <= 0)
		{
			qFatal("Cannot sign");
		}
		QByteArray der(static_cast<qsizetype>(length), '\0');
		if (EVP_PKEY_sign(ctx.get(), reinterpret_cast<uchar*>(der.data()), &length, reinterpret_cast<const uchar*>(digest.constData()), static_cast<size_t>(digest.size())) <= 0)
		{
			qFatal("Cannot sign");
		}

		const auto* data = reinterpret_cast<const uchar*>(der.constData());
		const OpenSslPtr<ECDSA_SIG, ECDSA_SIG_free> signature(d2i_ECDSA_SIG(nullptr, &data, static_cast<long>(length)));
		const QByteArray r = toFixedSize(ECDSA_SIG_get0_r(signature.get()), size);
		if ((r.at(0) == '\0') == pLeadingZero)
		{
			return r + toFixedSize(ECDSA_SIG_get0_s(signature.get()), size);
		}
	}
	qFatal("No signature with a leading zero");
	return QByteArray();
}


QByteArray CvcFixture::certificate(const QByteArray& pBody, const QByteArray& pSignature)
{
	return application(0x21, pBody + application(0x37, pSignature), true);
}


QByteArray CvcFixture::unsignedCertificate(const QByteArray& pCar, const QByteArray& pChr, AccessRole pRole, const QByteArray& pSignature)
{
	Body body = bodyOf(read(QStringLiteral("prime256v1"), QStringLiteral("dv_foreign.cvcert")));
	body.mCar = reference(0x02, pCar);
	body.mChr = reference(0x20, pChr);
	body.mChat = chat(pRole);
	return certificate(body.encode(), pSignature);
}
