#include "pinpad/EstablishPaceChannelOutput.h"

#include "apdu/ResponseApdu.h"
#include "asn1/ASN1TemplateUtil.h"
#include "asn1/ASN1Util.h"
#include "asn1/SecurityInfos.h"
#include "LogCategories.h"

#include <QtEndian>

using namespace tessarovin;

namespace tessarovin
{

/*
 * EstablishPACEChannelOutput ::= SEQUENCE {
 *    errorCode        [1] EXPLICIT OCTET STRING,
 *    statusMSESetAT   [2] EXPLICIT OCTET STRING,
 *    efCardAccess     [3] EXPLICIT SecurityInfos,
 *    idPICC           [4] EXPLICIT OCTET STRING OPTIONAL,
 *    curCAR           [5] EXPLICIT OCTET STRING OPTIONAL,
 *    prevCAR          [6] EXPLICIT OCTET STRING OPTIONAL
 * }
 */
struct establishpacechanneloutput_st
{
	ASN1_OCTET_STRING* mErrorCode;
	ASN1_OCTET_STRING* mStatusMSESetAt;
	securityinfos_st* mEfCardAccess;
	ASN1_OCTET_STRING* mIdPICC;
	ASN1_OCTET_STRING* mCurCAR;
	ASN1_OCTET_STRING* mPrevCAR;
};

DECLARE_ASN1_OBJECT(establishpacechanneloutput_st)

ASN1_SEQUENCE(establishpacechanneloutput_st) = {
	ASN1_EXP(establishpacechanneloutput_st, mErrorCode, ASN1_OCTET_STRING, 1),
	ASN1_EXP(establishpacechanneloutput_st, mStatusMSESetAt, ASN1_OCTET_STRING, 2),
	ASN1_EXP(establishpacechanneloutput_st, mEfCardAccess, securityinfos_st, 3),
	ASN1_EXP_OPT(establishpacechanneloutput_st, mIdPICC, ASN1_OCTET_STRING, 4),
	ASN1_EXP_OPT(establishpacechanneloutput_st, mCurCAR, ASN1_OCTET_STRING, 5),
	ASN1_EXP_OPT(establishpacechanneloutput_st, mPrevCAR, ASN1_OCTET_STRING, 6)
} ASN1_SEQUENCE_END(establishpacechanneloutput_st)

IMPLEMENT_ASN1_OBJECT(establishpacechanneloutput_st)

} // namespace tessarovin


namespace
{

const QByteArray cDefaultStatusMseSetAt = QByteArray::fromHex("0000");
const QByteArray cEmptyEfCardAccess = QByteArray::fromHex("3100");
const QByteArray cStatusSuccess = QByteArray::fromHex("9000");


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


void writeField(QByteArray& pTarget, const QByteArray& pValue, int pLengthSize)
{
	const qsizetype maxLength = pLengthSize == 1 ? 0xFF : 0xFFFF;
	const QByteArray value = pValue.left(maxLength);
	pTarget += static_cast<char>(value.size() & 0xFF);
	if (pLengthSize == 2)
	{
		pTarget += static_cast<char>((value.size() >> 8) & 0xFF);
	}
	pTarget += value;
}


void setOptionalOctetString(ASN1_OCTET_STRING*& pField, const QByteArray& pValue)
{
	if (pValue.isEmpty())
	{
		return;
	}
	pField = ASN1_OCTET_STRING_new();
	Asn1OctetStringUtil::setValue(pValue, pField);
}


} // namespace


CardReturnCode EstablishPaceChannelOutput::parseReturnCode(quint32 pResultCode)
{
	// The reader passes the card's 63xx on (a wrong password): the attempt itself worked.
	if ((pResultCode & 0xFFFFFF00) == 0xF0066300)
	{
		return CardReturnCode::OK;
	}

	switch (pResultCode)
	{
		case 0x00000000:
			return CardReturnCode::OK;

		case 0xD0000001:
		case 0xD0000002:
		case 0xD0000003:
		case 0xE0000001:
		case 0xE0000002:
		case 0xE0000003:
		case 0xE0000006:
		case 0xF0100001:
		case 0xF0200003:
			return CardReturnCode::COMMAND_FAILED;

		case 0xF0100002:
			return CardReturnCode::CARD_NOT_FOUND;

		case 0xF0200001:
			return CardReturnCode::CANCELLATION_BY_USER;

		case 0xF0200002:
			return CardReturnCode::INPUT_TIME_OUT;

		default:
			return CardReturnCode::UNKNOWN;
	}
}


