#include "paos/received/DidAuthenticateEac1Parser.h"

#include "LogCategories.h"

using namespace tessarovin;


namespace
{

QSharedPointer<const chat_st> parseChat(const QString& pText)
{
	const auto chat = chat_st::fromHex(pText);
	if (chat)
	{
		qCDebug(paos) << "Access rights:" << chat->getAccessRights();
	}
	return chat;
}


} // namespace


DidAuthenticateEac1Parser::DidAuthenticateEac1Parser(const QSharedPointer<ElementParser>& pParser)
	: mParser(pParser)
{
}


std::unique_ptr<DIDAuthenticateEAC1> DidAuthenticateEac1Parser::parse()
{
	auto message = std::make_unique<DIDAuthenticateEAC1>();
	message->setEac1InputType(parseEac1InputType());
	if (mParser->parserFailed())
	{
		return nullptr;
	}
	return message;
}


Eac1InputType DidAuthenticateEac1Parser::parseEac1InputType()
{
	Eac1InputType eac1;
	QList<QSharedPointer<const cvcertificate_st>> certificates;
	QList<AcceptedEidType> acceptedEidTypes;
	QString certificateDescription;
	QString requiredChat;
	QString optionalChat;
	QString auxiliaryData;
	QString transactionInfo;

	while (mParser->readNextStartElement())
	{
		const auto name = mParser->getElementName();
		if (name == QLatin1String("CertificateDescription"))
		{
			if (mParser->readUniqueElementText(certificateDescription))
			{
				eac1.setCertificateDescription(QByteArray::fromHex(certificateDescription.toLatin1()),
						parseCertificateDescription(certificateDescription));
			}
		}
		else if (name == QLatin1String("RequiredCHAT"))
		{
			if (mParser->readUniqueElementText(requiredChat))
			{
				eac1.setRequiredChat(parseRequiredCHAT(requiredChat));
			}
		}
		else if (name == QLatin1String("OptionalCHAT"))
		{
			if (mParser->readUniqueElementText(optionalChat))
			{
				eac1.setOptionalChat(parseOptionalCHAT(optionalChat));
			}
		}
		else if (name == QLatin1String("AuthenticatedAuxiliaryData"))
		{
			if (mParser->readUniqueElementText(auxiliaryData))
			{
				eac1.setAuthenticatedAuxiliaryData(QByteArray::fromHex(auxiliaryData.toUtf8()),
						parseAuthenticatedAuxiliaryData(auxiliaryData));
			}
		}
		else if (name == QLatin1String("TransactionInfo"))
		{
			if (mParser->readUniqueElementText(transactionInfo))
			{
				eac1.setTransactionInfo(transactionInfo);
			}
		}
		else if (name == QLatin1String("Certificate"))
		{
			if (const auto certificate = parseCertificate(mParser->readElementText()))
			{
				certificates += certificate;
			}
		}
		else if (name == QLatin1String("AcceptedEIDType"))
		{
			if (const auto type = parseAcceptedEidType(mParser->readElementText()))
			{
				acceptedEidTypes += *type;
			}
		}
		else
		{
			qCWarning(paos) << "Unknown element:" << name;
			mParser->skipCurrentElement();
		}
	}

	mParser->assertMandatoryList(certificates, "Certificate");
	for (const auto& certificate : std::as_const(certificates))
	{
		eac1.appendCvcert(certificate);
	}

	if (acceptedEidTypes.isEmpty())
	{
		acceptedEidTypes = {AcceptedEidType::CARD_CERTIFIED, AcceptedEidType::SE_CERTIFIED, AcceptedEidType::SE_ENDORSED};
	}
	eac1.setAcceptedEidTypes(acceptedEidTypes);
	return eac1;
}


QSharedPointer<const CertificateDescription> DidAuthenticateEac1Parser::parseCertificateDescription(const QString& pText)
{
	auto description = CertificateDescription::fromHex(pText);
	if (!description)
	{
		qCCritical(paos) << "Cannot parse CertificateDescription";
		mParser->setParserFailed();
	}
	return description;
}


QSharedPointer<const chat_st> DidAuthenticateEac1Parser::parseRequiredCHAT(const QString& pText)
{
	auto chat = parseChat(pText);
	if (!chat)
	{
		qCCritical(paos) << "Cannot parse required CHAT";
		mParser->setParserFailed();
	}
	return chat;
}


QSharedPointer<const chat_st> DidAuthenticateEac1Parser::parseOptionalCHAT(const QString& pText)
{
	auto chat = parseChat(pText);
	if (!chat)
	{
		qCCritical(paos) << "Cannot parse optional CHAT";
		mParser->setParserFailed();
	}
	return chat;
}


QSharedPointer<const AuthenticatedAuxiliaryData> DidAuthenticateEac1Parser::parseAuthenticatedAuxiliaryData(const QString& pText)
{
	QSharedPointer<const AuthenticatedAuxiliaryData> data = AuthenticatedAuxiliaryData::fromHex(pText.toUtf8());
	if (!data)
	{
		qCCritical(paos) << "Cannot parse AuthenticatedAuxiliaryData";
		mParser->setParserFailed();
	}
	return data;
}


QSharedPointer<const cvcertificate_st> DidAuthenticateEac1Parser::parseCertificate(const QString& pText)
{
	// A text that cannot be read (null) decodes to nothing and fails like any undecodable one.
	QSharedPointer<const cvcertificate_st> certificate = cvcertificate_st::decode(QByteArray::fromHex(pText.toLatin1()));
	if (!certificate)
	{
		qCCritical(paos) << "Cannot parse Certificate";
		mParser->setParserFailed();
	}
	return certificate;
}


std::optional<AcceptedEidType> DidAuthenticateEac1Parser::parseAcceptedEidType(const QString& pText)
{
	qCDebug(paos) << "AcceptedEIDType:" << pText;
	if (pText == QLatin1String("CardCertified"))
	{
		return AcceptedEidType::CARD_CERTIFIED;
	}
	if (pText == QLatin1String("SECertified"))
	{
		return AcceptedEidType::SE_CERTIFIED;
	}
	if (pText == QLatin1String("SEEndorsed"))
	{
		return AcceptedEidType::SE_ENDORSED;
	}
	if (pText == QLatin1String("HWKeyStore"))
	{
		return AcceptedEidType::HW_KEYSTORE;
	}

	qCCritical(paos) << "Cannot parse AcceptedEidType";
	mParser->setParserFailed();
	return std::nullopt;
}
