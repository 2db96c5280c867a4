#include "pinpad/EstablishPaceChannel.h"

#include "apdu/CommandApdu.h"
#include "asn1/ASN1TemplateUtil.h"
#include "asn1/ASN1Util.h"
#include "asn1/CertificateDescription.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"

#include <openssl/asn1t.h>

using namespace tessarovin;

namespace tessarovin
{

/*
 * EstablishPACEChannelInput ::= SEQUENCE {
 *    passwordID             [1] EXPLICIT INTEGER,
 *    transmittedPassword    [2] EXPLICIT NumericString OPTIONAL,
 *    cHAT                   [3] EXPLICIT OCTET STRING OPTIONAL,
 *    certificateDescription [4] EXPLICIT CertificateDescription OPTIONAL,
 *    hashOID                [5] EXPLICIT OBJECT IDENTIFIER OPTIONAL
 * }
 */
struct establishpacechannelinput_st
{
	ASN1_INTEGER* mPasswordID;
	ASN1_OCTET_STRING* mTransmittedPassword;
	ASN1_OCTET_STRING* mCHAT;
	CertificateDescription* mCertificateDescription;
	ASN1_OBJECT* mHashOID;
};

DECLARE_ASN1_OBJECT(establishpacechannelinput_st)

// The password travels as digits; the octets are kept as they are. Optional inside as well: OpenSSL
// otherwise refuses to encode the absent outer field.
ASN1_ITEM_TEMPLATE(NUMERICSTRING) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_UNIVERSAL | ASN1_TFLG_OPTIONAL, V_ASN1_NUMERICSTRING, NUMERICSTRING, ASN1_OCTET_STRING)
static_ASN1_ITEM_TEMPLATE_END(NUMERICSTRING)

ASN1_SEQUENCE(establishpacechannelinput_st) = {
	ASN1_EXP(establishpacechannelinput_st, mPasswordID, ASN1_INTEGER, 1),
	ASN1_EXP_OPT(establishpacechannelinput_st, mTransmittedPassword, NUMERICSTRING, 2),
	ASN1_EXP_OPT(establishpacechannelinput_st, mCHAT, ASN1_OCTET_STRING, 3),
	ASN1_EXP_OPT(establishpacechannelinput_st, mCertificateDescription, CertificateDescription, 4),
	ASN1_EXP_OPT(establishpacechannelinput_st, mHashOID, ASN1_OBJECT, 5)
} ASN1_SEQUENCE_END(establishpacechannelinput_st)

IMPLEMENT_ASN1_OBJECT(establishpacechannelinput_st)

} // namespace tessarovin


namespace
{

const QByteArray cCcidHeader = QByteArray::fromHex("FF9A0402");


// A length field that does not fit reads as empty and leaves the position; a length that runs past
// the end takes what is there but moves the position by the whole length, so that the caller
// sees the size mismatch.
QByteArray readField(const QByteArray& pData, qsizetype& pPosition, int pLengthSize)
{
	if (pPosition + pLengthSize > pData.size())
	{
		return QByteArray();
	}

	qsizetype length = static_cast<uchar>(pData.at(pPosition));
	if (pLengthSize == 2)
	{
		length |= static_cast<qsizetype>(static_cast<uchar>(pData.at(pPosition + 1))) << 8;
	}
	pPosition += pLengthSize;

	const QByteArray value = pData.mid(pPosition, length);
	pPosition += length;
	return value;
}


bool isPasswordId(qint64 pValue)
{
	return pValue >= 0 && pValue <= 0xFF && Enum<PacePasswordId>::isValue(static_cast<uchar>(pValue));
}


// Only the card's own passwords come with the data shown to the user.
bool carriesDescription(PacePasswordId pPasswordId)
{
	return pPasswordId == PacePasswordId::PACE_CAN || pPasswordId == PacePasswordId::PACE_PIN;
}


} // namespace


