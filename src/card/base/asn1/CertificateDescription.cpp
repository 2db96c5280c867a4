#include "CertificateDescription.h"

#include "asn1/ASN1Util.h"

#include <QRegularExpression>
#include <QStringList>

#include <openssl/safestack.h>

using namespace tessarovin;


namespace
{

// The section of the terms that follows the first label with text after it.
QString findSection(const QString& pTerms, const QStringList& pLabels)
{
	// A label followed by a blank line heads an empty section; providers repeat the purpose
	// under another label further down.
	static const QRegularExpression emptySection(QStringLiteral("^\\R{2,}"));

	for (const auto& label : pLabels)
	{
		const auto position = pTerms.indexOf(label);
		if (position < 0)
		{
			continue;
		}

		const QString rest = pTerms.mid(position + label.size());
		if (emptySection.match(rest).hasMatch())
		{
			continue;
		}

		QStringList lines;
		const auto parts = rest.trimmed().split(QLatin1Char('\n'));
		for (const auto& part : parts)
		{
			const auto line = part.trimmed();
			if (line.isEmpty())
			{
				break;
			}
			lines << line;
		}

		if (!lines.isEmpty())
		{
			return lines.join(QLatin1Char('\n'));
		}
	}

	return QString();
}


} // namespace


namespace tessarovin
{

// OpenSSL has no typed stack of octet strings; kept in this file so that no other header clashes with it.
DEFINE_STACK_OF(ASN1_OCTET_STRING)

ASN1_SEQUENCE(CertificateDescription) = {
	ASN1_SIMPLE(CertificateDescription, mDescriptionType, ASN1_OBJECT),
	ASN1_EXP(CertificateDescription, mIssuerName, ASN1_UTF8STRING, 0x01),
	ASN1_EXP_OPT(CertificateDescription, mIssuerURL, ASN1_PRINTABLESTRING, 0x02),
	ASN1_EXP(CertificateDescription, mSubjectName, ASN1_UTF8STRING, 0x03),
	ASN1_EXP_OPT(CertificateDescription, mSubjectURL, ASN1_PRINTABLESTRING, 0x04),
	ASN1_EXP(CertificateDescription, mTermsOfUsage, ASN1_ANY, 0x05),
	ASN1_EXP_OPT(CertificateDescription, mRedirectURL, ASN1_PRINTABLESTRING, 0x06),
	ASN1_EXP_SET_OF_OPT(CertificateDescription, mCommCertificates, ASN1_OCTET_STRING, 0x07)
} ASN1_SEQUENCE_END(CertificateDescription)

IMPLEMENT_ASN1_OBJECT(CertificateDescription)

} // namespace tessarovin


QSharedPointer<const CertificateDescription> CertificateDescription::decode(const QByteArray& pBytes)
{
	return decodeObject<CertificateDescription>(pBytes);
}


QSharedPointer<const CertificateDescription> CertificateDescription::fromHex(const QString& pHexValue)
{
	return decode(QByteArray::fromHex(pHexValue.toLatin1()));
}


QByteArray CertificateDescription::encode() const
{
	return encodeObject<CertificateDescription>(this);
}


QString CertificateDescription::getIssuerName() const
{
	return Asn1StringUtil::getValue(mIssuerName);
}


QString CertificateDescription::getIssuerUrl() const
{
	return Asn1StringUtil::getValue(mIssuerURL);
}


QString CertificateDescription::getSubjectName() const
{
	return Asn1StringUtil::getValue(mSubjectName);
}


QString CertificateDescription::getSubjectUrl() const
{
	return Asn1StringUtil::getValue(mSubjectURL);
}


QString CertificateDescription::getTermsOfUsage() const
{
	if (mTermsOfUsage == nullptr)
	{
		return QString();
	}

	switch (mTermsOfUsage->type)
	{
		case V_ASN1_UTF8STRING:
		case V_ASN1_IA5STRING:
			return Asn1StringUtil::getValue(mTermsOfUsage->value.asn1_string);

		case V_ASN1_OCTET_STRING:
			return QString::fromLatin1(Asn1TypeUtil::encode(mTermsOfUsage).toHex().toUpper());

		default:
			return QString();
	}
}


QString CertificateDescription::getServiceProviderAddress() const
{
	static const QStringList labels({
				QStringLiteral("Name, Anschrift und E-Mail-Adresse des Diensteanbieters:")
			});
	return findSection(getTermsOfUsage(), labels);
}


QString CertificateDescription::getPurpose() const
{
	static const QStringList labels({
				QStringLiteral("Geschäftszweck:"),
				QStringLiteral("Zweck des Auslesevorgangs:"),
				QStringLiteral("Verwendung der Daten:"),
				QStringLiteral("Zweck der Datenübermittlung:")
			});
	return findSection(getTermsOfUsage(), labels);
}


QString CertificateDescription::getDataProtectionAuthority() const
{
	static const QStringList labels({
				QStringLiteral("Hinweis auf die für den Diensteanbieter zuständigen Stellen, die die Einhaltung der Vorschriften zum Datenschutz kontrollieren:")
			});
	return findSection(getTermsOfUsage(), labels);
}


QSet<QString> CertificateDescription::getCommCertificates() const
{
	QSet<QString> hashes;
	if (mCommCertificates == nullptr)
	{
		return hashes;
	}

	for (int i = 0; i < sk_ASN1_OCTET_STRING_num(mCommCertificates); ++i)
	{
		const auto* hash = sk_ASN1_OCTET_STRING_value(mCommCertificates, i);
		hashes << QString::fromLatin1(Asn1OctetStringUtil::getValue(hash).toHex().toUpper());
	}
	return hashes;
}
