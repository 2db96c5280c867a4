#include "ScriptedCard.h"

#include "TestEnvironment.h"

#include <QFile>

using namespace tessarovin;

ScriptedCard::ScriptedCard()
	: Card()
	, mRules()
	, mDefaultAnswer(answer("6A82"))
	, mHandler()
	, mConnectResult(CardReturnCode::OK)
	, mConnected(false)
	, mReleaseCount(0)
	, mCommands()
	, mPaceOutputs({EstablishPaceChannelOutput(PacePasswordId::UNKNOWN, CardReturnCode::COMMAND_FAILED)})
	, mPaceOutputsUsed(0)
	, mPacePasswordIds()
	, mPreferredPinLengths()
	, mDestroyPaceChannelResult(CardReturnCode::OK)
	, mDestroyPaceChannelCount(0)
	, mSetEidPinResult({CardReturnCode::OK, ResponseApdu(StatusCode::SUCCESS)})
	, mErrorMessages()
{
}


ResponseApduResult ScriptedCard::answer(const QByteArray& pHex, CardReturnCode pReturnCode)
{
	return {pReturnCode, pHex.isEmpty() ? ResponseApdu() : ResponseApdu(QByteArray::fromHex(pHex))};
}


ScriptedCard& ScriptedCard::add(const QByteArray& pCommandPrefixHex, const QByteArray& pResponseHex, CardReturnCode pReturnCode)
{
	return add(pCommandPrefixHex, answer(pResponseHex, pReturnCode));
}


ScriptedCard& ScriptedCard::add(const QByteArray& pCommandPrefixHex, const ResponseApduResult& pAnswer)
{
	const auto prefix = pCommandPrefixHex.toLower();
	for (auto& rule : mRules)
	{
		if (rule.mPrefix == prefix)
		{
			rule.mAnswers << pAnswer;
			return *this;
		}
	}
	mRules << Rule {prefix, {pAnswer}, 0};
	return *this;
}


void ScriptedCard::setDefaultAnswer(const ResponseApduResult& pAnswer)
{
	mDefaultAnswer = pAnswer;
}


void ScriptedCard::setHandler(const Handler& pHandler)
{
	mHandler = pHandler;
}


void ScriptedCard::setConnectResult(CardReturnCode pCode)
{
	mConnectResult = pCode;
}


void ScriptedCard::scriptEidCard(const QByteArray& pEfCardAccess, const QByteArray& pRetryCounterStatus)
{
	add("00a4040c09e80704007f00070302", "9000");
	add("00a4000c023f00", "9000");
	add("00b09e00", readFixture(QStringLiteral("ef_dir_eid.der")).toHex() + "6282");
	add("00b09c00", pEfCardAccess.toHex() + "6282");
	add("0022c1a4", pRetryCounterStatus);
}


const QList<QByteArray>& ScriptedCard::getCommands() const
{
	return mCommands;
}


int ScriptedCard::getReleaseCount() const
{
	return mReleaseCount;
}


void ScriptedCard::setPaceOutput(const EstablishPaceChannelOutput& pOutput)
{
	setPaceOutputs({pOutput});
}


void ScriptedCard::setPaceOutputs(const QList<EstablishPaceChannelOutput>& pOutputs)
{
	Q_ASSERT(!pOutputs.isEmpty());
	mPaceOutputs = pOutputs;
	mPaceOutputsUsed = 0;
}


const QList<PacePasswordId>& ScriptedCard::getPacePasswordIds() const
{
	return mPacePasswordIds;
}


const QList<int>& ScriptedCard::getPreferredPinLengths() const
{
	return mPreferredPinLengths;
}


void ScriptedCard::setDestroyPaceChannelResult(CardReturnCode pCode)
{
	mDestroyPaceChannelResult = pCode;
}


int ScriptedCard::getDestroyPaceChannelCount() const
{
	return mDestroyPaceChannelCount;
}


void ScriptedCard::setSetEidPinResult(const ResponseApduResult& pResult)
{
	mSetEidPinResult = pResult;
}


const QStringList& ScriptedCard::getErrorMessages() const
{
	return mErrorMessages;
}


CardReturnCode ScriptedCard::establishConnection()
{
	mConnected = mConnectResult == CardReturnCode::OK;
	return mConnectResult;
}


CardReturnCode ScriptedCard::releaseConnection()
{
	mConnected = false;
	++mReleaseCount;
	return CardReturnCode::OK;
}


bool ScriptedCard::isConnected() const
{
	return mConnected;
}


ResponseApduResult ScriptedCard::transmit(const CommandApdu& pCommand)
{
	const QByteArray command = QByteArray(pCommand).toHex();
	mCommands << command;

	if (mHandler)
	{
		return mHandler(pCommand);
	}

	for (auto& rule : mRules)
	{
		if (command.startsWith(rule.mPrefix))
		{
			return rule.mAnswers.at(std::min(rule.mUsed++, rule.mAnswers.size() - 1));
		}
	}
	return mDefaultAnswer;
}


EstablishPaceChannelOutput ScriptedCard::establishPaceChannel(PacePasswordId pPasswordId,
		int pPreferredPinLength,
		const QByteArray& pChat,
		const QByteArray& pCertificateDescription)
{
	Q_UNUSED(pChat)
	Q_UNUSED(pCertificateDescription)
	mPreferredPinLengths << pPreferredPinLength;
	mPacePasswordIds << pPasswordId;
	return mPaceOutputs.at(std::min(mPaceOutputsUsed++, mPaceOutputs.size() - 1));
}


CardReturnCode ScriptedCard::destroyPaceChannel()
{
	++mDestroyPaceChannelCount;
	return mDestroyPaceChannelResult;
}


ResponseApduResult ScriptedCard::setEidPin(uchar pTimeoutSeconds)
{
	Q_UNUSED(pTimeoutSeconds)
	return mSetEidPinResult;
}


void ScriptedCard::setErrorMessage(const QString& pMessage)
{
	mErrorMessages << pMessage;
}


QByteArray tessarovin::readFixture(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/scripted/") + pName);
	if (!file.open(QIODevice::ReadOnly))
	{
		qFatal("Missing fixture %s", qPrintable(pName));
	}
	return file.readAll();
}
