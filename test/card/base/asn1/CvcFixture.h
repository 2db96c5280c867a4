#pragma once

#include "asn1/AccessRoleAndRightsUtil.h"

#include <QByteArray>
#include <QSharedPointer>
#include <QString>

#include <openssl/evp.h>

namespace tessarovin
{

// The certificates and keys made by fixtures/cvc/generate.sh, and certificates of the tests'
// own: bodies put together from DER parts and signed with the fixtures' private keys.
class CvcFixture
{
	public:
		// The parts of a body, each a complete DER element; mExtensions may be null.
		struct Body
		{
			QByteArray mProfile;
			QByteArray mCar;
			QByteArray mPublicKey;
			QByteArray mChr;
			QByteArray mChat;
			QByteArray mEffectiveDate;
			QByteArray mExpirationDate;
			QByteArray mExtensions;

			[[nodiscard]] QByteArray encode() const;
		};

		static QString path(const QString& pCurve, const QString& pName);
		static QByteArray read(const QString& pCurve, const QString& pName);
		static QSharedPointer<EVP_PKEY> privateKey(const QString& pCurve, const QString& pName);

		// Splits the DER of a certificate into the parts of its body.
		static Body bodyOf(const QByteArray& pCertificate);
		static QByteArray reference(int pTag, const QByteArray& pValue);
		static QByteArray date(const QByteArray& pDigits);
		static QByteArray chat(AccessRole pRole);
		// Key fields by context tag (1 to 7) with their contents, in the given order.
		static QByteArray publicKey(const QList<QPair<int, QByteArray>>& pFields);

		// Plain signature r || s over SHA-256 of the data; the r half starts with 00 exactly when pLeadingZero.
		static QByteArray sign(const QSharedPointer<EVP_PKEY>& pKey, const QByteArray& pData, bool pLeadingZero = false);
		static QByteArray certificate(const QByteArray& pBody, const QByteArray& pSignature);
		// A certificate of the given role and references whose signature is not meant to verify.
		static QByteArray unsignedCertificate(const QByteArray& pCar, const QByteArray& pChr, AccessRole pRole,
				const QByteArray& pSignature = QByteArray(64, '\x11'));
};

} // namespace tessarovin
