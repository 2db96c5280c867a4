#include "PaosSession.h"

#include <QDate>

using namespace tessarovin;


namespace
{

const char* const cResultOk = "http://www.bsi.bund.de/ecard/api/1.1/resultmajor#ok";
const char* const cResultError = "http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error";
const char* const cMinorInternal = "http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#internalError";
const char* const cEacProtocol = "urn:oid:1.3.162.15480.3.0.14.2";

QByteArray hex(const QByteArray& pData)
{
	return pData.toHex().toUpper();
}


QByteArray element(const char* pName, const QByteArray& pText)
{
	return QByteArray("<iso:") + pName + '>' + pText + "</iso:" + pName + '>';
}


// CHAT of an authentication terminal: the object identifier and five octets of rights, bit 0 last.
QByteArray chat(const QByteArray& pRights)
{
	return QByteArray::fromHex("7F4C12060904007F000703010202530" "5") + pRights;
}


// Age verification against a date of birth eighteen years back.
QByteArray defaultAuxiliaryData()
{
	const QByteArray date = QDate::currentDate().addYears(-18).toString(QStringLiteral("yyyyMMdd")).toLatin1();
	const QByteArray oid = QByteArray::fromHex("060904007F000703010401");
	const QByteArray value = QByteArray(1, char(0x53)) + static_cast<char>(date.size()) + date;
	const QByteArray inner = QByteArray(1, char(0x73)) + static_cast<char>(oid.size() + value.size()) + oid + value;
	return QByteArray(1, char(0x67)) + static_cast<char>(inner.size()) + inner;
}


} // namespace


PaosSession::PaosSession(const QByteArray& pSessionId, const QByteArray& pPsk, const Options& pOptions,
		const QByteArrayList& pCertificates, const QByteArray& pDescription, const QByteArray& pTerminalKey)
	: mSessionId(pSessionId)
	, mPsk(pPsk)
	, mOptions(pOptions)
	, mCertificates(pCertificates)
	, mDescription(pDescription)
{
	mTerminal.setTerminalKey(pTerminalKey);
}


const QByteArray& PaosSession::getSessionId() const
{
	return mSessionId;
}


const QByteArray& PaosSession::getPsk() const
{
	return mPsk;
}


const PaosSession::Options& PaosSession::getOptions() const
{
	return mOptions;
}


bool PaosSession::isFinished() const
{
	return mFinished;
}


const QMap<int, QByteArray>& PaosSession::getDataGroups() const
{
	return mDataGroups;
}


PaosSession::Options PaosSession::parseOptions(const QUrlQuery& pQuery)
{
	Options options;
	const auto item = [&pQuery](const char* pName){
				return pQuery.queryItemValue(QLatin1String(pName), QUrl::FullyDecoded);
			};
	if (pQuery.hasQueryItem(QStringLiteral("level")))
	{
		options.mLevel = item("level").toInt();
	}
	options.mEac1Direct = item("eac1") == QLatin1String("direct");
	options.mSignature = item("signature") != QLatin1String("0");
	options.mFault = item("fault");
	if (pQuery.hasQueryItem(QStringLiteral("at")))
	{
		options.mFaultAt = item("at");
	}
	if (pQuery.hasQueryItem(QStringLiteral("delay")))
	{
		options.mDelaySeconds = item("delay").toInt();
	}
	options.mNoLog = item("nolog") == QLatin1String("1");
	options.mEndError = item("result") == QLatin1String("error");
	options.mRequiredChat = pQuery.hasQueryItem(QStringLiteral("requiredChat"))
			? QByteArray::fromHex(item("requiredChat").toLatin1())
			: chat(QByteArray::fromHex("0000001F01")); // DG1 to DG5, age verification
	options.mOptionalChat = pQuery.hasQueryItem(QStringLiteral("optionalChat"))
			? QByteArray::fromHex(item("optionalChat").toLatin1())
			: chat(QByteArray::fromHex("0000030000")); // DG9, DG10
	options.mAuxiliaryData = pQuery.hasQueryItem(QStringLiteral("aux"))
			? QByteArray::fromHex(item("aux").toLatin1())
			: defaultAuxiliaryData();
	return options;
}


QByteArray PaosSession::connectionHandle() const
{
	return "<iso:ConnectionHandle xsi:type=\"iso:ConnectionHandleType\">"
		   + element("CardApplication", "e80704007f00070302")
		   + element("SlotHandle", mSlotHandle.toLatin1())
		   + "</iso:ConnectionHandle>";
}


