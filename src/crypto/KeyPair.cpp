#include "KeyPair.h"

#include "LogCategories.h"
#include "RandomSource.h"

#include <QCoreApplication>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <limits>
#include <random>

using namespace tessarovin;

namespace
{

// Validity from the epoch to the end of time: the identity is replaced by key size and explicit
// renewal, never because a date passed.
const char* const cNotBefore = "19700101000000Z";
const char* const cNotAfter = "99991231235959Z";


// A stored key never has a passphrase; without this callback OpenSSL would prompt on the terminal
// for an encrypted one.
int noPassphrase(char*, int, int, void*)
{
	return 0;
}


template<typename T>
QSharedPointer<T> readPem(const QByteArray& pPem, T* (*pRead)(BIO*, T**, pem_password_cb*, void*), void (*pFree)(T*))
{
	if (pPem.isEmpty())
	{
		return QSharedPointer<T>();
	}

	const OpenSslPtr<BIO, BIO_free> bio(BIO_new_mem_buf(pPem.constData(), static_cast<int>(pPem.size())));
	if (!bio)
	{
		return QSharedPointer<T>();
	}

	T* object = pRead(bio.get(), nullptr, noPassphrase, nullptr);
	if (object == nullptr)
	{
		// An unreadable signer only means a self-signed certificate.
		ERR_clear_error();
		return QSharedPointer<T>();
	}
	return QSharedPointer<T>(object, pFree);
}


QByteArray toPem(X509* pCertificate)
{
	const OpenSslPtr<BIO, BIO_free> bio(BIO_new(BIO_s_mem()));
	if (!bio || PEM_write_bio_X509(bio.get(), pCertificate) != 1)
	{
		return QByteArray();
	}

	char* data = nullptr;
	const long length = BIO_get_mem_data(bio.get(), &data);
	return QByteArray(data, static_cast<qsizetype>(length));
}


template<typename T>
T drawUniform(T pMax)
{
	std::uniform_int_distribution<T> distribution(1, pMax);
	return distribution(RandomSource::getInstance().getGenerator(true));
}


} // namespace


KeyPair::KeyPair()
	: mKey()
	, mCertificate(QByteArray())
{
}


KeyPair::KeyPair(const QSslKey& pKey, const QSslCertificate& pCertificate)
	: mKey(pKey)
	, mCertificate(pCertificate)
{
}


KeyPair KeyPair::generate(int pKeySize, const QByteArray& pSignerKey, const QByteArray& pSignerCertificate)
{
	auto key = createKey(EVP_PKEY_RSA, [pKeySize](EVP_PKEY_CTX* pContext) {
			return EVP_PKEY_CTX_set_rsa_keygen_bits(pContext, pKeySize) != 0;
		});
	if (!key)
	{
		return KeyPair();
	}

	const auto signerCertificate = readPem<X509>(pSignerCertificate, PEM_read_bio_X509, X509_free);
	const auto signerKey = readPem<EVP_PKEY>(pSignerKey, PEM_read_bio_PrivateKey, EVP_PKEY_free);

	const auto certificate = createCertificate(key.get(), signerKey, signerCertificate);
	if (certificate.isNull())
	{
		return KeyPair();
	}

	const QSslCertificate sslCertificate(toPem(certificate.data()));
	// QSslKey takes over the key from here on.
	const QSslKey sslKey(static_cast<Qt::HANDLE>(key.release()), QSsl::PrivateKey);
	if (sslKey.isNull() || sslCertificate.isNull())
	{
		qCCritical(settings) << "Cannot convert the generated key pair";
		return KeyPair();
	}

	return KeyPair(sslKey, sslCertificate);
}


OpenSslPtr<EVP_PKEY, EVP_PKEY_free> KeyPair::createKey(int pKeyType, const ParameterStep& pParameterStep)
{
	const OpenSslPtr<EVP_PKEY_CTX, EVP_PKEY_CTX_free> context(EVP_PKEY_CTX_new_id(pKeyType, nullptr));
	if (!context)
	{
		qCCritical(settings) << "Cannot create EVP_PKEY_CTX";
		return nullptr;
	}

	if (EVP_PKEY_keygen_init(context.get()) != 1)
	{
		qCCritical(settings) << "Cannot init key ctx";
		return nullptr;
	}

	if (pParameterStep && !pParameterStep(context.get()))
	{
		qCCritical(settings) << "Cannot set parameters";
		return nullptr;
	}

	EVP_PKEY* key = nullptr;
	if (EVP_PKEY_keygen(context.get(), &key) != 1)
	{
		qCCritical(settings) << "Cannot generate key";
		return nullptr;
	}

	return OpenSslPtr<EVP_PKEY, EVP_PKEY_free>(key);
}


QSharedPointer<X509> KeyPair::createCertificate(EVP_PKEY* pKey, const QSharedPointer<EVP_PKEY>& pSignerKey, const QSharedPointer<X509>& pSignerCertificate)
{
	const QSharedPointer<X509> certificate(X509_new(), X509_free);
	if (certificate.isNull())
	{
		qCCritical(settings) << "Cannot create X509 structure";
		return QSharedPointer<X509>();
	}

	// No version is set: a version 1 certificate without extensions is all TLS peers need here.
	ASN1_INTEGER_set(X509_get_serialNumber(certificate.data()), static_cast<long>(drawUniform<quint32>(std::numeric_limits<qint32>::max())));
	ASN1_TIME_set_string(X509_getm_notBefore(certificate.data()), cNotBefore);
	ASN1_TIME_set_string(X509_getm_notAfter(certificate.data()), cNotAfter);
	X509_set_pubkey(certificate.data(), pKey);

	const OpenSslPtr<X509_NAME, X509_NAME_free> subject(X509_NAME_new());
	const QByteArray commonName = QCoreApplication::applicationName().toLatin1();
	const QByteArray serialNumber = QByteArray::number(drawUniform<quint64>(std::numeric_limits<quint64>::max()));
	if (!subject
			|| X509_NAME_add_entry_by_txt(subject.get(), "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.constData()), -1, -1, 0) != 1
			|| X509_NAME_add_entry_by_txt(subject.get(), "serialNumber", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(serialNumber.constData()), -1, -1, 0) != 1)
	{
		qCCritical(settings) << "Cannot create X509 structure";
		return QSharedPointer<X509>();
	}
	X509_set_subject_name(certificate.data(), subject.get());

	EVP_PKEY* signingKey = pKey;
	if (!pSignerKey.isNull() && !pSignerCertificate.isNull())
	{
		X509_set_issuer_name(certificate.data(), X509_get_subject_name(pSignerCertificate.data()));
		signingKey = pSignerKey.data();
	}
	else
	{
		X509_set_issuer_name(certificate.data(), subject.get());
	}

	if (X509_sign(certificate.data(), signingKey, EVP_sha256()) <= 0)
	{
		qCCritical(settings) << "Cannot sign certificate";
		return QSharedPointer<X509>();
	}

	return certificate;
}


bool KeyPair::isValid() const
{
	return !mKey.isNull() && !mCertificate.isNull();
}


const QSslKey& KeyPair::getKey() const
{
	return mKey;
}


const QSslCertificate& KeyPair::getCertificate() const
{
	return mCertificate;
}
