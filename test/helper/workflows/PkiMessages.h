#pragma once

#include "asn1/CertificateDescription.h"
#include "asn1/CVCertificate.h"
#include "paos/received/DIDAuthenticateEAC1.h"
#include "TestPki.h"

#include <QList>
#include <QSharedPointer>
#include <QStringList>

namespace tessarovin
{

// The EAC1 requests of a provider of the test PKI (test/helper/pki); a test that includes this
// links PkiTestHelper.

// Certificates of the PKI by file name ("terminal.cvcert"), in the given order.
inline QList<QSharedPointer<const cvcertificate_st>> pkiCertificates(const TestPki& pPki, const QStringList& pNames)
{
	QList<QSharedPointer<const cvcertificate_st>> certificates;
	for (const auto& name : pNames)
	{
		const auto certificate = cvcertificate_st::decode(pPki.read(name));
		if (!certificate)
		{
			qFatal("The test PKI has no certificate %s", qPrintable(name));
		}
		certificates += certificate;
	}
	return certificates;
}


// The certificates in the given order and the description's bytes; no description for an empty name.
inline QSharedPointer<DIDAuthenticateEAC1> pkiEac1(const TestPki& pPki, const QStringList& pCertificates, const QString& pDescription)
{
	Eac1InputType input;
	for (const auto& certificate : pkiCertificates(pPki, pCertificates))
	{
		input.appendCvcert(certificate);
	}
	if (!pDescription.isEmpty())
	{
		const QByteArray bytes = pPki.read(pDescription);
		input.setCertificateDescription(bytes, CertificateDescription::decode(bytes));
	}
	input.setAcceptedEidTypes({AcceptedEidType::CARD_CERTIFIED});

	auto message = QSharedPointer<DIDAuthenticateEAC1>::create();
	message->setEac1InputType(input);
	return message;
}


} // namespace tessarovin