EstablishPaceChannel::EstablishPaceChannel(PacePasswordId pPasswordId, const QByteArray& pChat, const QByteArray& pCertificateDescription)
	: mPasswordId(pPasswordId)
	, mChat(pChat)
	, mCertificateDescription(pCertificateDescription)
	, mTransmittedPassword()
{
}


EstablishPaceChannel::~EstablishPaceChannel()
{
	wipe(mTransmittedPassword);
}


void EstablishPaceChannel::reset()
{
	mPasswordId = PacePasswordId::UNKNOWN;
	mChat.clear();
	mCertificateDescription.clear();
}


bool EstablishPaceChannel::isCcid(const QByteArray& pBytes)
{
	return pBytes.startsWith(cCcidHeader);
}


PacePasswordId EstablishPaceChannel::getPasswordId() const
{
	return mPasswordId;
}


const QByteArray& EstablishPaceChannel::getChat() const
{
	return mChat;
}


const QByteArray& EstablishPaceChannel::getCertificateDescription() const
{
	return mCertificateDescription;
}


const QByteArray& EstablishPaceChannel::getTransmittedPassword() const
{
	return mTransmittedPassword;
}


void EstablishPaceChannel::setTransmittedPassword(const QByteArray& pTransmittedPassword)
{
	wipe(mTransmittedPassword);
	mTransmittedPassword = pTransmittedPassword;
}


QByteArray EstablishPaceChannel::createInputData() const
{
	QByteArray inputData;
	inputData += static_cast<char>(mPasswordId);

	if (mChat.size() > 0xFF)
	{
		qCCritical(card) << "Certificate Holder Authorization Template of size > 0xFF not supported";
		return QByteArray();
	}
	inputData += static_cast<char>(mChat.size());
	inputData += mChat;

	// A longer password would leave a length byte that does not match the bytes behind it.
	if (mTransmittedPassword.size() > 0xFF)
	{
		qCCritical(card) << "Transmitted password of size > 0xFF not supported";
		return QByteArray();
	}
	inputData += static_cast<char>(mTransmittedPassword.size());
	inputData += mTransmittedPassword;

	if (mCertificateDescription.size() > 0xFFFF)
	{
		qCCritical(card) << "Certificate Description of size > 0xFFFF not supported";
		return QByteArray();
	}
	inputData += static_cast<char>(mCertificateDescription.size() & 0xFF);
	inputData += static_cast<char>((mCertificateDescription.size() >> 8) & 0xFF);
	inputData += mCertificateDescription;

	return inputData;
}


QByteArray EstablishPaceChannel::createASN1Struct() const
{
	const QByteArray inputData = createInputData();
	if (inputData.size() > 0xFFFF)
	{
		qCCritical(card) << "InputData of size > 0xFFFF not supported";
		return QByteArray();
	}

	// Function index 2 of the pin-pad's PACE feature.
	QByteArray command;
	command += '\x02';
	command += static_cast<char>(inputData.size() & 0xFF);
	command += static_cast<char>((inputData.size() >> 8) & 0xFF);
	command += inputData;
	return command;
}


QByteArray EstablishPaceChannel::createCommandDataCcid() const
{
	const auto channelInput = QSharedPointer<establishpacechannelinput_st>(establishpacechannelinput_st_new(), &establishpacechannelinput_st_free);
	if (channelInput.isNull())
	{
		qCCritical(card) << "Cannot create EstablishPaceChannelInput:" << getOpenSslErrors();
		return QByteArray();
	}

	ASN1_INTEGER_set(channelInput->mPasswordID, static_cast<long>(mPasswordId));

	if (!mTransmittedPassword.isNull())
	{
		channelInput->mTransmittedPassword = ASN1_OCTET_STRING_new();
		Asn1OctetStringUtil::setValue(mTransmittedPassword, channelInput->mTransmittedPassword);
	}

	if (!mChat.isNull())
	{
		channelInput->mCHAT = ASN1_OCTET_STRING_new();
		Asn1OctetStringUtil::setValue(mChat, channelInput->mCHAT);
	}

	if (!mCertificateDescription.isEmpty())
	{
		// Ownership of the decoded description moves into the request.
		const auto* data = reinterpret_cast<const unsigned char*>(mCertificateDescription.constData());
		channelInput->mCertificateDescription = d2i_CertificateDescription(nullptr, &data, static_cast<long>(mCertificateDescription.size()));
		if (channelInput->mCertificateDescription == nullptr)
		{
			qCWarning(card) << "Cannot decode the certificate description, sending none:" << getOpenSslErrors();
		}
	}

	const QByteArray encoded = encodeObject(channelInput.data());

	// The password's copy inside the structure is wiped before OpenSSL frees it.
	if (channelInput->mTransmittedPassword != nullptr)
	{
		ASN1_STRING_clear_free(channelInput->mTransmittedPassword);
		channelInput->mTransmittedPassword = nullptr;
	}

	// An APDU without its data would be a request of another kind.
	if (encoded.isEmpty())
	{
		return QByteArray();
	}
	return CommandApdu(cCcidHeader, encoded, CommandApdu::SHORT_MAX_LE);
}