QByteArray PaosSession::initializeFramework()
{
	mExpected = QStringLiteral("InitializeFrameworkResponse");
	return QByteArrayLiteral("<ecard:InitializeFramework/>");
}


QByteArray PaosSession::eac1()
{
	mExpected = QStringLiteral("EAC1OutputType");
	QByteArray data;
	for (const auto& certificate : mCertificates)
	{
		data += element("Certificate", hex(certificate));
	}
	data += element("CertificateDescription", hex(mDescription));
	data += element("RequiredCHAT", hex(mOptions.mRequiredChat));
	if (!mOptions.mOptionalChat.isEmpty())
	{
		data += element("OptionalCHAT", hex(mOptions.mOptionalChat));
	}
	if (!mOptions.mAuxiliaryData.isEmpty())
	{
		data += element("AuthenticatedAuxiliaryData", hex(mOptions.mAuxiliaryData));
	}
	data += element("TransactionInfo", "Test transaction");
	return "<iso:DIDAuthenticate>" + connectionHandle() + element("DIDName", "PIN")
		   + "<iso:AuthenticationProtocolData Protocol=\"" + cEacProtocol + "\" xsi:type=\"iso:EAC1InputType\">"
		   + data + "</iso:AuthenticationProtocolData></iso:DIDAuthenticate>";
}


QByteArray PaosSession::eac2()
{
	mExpected = QStringLiteral("EAC2OutputType");
	const QByteArray key = mTerminal.generateEphemeralKey();
	QByteArray data = element("EphemeralPublicKey", hex(key));
	if (mOptions.mSignature)
	{
		data += element("Signature", hex(mTerminal.sign(mIdPicc, mChallenge, mOptions.mAuxiliaryData)));
	}
	return "<iso:DIDAuthenticate>" + connectionHandle() + element("DIDName", "PIN")
		   + "<iso:AuthenticationProtocolData Protocol=\"" + cEacProtocol + "\" xsi:type=\"iso:EAC2InputType\">"
		   + data + "</iso:AuthenticationProtocolData></iso:DIDAuthenticate>";
}


QByteArray PaosSession::eacAdditional()
{
	mExpected = QStringLiteral("EAC2OutputType");
	const QByteArray data = element("Signature", hex(mTerminal.sign(mIdPicc, mChallenge, mOptions.mAuxiliaryData)));
	return "<iso:DIDAuthenticate>" + connectionHandle() + element("DIDName", "PIN")
		   + "<iso:AuthenticationProtocolData Protocol=\"" + cEacProtocol + "\" xsi:type=\"iso:EACAdditionalInputType\">"
		   + data + "</iso:AuthenticationProtocolData></iso:DIDAuthenticate>";
}


QByteArray PaosSession::transmit(QJsonObject& pReport)
{
	mExpected = QStringLiteral("TransmitResponse");
	++mReadIndex;
	// READ BINARY by short file identifier: data group n is file 0x0n.
	const QByteArray command = QByteArray::fromHex("00B0") + static_cast<char>(0x80 | mReadIndex) + QByteArray::fromHex("0000");
	pReport[QStringLiteral("apdu")] = QString::fromLatin1(command.toHex());
	return "<iso:Transmit>" + element("SlotHandle", mSlotHandle.toLatin1())
		   + "<iso:InputAPDUInfo>" + element("InputAPDU", hex(mTerminal.wrap(command)))
		   + element("AcceptableStatusCode", "9000") + element("AcceptableStatusCode", "6282")
		   + "</iso:InputAPDUInfo></iso:Transmit>";
}


QByteArray PaosSession::startPaosResponse(bool pOk, const QString& pMessage)
{
	mExpected.clear();
	mFinished = true;
	QByteArray result = QByteArray("<dss:ResultMajor>") + (pOk ? cResultOk : cResultError) + "</dss:ResultMajor>";
	if (!pOk)
	{
		result += QByteArray("<dss:ResultMinor>") + cMinorInternal + "</dss:ResultMinor>";
		result += "<dss:ResultMessage xml:lang=\"en\">" + pMessage.toHtmlEscaped().toUtf8() + "</dss:ResultMessage>";
	}
	return "<iso:StartPAOSResponse><dss:Result>" + result + "</dss:Result></iso:StartPAOSResponse>";
}


