#pragma once

#include "asn1/CVCertificate.h"

#include <QList>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

// The content of an EAC2InputType: further certificates and the terminal's ephemeral public key,
// with the signature when the server sends it here rather than in an additional request.
// Key and signature stay hexadecimal text as received; the card commands decode them.
class Eac2InputType
{
	private:
		QList<QSharedPointer<const cvcertificate_st>> mCvCertificates;
		QString mSignature;
		QString mEphemeralPublicKey;

	public:
		Eac2InputType() = default;
		Eac2InputType(const Eac2InputType&) = default;
		Eac2InputType& operator=(const Eac2InputType&) = default;
		virtual ~Eac2InputType();

		[[nodiscard]] const QList<QSharedPointer<const cvcertificate_st>>& getCvCertificates() const;
		void appendCvcert(const QSharedPointer<const cvcertificate_st>& pCvCertificate);

		// Null when the request carried none.
		[[nodiscard]] const QString& getSignature() const;
		void setSignature(const QString& pSignature);

		[[nodiscard]] const QString& getEphemeralPublicKey() const;
		void setEphemeralPublicKey(const QString& pEphemeralPublicKey);
};

} // namespace tessarovin
