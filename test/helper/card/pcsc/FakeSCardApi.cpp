#include "FakeSCardApi.h"

#include <cstring>

using namespace tessarovin;
using pcsc::PcscReturnCode;

namespace
{

QString pciName(const SCARD_IO_REQUEST* pPci)
{
	if (pPci == SCARD_PCI_T0)
	{
		return QStringLiteral("T0");
	}
	if (pPci == SCARD_PCI_T1)
	{
		return QStringLiteral("T1");
	}
	if (pPci == SCARD_PCI_RAW)
	{
		return QStringLiteral("RAW");
	}
	return QStringLiteral("?");
}


} // namespace


FakeSCardApi::FakeSCardApi()
	: SCardApi()
	, mCalls()
	, mResults()
	, mLastContext(0)
	, mLastHandle(0)
	, mProtocol(SCARD_PROTOCOL_T1)
	, mEventState(SCARD_STATE_UNAWARE)
	, mAtr()
	, mFeatures()
	, mControlAnswers()
	, mReaderNames()
	, mCard()
	, mClaimedLength()
	, mClaimedNamesLength()
{
	SCardApi::install(this);
}


FakeSCardApi::~FakeSCardApi()
{
	SCardApi::install(nullptr);
}


PcscReturnCode FakeSCardApi::record(const QString& pCall, const QString& pArguments)
{
	mCalls << QStringLiteral("%1(%2)").arg(pCall, pArguments);
	auto& queue = mResults[pCall];
	return queue.isEmpty() ? pcsc::Scard_S_Success : queue.takeFirst();
}


void FakeSCardApi::queueResult(const QString& pCall, PcscReturnCode pCode, int pTimes)
{
	for (int i = 0; i < pTimes; ++i)
	{
		mResults[pCall] << pCode;
	}
}


const QStringList& FakeSCardApi::getCalls() const
{
	return mCalls;
}


QStringList FakeSCardApi::takeCalls()
{
	return std::exchange(mCalls, QStringList());
}


QStringList FakeSCardApi::getCalls(const QString& pPrefix) const
{
	QStringList calls;
	for (const auto& call : mCalls)
	{
		if (call.startsWith(pPrefix))
		{
			calls << call;
		}
	}
	return calls;
}


void FakeSCardApi::setProtocol(DWORD pProtocol)
{
	mProtocol = pProtocol;
}


void FakeSCardApi::setReaderState(DWORD pEventState, const QByteArray& pAtr)
{
	mEventState = pEventState;
	mAtr = pAtr;
}


void FakeSCardApi::setFeatures(const QByteArray& pFeatures)
{
	mFeatures = pFeatures;
}


void FakeSCardApi::setControlAnswer(DWORD pControlCode, const QByteArray& pAnswer)
{
	mControlAnswers.insert(pControlCode, pAnswer);
}


void FakeSCardApi::setReaderNames(const QStringList& pReaderNames)
{
	mReaderNames = pReaderNames;
}


void FakeSCardApi::setCard(const CardFunction& pCard)
{
	mCard = pCard;
}


void FakeSCardApi::setClaimedLength(std::optional<DWORD> pLength)
{
	mClaimedLength = pLength;
}


void FakeSCardApi::setClaimedNamesLength(std::optional<DWORD> pLength)
{
	mClaimedNamesLength = pLength;
}


PcscReturnCode FakeSCardApi::establishContext(DWORD pScope, SCARDCONTEXT* pContext)
{
	const auto code = record(QStringLiteral("SCardEstablishContext"), QString::number(pScope));
	if (code == pcsc::Scard_S_Success)
	{
		*pContext = ++mLastContext;
	}
	return code;
}


PcscReturnCode FakeSCardApi::releaseContext(SCARDCONTEXT pContext)
{
	return record(QStringLiteral("SCardReleaseContext"), QString::number(pContext));
}


PcscReturnCode FakeSCardApi::listReaders(SCARDCONTEXT pContext, char* pReaders, DWORD* pReadersLength)
{
	const auto code = record(QStringLiteral("SCardListReaders"), QString::number(pContext));
	if (code != pcsc::Scard_S_Success)
	{
		return code;
	}
	if (mReaderNames.isEmpty())
	{
		return pcsc::Scard_E_No_Readers_Available;
	}

	QByteArray names;
	for (const auto& name : std::as_const(mReaderNames))
	{
		names += name.toUtf8() + '\0';
	}
	names += '\0';
	if (static_cast<DWORD>(names.size()) > *pReadersLength)
	{
		*pReadersLength = static_cast<DWORD>(names.size());
		return pcsc::Scard_E_Insufficient_Buffer;
	}

	std::memcpy(pReaders, names.constData(), static_cast<size_t>(names.size()));
	*pReadersLength = mClaimedNamesLength.value_or(static_cast<DWORD>(names.size()));
	return code;
}