QByteArray PaosSession::faulty(const QString& pFault) const
{
	if (pFault == QLatin1String("unknownElement"))
	{
		return QByteArrayLiteral("<iso:UnknownRequest><iso:Value>1</iso:Value></iso:UnknownRequest>");
	}
	// A known request that does not fit: a Transmit where none can come, else InitializeFramework.
	if (mExpected == QLatin1String("TransmitResponse"))
	{
		return QByteArrayLiteral("<ecard:InitializeFramework/>");
	}
	return "<iso:Transmit>" + element("SlotHandle", mSlotHandle.toLatin1())
		   + "<iso:InputAPDUInfo>" + element("InputAPDU", "00A4040C") + "</iso:InputAPDUInfo></iso:Transmit>";
}


QByteArray PaosSession::next(const PaosMessage& pMessage, QJsonObject& pReport)
{
	const QString type = pMessage.getType() == QLatin1String("DIDAuthenticateResponse") ? pMessage.getProtocolDataType() : pMessage.getType();
	pReport[QStringLiteral("received")] = type;
	pReport[QStringLiteral("resultOk")] = pMessage.isResultOk();
	if (type != QLatin1String("StartPAOS"))
	{
		pReport[QStringLiteral("resultMajor")] = pMessage.value(QStringLiteral("ResultMajor"));
		pReport[QStringLiteral("resultMinor")] = pMessage.value(QStringLiteral("ResultMinor"));
	}

	if (type != QLatin1String("StartPAOS") && !pMessage.isResultOk())
	{
		// The client reported an error: the dialogue ends as an eID server ends it.
		return startPaosResponse(false, QStringLiteral("Client reported an error"));
	}
	if (type != mExpected)
	{
		pReport[QStringLiteral("error")] = QStringLiteral("expected ") + mExpected;
		return startPaosResponse(false, QStringLiteral("Unexpected message ") + type);
	}

	if (type == QLatin1String("StartPAOS"))
	{
		const QString session = pMessage.value(QStringLiteral("SessionIdentifier"));
		pReport[QStringLiteral("sessionIdentifierOk")] = session.toUtf8() == mSessionId;
		const QString slot = pMessage.value(QStringLiteral("SlotHandle"));
		if (!slot.isEmpty())
		{
			mSlotHandle = slot;
		}
		return mOptions.mEac1Direct ? eac1() : initializeFramework();
	}
	if (type == QLatin1String("InitializeFrameworkResponse"))
	{
		return eac1();
	}
	if (type == QLatin1String("EAC1OutputType"))
	{
		mIdPicc = pMessage.hexValue(QStringLiteral("IDPICC"));
		mChallenge = pMessage.hexValue(QStringLiteral("Challenge"));
		pReport[QStringLiteral("idPicc")] = QString::fromLatin1(mIdPicc.toHex());
		pReport[QStringLiteral("challenge")] = QString::fromLatin1(mChallenge.toHex());
		pReport[QStringLiteral("chat")] = pMessage.value(QStringLiteral("CertificateHolderAuthorizationTemplate"));
		return eac2();
	}
	// EAC2OutputType
	if (pMessage.values(QStringLiteral("EFCardSecurity")).isEmpty())
	{
		if (mOptions.mSignature || pMessage.values(QStringLiteral("Challenge")).isEmpty())
		{
			pReport[QStringLiteral("error")] = QStringLiteral("EAC2 output without chip authentication");
			return startPaosResponse(false, QStringLiteral("No chip authentication"));
		}
		mChallenge = pMessage.hexValue(QStringLiteral("Challenge"));
		pReport[QStringLiteral("challenge")] = QString::fromLatin1(mChallenge.toHex());
		return eacAdditional();
	}
	const QString failure = mTerminal.authenticateChip(pMessage.hexValue(QStringLiteral("EFCardSecurity")),
			pMessage.hexValue(QStringLiteral("Nonce")), pMessage.hexValue(QStringLiteral("AuthenticationToken")));
	pReport[QStringLiteral("chipAuthentication")] = failure.isEmpty() ? QStringLiteral("ok") : failure;
	if (!failure.isEmpty())
	{
		return startPaosResponse(false, QStringLiteral("Chip authentication failed: ") + failure);
	}
	pReport[QStringLiteral("level")] = 1;
	if (mOptions.mLevel <= 1)
	{
		return startPaosResponse(!mOptions.mEndError, QStringLiteral("The test server ends with an error"));
	}
	return transmit(pReport);
}


