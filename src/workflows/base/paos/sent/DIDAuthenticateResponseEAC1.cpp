#include "paos/sent/DIDAuthenticateResponseEAC1.h"

using namespace tessarovin;

namespace
{

const QLatin1String cEacProtocol("urn:oid:1.3.162.15480.3.0.14.2");

} // namespace


DIDAuthenticateResponseEAC1::DIDAuthenticateResponseEAC1()
	: PaosCreator()
	, ResponseType(PaosType::DID_AUTHENTICATE_RESPONSE_EAC1)
	, mCertificateHolderAuthorizationTemplate()
	, mCertificationAuthorityReferences()
	, mEfCardAccess()
	, mIdPicc()
	, mChallenge()
{
}


DIDAuthenticateResponseEAC1::~DIDAuthenticateResponseEAC1() = default;


void DIDAuthenticateResponseEAC1::setCertificateHolderAuthorizationTemplate(const QByteArray& pChat)
{
	mCertificateHolderAuthorizationTemplate = pChat;
}


void DIDAuthenticateResponseEAC1::setCertificationAuthorityReference(const EstablishPaceChannelOutput& pPaceOutput)
{
	mCertificationAuthorityReferences += pPaceOutput.getCarCurr();
	if (!pPaceOutput.getCarPrev().isEmpty())
	{
		mCertificationAuthorityReferences += pPaceOutput.getCarPrev();
	}
}


void DIDAuthenticateResponseEAC1::setEfCardAccess(const QByteArray& pEfCardAccess)
{
	mEfCardAccess = pEfCardAccess;
}


void DIDAuthenticateResponseEAC1::setIdPicc(const QByteArray& pIdPicc)
{
	mIdPicc = pIdPicc;
}


const QByteArray& DIDAuthenticateResponseEAC1::getChallenge() const
{
	return mChallenge;
}


void DIDAuthenticateResponseEAC1::setChallenge(const QByteArray& pChallenge)
{
	mChallenge = pChallenge;
}


void DIDAuthenticateResponseEAC1::createBodyElement(QXmlStreamWriter& pWriter)
{
	pWriter.writeStartElement(QStringLiteral("DIDAuthenticateResponse"));
	pWriter.writeAttribute(getNamespacePrefix(Namespace::DEFAULT), getNamespace(Namespace::TECHSCHEMA));
	pWriter.writeAttribute(QStringLiteral("Profile"), getNamespace(Namespace::ECARD));

	writeResult(pWriter, getResult());

	pWriter.writeStartElement(QStringLiteral("AuthenticationProtocolData"));
	pWriter.writeAttribute(getNamespacePrefix(Namespace::XSI, QStringLiteral("type")), getNamespaceType(Namespace::TECHSCHEMA, QStringLiteral("EAC1OutputType")));
	pWriter.writeAttribute(QStringLiteral("Protocol"), cEacProtocol);

	if (!mCertificateHolderAuthorizationTemplate.isNull())
	{
		writeTextElement(pWriter, QStringLiteral("CertificateHolderAuthorizationTemplate"), mCertificateHolderAuthorizationTemplate);
	}
	for (const auto& car : std::as_const(mCertificationAuthorityReferences))
	{
		writeTextElement(pWriter, QStringLiteral("CertificationAuthorityReference"), car);
	}
	writeTextElement(pWriter, QStringLiteral("EFCardAccess"), mEfCardAccess);
	writeTextElement(pWriter, QStringLiteral("IDPICC"), mIdPicc);
	writeTextElement(pWriter, QStringLiteral("Challenge"), mChallenge);

	pWriter.writeEndElement(); // AuthenticationProtocolData
	pWriter.writeEndElement();
}
