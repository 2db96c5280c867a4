#pragma once

#include "asn1/AuthenticatedAuxiliaryData.h"
#include "asn1/CVCertificate.h"
#include "asn1/CertificateDescription.h"
#include "context/AuthContext.h"

#include <QByteArrayList>
#include <QSharedPointer>

namespace tessarovin
{

// An authentication context as the states before terminal authentication leave it: the EAC1
// request with the certificates (DER) and auxiliary data, the chain builder over them and the
// roots of the security configuration the test compiles in, the rights of the request's terminal
// (it requires all its certificate grants), the certificate description when one is given, and
// empty EAC1 and EAC2 responses.
class EacContextFixture
{
	public:
		static QSharedPointer<AuthContext> create(const QByteArrayList& pCertificates, const QByteArray& pAuxiliaryData = QByteArray(),
				const QByteArray& pDescription = QByteArray())
		{
			Eac1InputType input;
			QSharedPointer<const cvcertificate_st> terminal;
			QSharedPointer<const cvcertificate_st> dv;
			for (const auto& der : pCertificates)
			{
				const auto certificate = cvcertificate_st::decode(der);
				if (!certificate)
				{
					qWarning() << "Not a CV certificate:" << der.toHex();
					return QSharedPointer<AuthContext>();
				}
				input.appendCvcert(certificate);
				const AccessRole role = certificate->getBody().getCHAT().getAccessRole();
				if (role == AccessRole::AT)
				{
					terminal = certificate;
				}
				else if (role == AccessRole::DV_od || role == AccessRole::DV_no_f)
				{
					dv = certificate;
				}
			}
			if (terminal)
			{
				input.setRequiredChat(terminal->getBody().getCHAT().copy());
			}
			if (!pAuxiliaryData.isEmpty())
			{
				input.setAuthenticatedAuxiliaryData(pAuxiliaryData, AuthenticatedAuxiliaryData::decode(pAuxiliaryData));
			}

			if (!pDescription.isEmpty())
			{
				input.setCertificateDescription(pDescription, CertificateDescription::decode(pDescription));
			}

			auto eac1 = QSharedPointer<DIDAuthenticateEAC1>::create();
			eac1->setEac1InputType(input);

			auto context = QSharedPointer<AuthContext>::create();
			context->setDidAuthenticateEac1(eac1);
			context->initCvcChainBuilder();
			if (terminal && dv)
			{
				context->setDvCvc(dv);
				context->initAccessRightManager(terminal);
			}
			context->setDidAuthenticateResponseEac1(QSharedPointer<DIDAuthenticateResponseEAC1>::create());
			context->setDidAuthenticateResponseEac2(QSharedPointer<DIDAuthenticateResponseEAC2>::create());
			return context;
		}
};

} // namespace tessarovin