PaosSession::Reply PaosSession::handle(const QByteArray& pBody, QJsonObject& pReport)
{
	Reply reply;
	const PaosMessage message(pBody);
	pReport[QStringLiteral("session")] = QString::fromUtf8(mSessionId);
	pReport[QStringLiteral("messageId")] = message.getMessageId();
	pReport[QStringLiteral("relatesTo")] = message.getRelatesTo();
	pReport[QStringLiteral("expectedRelatesTo")] = mLastMessageId;
	pReport[QStringLiteral("relatesToOk")] = message.getRelatesTo() == mLastMessageId;
	mRelatesToChain.append(QJsonArray({message.getRelatesTo(), message.getMessageId()}));
	pReport[QStringLiteral("chain")] = mRelatesToChain;

	if (!message.isWellFormed() || message.getType().isEmpty())
	{
		pReport[QStringLiteral("received")] = QStringLiteral("garbage");
		pReport[QStringLiteral("error")] = QStringLiteral("no PAOS message");
		reply.mStatus = 400;
		return reply;
	}

	QByteArray body;
	if (mFinished)
	{
		pReport[QStringLiteral("received")] = message.getType();
		pReport[QStringLiteral("error")] = QStringLiteral("dialogue already ended");
		body = startPaosResponse(false, QStringLiteral("Dialogue already ended"));
	}
	else if (mExpected == QLatin1String("TransmitResponse") && message.getType() == QLatin1String("TransmitResponse"))
	{
		pReport[QStringLiteral("received")] = message.getType();
		pReport[QStringLiteral("resultOk")] = message.isResultOk();
		QString error;
		const QByteArray plain = mTerminal.unwrap(message.hexValue(QStringLiteral("OutputAPDU")), error);
		QJsonObject data;
		data[QStringLiteral("dg")] = mReadIndex;
		data[QStringLiteral("plain")] = QString::fromLatin1(plain.toHex());
		if (!error.isEmpty())
		{
			data[QStringLiteral("error")] = error;
		}
		else if (plain.endsWith(QByteArray::fromHex("9000")))
		{
			mDataGroups.insert(mReadIndex, plain.chopped(2));
		}
		pReport[QStringLiteral("data")] = data;
		if (!error.isEmpty() || !message.isResultOk())
		{
			body = startPaosResponse(false, QStringLiteral("Reading failed"));
		}
		else if (mReadIndex < 5)
		{
			body = transmit(pReport);
		}
		else
		{
			pReport[QStringLiteral("level")] = 2;
			body = startPaosResponse(!mOptions.mEndError, QStringLiteral("The test server ends with an error"));
		}
	}
	else
	{
		body = next(message, pReport);
	}

	const QString received = pReport.value(QStringLiteral("received")).toString();
	if (!mOptions.mFault.isEmpty() && received == mOptions.mFaultAt)
	{
		pReport[QStringLiteral("fault")] = mOptions.mFault;
		const QString& fault = mOptions.mFault;
		if (fault == QLatin1String("close"))
		{
			reply.mClose = true;
		}
		else if (fault == QLatin1String("http500") || fault == QLatin1String("http503"))
		{
			reply.mStatus = fault == QLatin1String("http500") ? 500 : 503;
			body.clear();
		}
		else if (fault == QLatin1String("delay"))
		{
			reply.mDelaySeconds = mOptions.mDelaySeconds;
		}
		else if (fault == QLatin1String("garbage"))
		{
			reply.mBody = QByteArrayLiteral("This is no PAOS message <<<");
			return reply;
		}
		else if (fault == QLatin1String("unexpected") || fault == QLatin1String("unknownElement"))
		{
			body = faulty(fault);
		}
		else if (fault == QLatin1String("endError"))
		{
			body = startPaosResponse(false, QStringLiteral("The test server ends the dialogue"));
		}
	}

	if (!body.isEmpty())
	{
		const QString messageId = PaosMessage::createMessageId();
		reply.mBody = PaosMessage::envelope(message.getMessageId(), messageId, body);
		mLastMessageId = messageId;
		pReport[QStringLiteral("sentMessageId")] = messageId;
		pReport[QStringLiteral("sentRelatesTo")] = message.getMessageId();
		PaosMessage sent(reply.mBody);
		pReport[QStringLiteral("sent")] = sent.getProtocolDataType().isEmpty() ? sent.getType() : sent.getProtocolDataType();
	}
	return reply;
}