bool EstablishPaceChannel::fromInputData(const QByteArray& pInputData)
{
	reset();

	if (pInputData.size() < 5)
	{
		qCDebug(card) << "Decapsulation of command failed. Wrong size.";
		return false;
	}

	const auto passwordId = static_cast<uchar>(pInputData.at(0));
	if (!isPasswordId(passwordId))
	{
		qCDebug(card) << "Decapsulation: Bad PIN ID!";
		return false;
	}
	mPasswordId = static_cast<PacePasswordId>(passwordId);

	qsizetype position = 1;
	mChat = readField(pInputData, position, 1);
	// The reader asks for the password itself; one sent along is not taken over.
	QByteArray password = readField(pInputData, position, 1);
	wipe(password);
	mCertificateDescription = readField(pInputData, position, 2);

	if (carriesDescription(mPasswordId))
	{
		if (mChat.isEmpty())
		{
			qCDebug(card) << "Decapsulation: No CHAT";
		}
		if (mCertificateDescription.isEmpty())
		{
			qCDebug(card) << "Decapsulation: No certificate description";
		}
	}

	if (position != pInputData.size())
	{
		qCDebug(card) << "Decapsulation of command failed. Wrong size.";
		return false;
	}

	return true;
}


bool EstablishPaceChannel::fromCcid(const QByteArray& pCommand)
{
	reset();

	const CommandApdu command(pCommand);
	if (command.getHeaderBytes() != cCcidHeader)
	{
		qCDebug(card) << "Decapsulation of command failed. Unexpected header.";
		return false;
	}

	const auto channelInput = decodeObject<establishpacechannelinput_st>(command.getData());
	if (channelInput.isNull())
	{
		qCDebug(card) << "Decapsulation of command failed. Bad command data.";
		return false;
	}

	// An id that only matches in its low byte is no password id at all.
	int64_t passwordId = -1;
	if (channelInput->mPasswordID == nullptr
			|| ASN1_INTEGER_get_int64(&passwordId, channelInput->mPasswordID) != 1
			|| !isPasswordId(passwordId))
	{
		qCDebug(card) << "Decapsulation: Bad PIN ID!";
		return false;
	}
	mPasswordId = static_cast<PacePasswordId>(passwordId);

	if (carriesDescription(mPasswordId))
	{
		if (channelInput->mCertificateDescription != nullptr)
		{
			mCertificateDescription = channelInput->mCertificateDescription->encode();
		}
		else
		{
			qCDebug(card) << "Decapsulation: No certificate description";
		}

		if (channelInput->mCHAT != nullptr)
		{
			mChat = Asn1OctetStringUtil::getValue(channelInput->mCHAT);
		}
		else
		{
			qCDebug(card) << "Decapsulation: No CHAT";
		}
	}

	// The transmitted password inside the decoded request is wiped before OpenSSL frees it.
	if (channelInput->mTransmittedPassword != nullptr)
	{
		ASN1_STRING_clear_free(channelInput->mTransmittedPassword);
		channelInput->mTransmittedPassword = nullptr;
	}

	return true;
}
