#include "paos/received/DidAuthenticateEac2Parser.h"

#include "LogCategories.h"

using namespace tessarovin;


DidAuthenticateEac2Parser::DidAuthenticateEac2Parser(const QSharedPointer<ElementParser>& pParser)
	: mParser(pParser)
{
}


std::unique_ptr<DIDAuthenticateEAC2> DidAuthenticateEac2Parser::parse()
{
	auto message = std::make_unique<DIDAuthenticateEAC2>();
	message->setEac2InputType(parseEac2InputType());
	if (mParser->parserFailed())
	{
		return nullptr;
	}
	return message;
}


Eac2InputType DidAuthenticateEac2Parser::parseEac2InputType()
{
	Eac2InputType eac2;
	QString ephemeralPublicKey;
	QString signature;

	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		if (name == QLatin1String("Certificate"))
		{
			if (const auto certificate = parseCertificate(mParser->readElementText()))
			{
				eac2.appendCvcert(certificate);
			}
		}
		else if (name == QLatin1String("EphemeralPublicKey"))
		{
			if (mParser->readUniqueElementText(ephemeralPublicKey))
			{
				eac2.setEphemeralPublicKey(ephemeralPublicKey);
			}
		}
		else if (name == QLatin1String("Signature"))
		{
			if (mParser->readUniqueElementText(signature))
			{
				eac2.setSignature(signature);
			}
		}
		else
		{
			qCWarning(paos) << "Unknown element:" << name;
			mParser->skipCurrentElement();
		}
	}

	mParser->assertMandatoryElement(ephemeralPublicKey, "EphemeralPublicKey");
	return eac2;
}


QSharedPointer<const cvcertificate_st> DidAuthenticateEac2Parser::parseCertificate(const QString& pText)
{
	QSharedPointer<const cvcertificate_st> certificate = cvcertificate_st::decode(QByteArray::fromHex(pText.toLatin1()));
	if (!certificate)
	{
		qCCritical(paos) << "Cannot parse Certificate";
		mParser->setParserFailed();
	}
	return certificate;
}
