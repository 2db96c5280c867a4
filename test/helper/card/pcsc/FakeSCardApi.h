#pragma once

#include "SCardApi.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>

#include <functional>
#include <optional>

namespace tessarovin
{

// The PC/SC service of one reader, in memory. Installs itself while it lives. Every call is
// written to getCalls() with the arguments that matter, e.g. "SCardConnect(Reader, 2, 3)";
// its result is the next queued code for that call, else success. A present card answers
// SCardTransmit through the card function.
class FakeSCardApi
	: public SCardApi
{
	public:
		using CardFunction = std::function<QByteArray(const QByteArray&)>;

	private:
		QStringList mCalls;
		QMap<QString, QList<pcsc::PcscReturnCode>> mResults;
		SCARDCONTEXT mLastContext;
		SCARDHANDLE mLastHandle;
		DWORD mProtocol;
		DWORD mEventState;
		QByteArray mAtr;
		QByteArray mFeatures;
		QMap<DWORD, QByteArray> mControlAnswers;
		QStringList mReaderNames;
		CardFunction mCard;
		std::optional<DWORD> mClaimedLength;
		std::optional<DWORD> mClaimedNamesLength;

		pcsc::PcscReturnCode record(const QString& pCall, const QString& pArguments = QString());

	public:
		FakeSCardApi();
		~FakeSCardApi() override;

		// The next call of that name (e.g. "SCardTransmit") returns pCode; queued codes go first in order.
		void queueResult(const QString& pCall, pcsc::PcscReturnCode pCode, int pTimes = 1);
		[[nodiscard]] const QStringList& getCalls() const;
		QStringList takeCalls();
		// The calls whose text starts with pPrefix.
		[[nodiscard]] QStringList getCalls(const QString& pPrefix) const;

		// The protocol that SCardConnect reports.
		void setProtocol(DWORD pProtocol);
		// What SCardGetStatusChange reports.
		void setReaderState(DWORD pEventState, const QByteArray& pAtr = QByteArray());
		// The answer to GET_FEATURE_REQUEST.
		void setFeatures(const QByteArray& pFeatures);
		// The answer to SCardControl with another control code, e.g. a pin pad's.
		void setControlAnswer(DWORD pControlCode, const QByteArray& pAnswer);
		// What SCardListReaders reports; none is SCARD_E_NO_READERS_AVAILABLE, as with pcsc-lite.
		void setReaderNames(const QStringList& pReaderNames);
		void setCard(const CardFunction& pCard);
		// A length for SCardTransmit and SCardControl to report instead of the true one.
		void setClaimedLength(std::optional<DWORD> pLength);
		// The same for SCardListReaders.
		void setClaimedNamesLength(std::optional<DWORD> pLength);

		pcsc::PcscReturnCode establishContext(DWORD pScope, SCARDCONTEXT* pContext) override;
		pcsc::PcscReturnCode releaseContext(SCARDCONTEXT pContext) override;
		pcsc::PcscReturnCode listReaders(SCARDCONTEXT pContext, char* pReaders, DWORD* pReadersLength) override;
		pcsc::PcscReturnCode getStatusChange(SCARDCONTEXT pContext, DWORD pTimeout, SCARD_READERSTATE* pReaderStates, DWORD pReaderCount) override;
		pcsc::PcscReturnCode cancel(SCARDCONTEXT pContext) override;
		pcsc::PcscReturnCode connect(SCARDCONTEXT pContext, const char* pReader, DWORD pShareMode, DWORD pPreferredProtocols,
				SCARDHANDLE* pCard, DWORD* pActiveProtocol) override;
		pcsc::PcscReturnCode reconnect(SCARDHANDLE pCard, DWORD pShareMode, DWORD pPreferredProtocols, DWORD pInitialization,
				DWORD* pActiveProtocol) override;
		pcsc::PcscReturnCode disconnect(SCARDHANDLE pCard, DWORD pDisposition) override;
		pcsc::PcscReturnCode beginTransaction(SCARDHANDLE pCard) override;
		pcsc::PcscReturnCode endTransaction(SCARDHANDLE pCard, DWORD pDisposition) override;
		pcsc::PcscReturnCode status(SCARDHANDLE pCard) override;
		pcsc::PcscReturnCode transmit(SCARDHANDLE pCard, const SCARD_IO_REQUEST* pSendPci, const uchar* pSendBuffer, DWORD pSendLength,
				SCARD_IO_REQUEST* pReceivePci, uchar* pReceiveBuffer, DWORD* pReceiveLength) override;
		pcsc::PcscReturnCode control(SCARDHANDLE pCard, DWORD pControlCode, const void* pSendBuffer, DWORD pSendLength,
				void* pReceiveBuffer, DWORD pReceiveSize, DWORD* pBytesReturned) override;
};

} // namespace tessarovin
