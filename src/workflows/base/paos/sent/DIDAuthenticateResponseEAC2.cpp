#include "paos/sent/DIDAuthenticateResponseEAC2.h"

using namespace tessarovin;

namespace
{

const QLatin1String cEacProtocol("urn:oid:1.3.162.15480.3.0.14.2");

} // namespace


DIDAuthenticateResponseEAC2::DIDAuthenticateResponseEAC2()
	: PaosCreator()
	, ResponseType(PaosType::DID_AUTHENTICATE_RESPONSE_EAC2)
	, mEfCardSecurity()
	, mAuthenticationToken()
	, mNonce()
	, mChallenge()
{
}


DIDAuthenticateResponseEAC2::~DIDAuthenticateResponseEAC2() = default;


void DIDAuthenticateResponseEAC2::setEfCardSecurity(const QByteArray& pEfCardSecurity)
{
	mEfCardSecurity = pEfCardSecurity;
}


void DIDAuthenticateResponseEAC2::setAuthenticationToken(const QByteArray& pAuthenticationToken)
{
	mAuthenticationToken = pAuthenticationToken;
}


void DIDAuthenticateResponseEAC2::setNonce(const QByteArray& pNonce)
{
	mNonce = pNonce;
}


const QByteArray& DIDAuthenticateResponseEAC2::getChallenge() const
{
	return mChallenge;
}


void DIDAuthenticateResponseEAC2::setChallenge(const QByteArray& pChallenge)
{
	mChallenge = pChallenge;
}


void DIDAuthenticateResponseEAC2::createBodyElement(QXmlStreamWriter& pWriter)
{
	pWriter.writeStartElement(QStringLiteral("DIDAuthenticateResponse"));
	pWriter.writeAttribute(getNamespacePrefix(Namespace::DEFAULT), getNamespace(Namespace::TECHSCHEMA));
	pWriter.writeAttribute(QStringLiteral("Profile"), getNamespace(Namespace::ECARD));

	writeResult(pWriter, getResult());

	pWriter.writeStartElement(QStringLiteral("AuthenticationProtocolData"));
	pWriter.writeAttribute(getNamespacePrefix(Namespace::XSI, QStringLiteral("type")), getNamespaceType(Namespace::TECHSCHEMA, QStringLiteral("EAC2OutputType")));
	pWriter.writeAttribute(QStringLiteral("Protocol"), cEacProtocol);

	const std::initializer_list<std::pair<QString, const QByteArray*>> children = {
		{QStringLiteral("EFCardSecurity"), &mEfCardSecurity},
		{QStringLiteral("AuthenticationToken"), &mAuthenticationToken},
		{QStringLiteral("Nonce"), &mNonce},
		{QStringLiteral("Challenge"), &mChallenge}
	};
	for (const auto& [name, value] : children)
	{
		if (!value->isNull())
		{
			writeTextElement(pWriter, name, *value);
		}
	}

	pWriter.writeEndElement(); // AuthenticationProtocolData
	pWriter.writeEndElement();
}