quint32 EstablishPaceChannelOutput::toResultCode(CardReturnCode pCode)
{
	switch (pCode)
	{
		case CardReturnCode::OK:
			return 0x00000000;

		case CardReturnCode::RESPONSE_EMPTY:
		case CardReturnCode::CARD_NOT_FOUND:
			return 0xF0100002;

		case CardReturnCode::INPUT_TIME_OUT:
			return 0xF0200002;

		case CardReturnCode::COMMAND_FAILED:
			return 0xF0100001;

		case CardReturnCode::CANCELLATION_BY_USER:
			return 0xF0200001;

		case CardReturnCode::UNDEFINED:
		case CardReturnCode::UNKNOWN:
		case CardReturnCode::PIN_NOT_BLOCKED:
		case CardReturnCode::PROTOCOL_ERROR:
		case CardReturnCode::WRONG_LENGTH:
		case CardReturnCode::UNEXPECTED_TRANSMIT_STATUS:
			return 0xD0000002;
	}

	return 0xD0000002;
}


EstablishPaceChannelOutput::EstablishPaceChannelOutput(PacePasswordId pPasswordId, CardReturnCode pPaceReturnCode)
	: mPasswordId(pPasswordId)
	, mPaceReturnCode(pPaceReturnCode)
	, mResultCode(toResultCode(pPaceReturnCode))
	, mStatusMseSetAt(cDefaultStatusMseSetAt)
	, mEfCardAccess(cEmptyEfCardAccess)
	, mIdIcc()
	, mCarCurr()
	, mCarPrev()
{
}


void EstablishPaceChannelOutput::resetOutputData()
{
	mStatusMseSetAt = cDefaultStatusMseSetAt;
	mEfCardAccess = cEmptyEfCardAccess;
	mIdIcc.clear();
	mCarCurr.clear();
	mCarPrev.clear();
}


PacePasswordId EstablishPaceChannelOutput::getPasswordId() const
{
	return mPasswordId;
}


CardReturnCode EstablishPaceChannelOutput::getPaceReturnCode() const
{
	return mPaceReturnCode;
}


void EstablishPaceChannelOutput::setPaceReturnCode(CardReturnCode pPaceReturnCode)
{
	mPaceReturnCode = pPaceReturnCode;
	mResultCode = toResultCode(pPaceReturnCode);
}


quint32 EstablishPaceChannelOutput::getResultCode() const
{
	return mResultCode;
}


void EstablishPaceChannelOutput::setResultCode(quint32 pResultCode)
{
	mResultCode = pResultCode;
}


const QByteArray& EstablishPaceChannelOutput::getStatusMseSetAt() const
{
	return mStatusMseSetAt;
}


StatusCode EstablishPaceChannelOutput::getStatusCodeMseSetAt() const
{
	return ResponseApdu(mStatusMseSetAt).getStatusCode();
}


void EstablishPaceChannelOutput::setStatusMseSetAt(const QByteArray& pStatusMseSetAt)
{
	mStatusMseSetAt = pStatusMseSetAt.isEmpty() ? cDefaultStatusMseSetAt : pStatusMseSetAt;
}


const QByteArray& EstablishPaceChannelOutput::getEfCardAccess() const
{
	return mEfCardAccess;
}


void EstablishPaceChannelOutput::setEfCardAccess(const QByteArray& pEfCardAccess)
{
	mEfCardAccess = pEfCardAccess.isEmpty() ? cEmptyEfCardAccess : pEfCardAccess;
}


const QByteArray& EstablishPaceChannelOutput::getIdIcc() const
{
	return mIdIcc;
}


void EstablishPaceChannelOutput::setIdIcc(const QByteArray& pIdIcc)
{
	mIdIcc = pIdIcc;
}


const QByteArray& EstablishPaceChannelOutput::getCarCurr() const
{
	return mCarCurr;
}


void EstablishPaceChannelOutput::setCarCurr(const QByteArray& pCarCurr)
{
	mCarCurr = pCarCurr;
}


const QByteArray& EstablishPaceChannelOutput::getCarPrev() const
{
	return mCarPrev;
}


void EstablishPaceChannelOutput::setCarPrev(const QByteArray& pCarPrev)
{
	mCarPrev = pCarPrev;
}


bool EstablishPaceChannelOutput::isSuccess() const
{
	return mPaceReturnCode == CardReturnCode::OK && mResultCode == 0;
}


bool EstablishPaceChannelOutput::isUndefined() const
{
	return mPaceReturnCode == CardReturnCode::UNDEFINED;
}


bool EstablishPaceChannelOutput::isWrongPassword() const
{
	return mPaceReturnCode == CardReturnCode::OK && (mResultCode & 0xFFFFFF00) == 0xF0066300;
}


