#include "asn1/CVCertificate.h"

#include "asn1/AccessRoleAndRightsUtil.h"
#include "asn1/ASN1Util.h"
#include "Enum.h"

#include <QHashFunctions>
#include <QStringList>

using namespace tessarovin;

namespace tessarovin
{

ASN1_SEQUENCE(cvcertificate_seq) = {
	ASN1_SIMPLE(cvcertificate_st, mBody, certificateprofilebody_st),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x37, cvcertificate_st, mSignature, ASN1_OCTET_STRING)
} ASN1_SEQUENCE_END_name(cvcertificate_st, cvcertificate_seq)

ASN1_ITEM_TEMPLATE(cvcertificate_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x21, cvcertificate_st, cvcertificate_seq)
ASN1_ITEM_TEMPLATE_END(cvcertificate_st)

IMPLEMENT_ASN1_OBJECT(cvcertificate_st)

} // namespace tessarovin


QSharedPointer<cvcertificate_st> cvcertificate_st::decode(const QByteArray& pBytes)
{
	return decodeObject<cvcertificate_st>(pBytes);
}


QList<QSharedPointer<const cvcertificate_st>> cvcertificate_st::decodeList(const QList<QByteArray>& pBytes)
{
	QList<QSharedPointer<const cvcertificate_st>> certificates;
	for (const auto& bytes : pBytes)
	{
		if (const auto certificate = decode(bytes))
		{
			certificates += certificate;
		}
	}
	return certificates;
}


QByteArray cvcertificate_st::encode() const
{
	return encodeObject<cvcertificate_st>(this);
}


const certificateprofilebody_st& cvcertificate_st::getBody() const
{
	return *mBody;
}


QByteArray cvcertificate_st::getRawBody() const
{
	return mBody->encode();
}


QByteArray cvcertificate_st::getRawSignature() const
{
	return Asn1Util::encode(V_ASN1_APPLICATION, 0x37, getSignature());
}


QByteArray cvcertificate_st::getSignature() const
{
	return Asn1OctetStringUtil::getValue(mSignature);
}


bool cvcertificate_st::isIssuedBy(const cvcertificate_st& pIssuer) const
{
	return mBody->getCertificationAuthorityReference() == pIssuer.getBody().getCertificateHolderReference();
}


bool cvcertificate_st::isSelfSigned() const
{
	return isIssuedBy(*this);
}


bool cvcertificate_st::isValidOn(const QDateTime& pDateTime) const
{
	const QDate date = pDateTime.toUTC().date();
	const QDate effective = mBody->getEffectiveDate();
	const QDate expiration = mBody->getExpirationDate();
	// A null date sorts before every other, so an unreadable effective date would admit any day.
	return effective.isValid() && expiration.isValid() && date >= effective && date <= expiration;
}


bool tessarovin::operator==(const cvcertificate_st& pLeft, const cvcertificate_st& pRight)
{
	return pLeft.getRawBody() == pRight.getRawBody() && pLeft.getRawSignature() == pRight.getRawSignature();
}


bool tessarovin::operator!=(const cvcertificate_st& pLeft, const cvcertificate_st& pRight)
{
	return !(pLeft == pRight);
}


size_t tessarovin::qHash(const cvcertificate_st& pCertificate, size_t pSeed)
{
	return qHash(pCertificate.getRawBody() + pCertificate.getRawSignature(), pSeed);
}


QDebug tessarovin::operator<<(QDebug pDbg, const cvcertificate_st& pCertificate)
{
	const QDebugStateSaver saver(pDbg);
	const auto& body = pCertificate.getBody();
	pDbg.nospace().noquote()
		<< Enum<AccessRole>::getName(body.getCHAT().getAccessRole())
		<< "(" << QString::fromLatin1(body.getCertificateHolderReference().trimmed())
		<< ", authority=" << QString::fromLatin1(body.getCertificationAuthorityReference().trimmed())
		<< ", " << body.getEffectiveDate().toString(Qt::ISODate)
		<< " - " << body.getExpirationDate().toString(Qt::ISODate)
		<< ", " << (pCertificate.isValidOn(QDateTime::currentDateTimeUtc()) ? "valid" : "invalid")
		<< ")";
	return pDbg;
}


QDebug tessarovin::operator<<(QDebug pDbg, const QSharedPointer<const cvcertificate_st>& pCertificate)
{
	if (pCertificate.isNull())
	{
		const QDebugStateSaver saver(pDbg);
		pDbg.nospace() << "0x0";
		return pDbg;
	}
	return pDbg << *pCertificate;
}


QDebug tessarovin::operator<<(QDebug pDbg, const QList<QSharedPointer<const cvcertificate_st>>& pCertificates)
{
	QStringList entries;
	for (const auto& certificate : pCertificates)
	{
		if (certificate.isNull())
		{
			entries += QStringLiteral("0x0");
			continue;
		}
		const QString holder = QString::fromLatin1(certificate->getBody().getCertificateHolderReference().trimmed());
		entries += certificate->isSelfSigned() ? QStringLiteral("(Self Signed) ") + holder : holder;
	}

	const QDebugStateSaver saver(pDbg);
	pDbg.nospace().noquote() << "[" << entries.join(QStringLiteral(", ")) << "]";
	return pDbg;
}