PcscReturnCode FakeSCardApi::getStatusChange(SCARDCONTEXT pContext, DWORD pTimeout, SCARD_READERSTATE* pReaderStates, DWORD pReaderCount)
{
	const auto code = record(QStringLiteral("SCardGetStatusChange"),
			QStringLiteral("%1, %2, %3, %4").arg(pContext).arg(pTimeout).arg(QString::fromUtf8(pReaderStates->szReader)).arg(pReaderCount));
	if (code == pcsc::Scard_S_Success)
	{
		pReaderStates->dwEventState = mEventState;
		pReaderStates->cbAtr = static_cast<DWORD>(mAtr.size());
		std::memcpy(pReaderStates->rgbAtr, mAtr.constData(), qMin<size_t>(static_cast<size_t>(mAtr.size()), sizeof(pReaderStates->rgbAtr)));
	}
	return code;
}


PcscReturnCode FakeSCardApi::cancel(SCARDCONTEXT pContext)
{
	return record(QStringLiteral("SCardCancel"), QString::number(pContext));
}


PcscReturnCode FakeSCardApi::connect(SCARDCONTEXT pContext, const char* pReader, DWORD pShareMode, DWORD pPreferredProtocols,
		SCARDHANDLE* pCard, DWORD* pActiveProtocol)
{
	Q_UNUSED(pContext)
	const auto code = record(QStringLiteral("SCardConnect"),
			QStringLiteral("%1, %2, %3").arg(QString::fromUtf8(pReader)).arg(pShareMode).arg(pPreferredProtocols));
	if (code == pcsc::Scard_S_Success)
	{
		*pCard = 0x100 + ++mLastHandle;
		*pActiveProtocol = pShareMode == SCARD_SHARE_DIRECT ? SCARD_PROTOCOL_UNDEFINED : mProtocol;
	}
	return code;
}


PcscReturnCode FakeSCardApi::reconnect(SCARDHANDLE pCard, DWORD pShareMode, DWORD pPreferredProtocols, DWORD pInitialization,
		DWORD* pActiveProtocol)
{
	Q_UNUSED(pCard)
	return record(QStringLiteral("SCardReconnect"), QStringLiteral("%1, %2, %3, %4")
			.arg(pShareMode).arg(pPreferredProtocols).arg(pInitialization)
			.arg(pActiveProtocol ? QStringLiteral("protocol") : QStringLiteral("null")));
}


PcscReturnCode FakeSCardApi::disconnect(SCARDHANDLE pCard, DWORD pDisposition)
{
	Q_UNUSED(pCard)
	return record(QStringLiteral("SCardDisconnect"), QString::number(pDisposition));
}


PcscReturnCode FakeSCardApi::beginTransaction(SCARDHANDLE pCard)
{
	Q_UNUSED(pCard)
	return record(QStringLiteral("SCardBeginTransaction"));
}


PcscReturnCode FakeSCardApi::endTransaction(SCARDHANDLE pCard, DWORD pDisposition)
{
	Q_UNUSED(pCard)
	return record(QStringLiteral("SCardEndTransaction"), QString::number(pDisposition));
}


PcscReturnCode FakeSCardApi::status(SCARDHANDLE pCard)
{
	return record(QStringLiteral("SCardStatus"), QString::number(pCard));
}


PcscReturnCode FakeSCardApi::transmit(SCARDHANDLE pCard, const SCARD_IO_REQUEST* pSendPci, const uchar* pSendBuffer, DWORD pSendLength,
		SCARD_IO_REQUEST* pReceivePci, uchar* pReceiveBuffer, DWORD* pReceiveLength)
{
	Q_UNUSED(pCard)
	Q_UNUSED(pReceivePci)
	const QByteArray command(reinterpret_cast<const char*>(pSendBuffer), static_cast<qsizetype>(pSendLength));
	const auto code = record(QStringLiteral("SCardTransmit"), QStringLiteral("%1, %2").arg(pciName(pSendPci), QString::fromLatin1(command.toHex())));
	if (code != pcsc::Scard_S_Success)
	{
		return code;
	}

	const QByteArray response = mCard ? mCard(command) : QByteArray();
	if (static_cast<DWORD>(response.size()) > *pReceiveLength)
	{
		*pReceiveLength = static_cast<DWORD>(response.size());
		return pcsc::Scard_E_Insufficient_Buffer;
	}

	std::memcpy(pReceiveBuffer, response.constData(), static_cast<size_t>(response.size()));
	*pReceiveLength = mClaimedLength.value_or(static_cast<DWORD>(response.size()));
	return code;
}


PcscReturnCode FakeSCardApi::control(SCARDHANDLE pCard, DWORD pControlCode, const void* pSendBuffer, DWORD pSendLength,
		void* pReceiveBuffer, DWORD pReceiveSize, DWORD* pBytesReturned)
{
	Q_UNUSED(pCard)
	const QByteArray command(static_cast<const char*>(pSendBuffer), static_cast<qsizetype>(pSendLength));
	const auto code = record(QStringLiteral("SCardControl"), QStringLiteral("0x%1, %2, %3")
			.arg(QString::number(pControlCode, 16), QString::fromLatin1(command.toHex())).arg(pReceiveSize));
	if (code != pcsc::Scard_S_Success)
	{
		return code;
	}

	const auto found = mControlAnswers.constFind(pControlCode);
	const QByteArray& answer = found != mControlAnswers.cend() ? *found : mFeatures;
	const auto size = qMin(static_cast<DWORD>(answer.size()), pReceiveSize);
	std::memcpy(pReceiveBuffer, answer.constData(), size);
	*pBytesReturned = mClaimedLength.value_or(size);
	return code;
}