PaceResult EstablishPaceChannelOutput::getPaceResult() const
{
	if (mPaceReturnCode != CardReturnCode::OK)
	{
		return PaceResult::UNDEFINED;
	}

	switch (mPasswordId)
	{
		case PacePasswordId::PACE_CAN:
			if (mResultCode != 0)
			{
				return PaceResult::INVALID_CAN;
			}
			return mCarCurr.isEmpty() ? PaceResult::OK_CAN : PaceResult::OK_CAN_AUTH;

		case PacePasswordId::PACE_PIN:
			if (mResultCode == 0)
			{
				return mCarCurr.isEmpty() ? PaceResult::OK_PIN : PaceResult::OK_PIN_AUTH;
			}

			// The low nibble of 63Cx is what the card has left.
			switch (mResultCode & 0x0F)
			{
				case 2:
					return PaceResult::INVALID_PIN_1;

				case 1:
					return PaceResult::INVALID_PIN_2;

				default:
					return PaceResult::INVALID_PIN_3;
			}

		case PacePasswordId::PACE_PUK:
			return mResultCode != 0 ? PaceResult::INVALID_PUK : PaceResult::OK_PUK;

		default:
			return PaceResult::UNDEFINED;
	}
}


bool EstablishPaceChannelOutput::parse(const QByteArray& pOutput)
{
	resetOutputData();

	if (pOutput.size() <= 5)
	{
		setPaceReturnCode(CardReturnCode::COMMAND_FAILED);
		qCWarning(card) << "Output of EstablishPaceChannel has wrong size";
		return false;
	}

	const bool resultCodeParsed = parseResultCode(pOutput);

	const auto length = qFromLittleEndian<quint16>(pOutput.constData() + 4);
	if (pOutput.size() < 6 + length)
	{
		qCWarning(card) << "Output of EstablishPaceChannel has wrong size";
		return false;
	}

	const bool outputDataParsed = parseOutputData(pOutput.mid(6, length));
	return resultCodeParsed && outputDataParsed;
}


bool EstablishPaceChannelOutput::parseResultCode(const QByteArray& pResultCode)
{
	if (pResultCode.size() < 4)
	{
		mPaceReturnCode = CardReturnCode::COMMAND_FAILED;
		return false;
	}

	mResultCode = qFromLittleEndian<quint32>(pResultCode.constData());
	mPaceReturnCode = parseReturnCode(mResultCode);
	qCDebug(card) << "mPaceReturnCode:" << pResultCode.left(4).toHex() << mPaceReturnCode;
	return true;
}


bool EstablishPaceChannelOutput::parseOutputData(const QByteArray& pOutputData)
{
	resetOutputData();

	if (pOutputData.size() < 4)
	{
		qCCritical(card) << "OutputData too short";
		return false;
	}

	mStatusMseSetAt = pOutputData.left(2);
	qCDebug(card) << "mStatusMseSetAt:" << mStatusMseSetAt.toHex() << getStatusCodeMseSetAt();

	qsizetype position = 2;
	if (const QByteArray efCardAccess = readField(pOutputData, position, 2); !efCardAccess.isEmpty())
	{
		mEfCardAccess = efCardAccess;
	}
	qCDebug(card) << "mEfCardAccess:" << mEfCardAccess.toHex();

	if (position == pOutputData.size())
	{
		qCDebug(card) << "No CAR or IdICC contained";
		return true;
	}

	if (position <= pOutputData.size())
	{
		mCarCurr = readField(pOutputData, position, 1);
		qCDebug(card) << "mCarCurr:" << mCarCurr;
	}

	if (position <= pOutputData.size())
	{
		mCarPrev = readField(pOutputData, position, 1);
		qCDebug(card) << "mCarPrev:" << mCarPrev;
	}

	if (position <= pOutputData.size())
	{
		mIdIcc = readField(pOutputData, position, 2);
		qCDebug(card) << "mIdIcc:" << mIdIcc.toHex();
	}

	if (position != pOutputData.size())
	{
		qCDebug(card) << "Decapsulation of command failed. Wrong size.";
		return false;
	}

	return true;
}


