#include "MsgHandlerCertificate.h"

#include "asn1/CertificateDescription.h"
#include "asn1/CVCertificate.h"
#include "context/AuthContext.h"

#include <QJsonObject>

using namespace tessarovin;


MsgHandlerCertificate::MsgHandlerCertificate(const MsgContext& pContext)
	: MsgHandler(MsgType::CERTIFICATE)
{
	const auto context = pContext.getContext<AuthContext>();
	const auto eac1 = context ? context->getDidAuthenticateEac1() : QSharedPointer<DIDAuthenticateEAC1>();
	const auto description = eac1 ? eac1->getCertificateDescription() : QSharedPointer<const CertificateDescription>();

	QJsonObject desc;
	desc[QLatin1String("subjectName")] = description ? description->getSubjectName() : QString();
	desc[QLatin1String("subjectUrl")] = description ? description->getSubjectUrl() : QString();
	desc[QLatin1String("issuerName")] = description ? description->getIssuerName() : QString();
	desc[QLatin1String("issuerUrl")] = description ? description->getIssuerUrl() : QString();
	desc[QLatin1String("termsOfUsage")] = description ? description->getTermsOfUsage() : QString();
	desc[QLatin1String("purpose")] = description ? description->getPurpose() : QString();
	setValue(QLatin1String("description"), QJsonValue(desc));

	const auto terminal = context ? context->getTerminalCvc() : QSharedPointer<const cvcertificate_st>();
	QJsonObject validity;
	validity[QLatin1String("effectiveDate")] = terminal ? terminal->getBody().getEffectiveDate().toString(Qt::ISODate) : QString();
	validity[QLatin1String("expirationDate")] = terminal ? terminal->getBody().getExpirationDate().toString(Qt::ISODate) : QString();
	setValue(QLatin1String("validity"), QJsonValue(validity));
}