bool EstablishPaceChannelOutput::parseFromCcid(const QByteArray& pOutput)
{
	resetOutputData();

	if (pOutput.size() < 2)
	{
		mPaceReturnCode = CardReturnCode::COMMAND_FAILED;
		qCCritical(card) << "EstablishPaceChannelOutput too short";
		return false;
	}

	qCDebug(card) << "Reader returned:" << pOutput.right(2).toHex();

	const auto output = decodeObject<establishpacechanneloutput_st>(pOutput.chopped(2));
	const QByteArray errorCode = output ? Asn1OctetStringUtil::getValue(output->mErrorCode) : QByteArray();
	// A shorter error code carries no result code at all; the answer is taken as unreadable.
	if (output == nullptr || errorCode.size() < 4)
	{
		mPaceReturnCode = CardReturnCode::COMMAND_FAILED;
		qCCritical(card) << "Parsing EstablishPaceChannelOutput failed" << pOutput.toHex();
		return false;
	}

	mResultCode = qFromBigEndian<quint32>(errorCode.constData());
	mPaceReturnCode = parseReturnCode(mResultCode);
	qCDebug(card) << "mPaceReturnCode:" << errorCode.left(4).toHex() << mPaceReturnCode;

	if (output->mStatusMSESetAt)
	{
		mStatusMseSetAt = Asn1OctetStringUtil::getValue(output->mStatusMSESetAt);
		qCDebug(card) << "mStatusMseSetAt:" << mStatusMseSetAt.toHex();
	}

	if (output->mEfCardAccess)
	{
		mEfCardAccess = encodeObject(output->mEfCardAccess);
		qCDebug(card) << "mEfCardAccess:" << mEfCardAccess.toHex();
		// OpenSSL writes some odd elements it accepted in a form it does not read back; such a set
		// would arrive empty at a remote reader's client, so the answer is refused here already.
		if (decodeObject<securityinfos_st>(mEfCardAccess, false) == nullptr)
		{
			resetOutputData();
			mPaceReturnCode = CardReturnCode::COMMAND_FAILED;
			qCCritical(card) << "Parsing EstablishPaceChannelOutput failed: EF.CardAccess does not read back" << pOutput.toHex();
			return false;
		}
	}

	if (output->mIdPICC)
	{
		mIdIcc = Asn1OctetStringUtil::getValue(output->mIdPICC);
		qCDebug(card) << "mIdIcc:" << mIdIcc.toHex();
	}

	if (output->mCurCAR)
	{
		mCarCurr = Asn1OctetStringUtil::getValue(output->mCurCAR);
		qCDebug(card) << "mCarCurr:" << mCarCurr;
	}

	if (output->mPrevCAR)
	{
		mCarPrev = Asn1OctetStringUtil::getValue(output->mPrevCAR);
		qCDebug(card) << "mCarPrev:" << mCarPrev;
	}

	return true;
}


QByteArray EstablishPaceChannelOutput::toResultCode() const
{
	QByteArray result(4, '\0');
	qToLittleEndian<quint32>(mResultCode, result.data());
	return result;
}


QByteArray EstablishPaceChannelOutput::toOutputData() const
{
	QByteArray data = mStatusMseSetAt;
	writeField(data, mEfCardAccess, 2);

	// An empty CAR is written (as length 00) only when a later field follows.
	if (!mCarCurr.isEmpty() || !mCarPrev.isEmpty() || !mIdIcc.isEmpty())
	{
		writeField(data, mCarCurr, 1);
	}
	if (!mCarPrev.isEmpty() || !mIdIcc.isEmpty())
	{
		writeField(data, mCarPrev, 1);
	}
	if (!mIdIcc.isEmpty())
	{
		writeField(data, mIdIcc, 2);
	}
	return data;
}


QByteArray EstablishPaceChannelOutput::toCcid() const
{
	const auto output = QSharedPointer<establishpacechanneloutput_st>(establishpacechanneloutput_st_new(), &establishpacechanneloutput_st_free);
	if (output == nullptr)
	{
		return QByteArray();
	}

	QByteArray errorCode(4, '\0');
	qToBigEndian<quint32>(mResultCode, errorCode.data());
	Asn1OctetStringUtil::setValue(errorCode, output->mErrorCode);
	Asn1OctetStringUtil::setValue(mStatusMseSetAt, output->mStatusMSESetAt);

	// The item template allocates the mandatory set already.
	sk_securityinfo_st_free(output->mEfCardAccess);
	const auto* efCardAccess = reinterpret_cast<const unsigned char*>(mEfCardAccess.constData());
	output->mEfCardAccess = d2i_securityinfos_st(nullptr, &efCardAccess, static_cast<long>(mEfCardAccess.size()));
	if (output->mEfCardAccess == nullptr)
	{
		// The field is mandatory: an unreadable EF.CardAccess goes out as the empty set.
		qCWarning(card) << "Cannot encode EF.CardAccess:" << getOpenSslErrors();
		output->mEfCardAccess = sk_securityinfo_st_new_null();
	}

	setOptionalOctetString(output->mIdPICC, mIdIcc);
	setOptionalOctetString(output->mCurCAR, mCarCurr);
	setOptionalOctetString(output->mPrevCAR, mCarPrev);

	const QByteArray encoded = encodeObject(output.data());
	if (encoded.isEmpty())
	{
		return QByteArray();
	}
	return encoded + cStatusSuccess;
}
