#pragma once

#include "SCardApi.h"

namespace tessarovin
{

// The WinSCard calls of pcsc-lite, passed through unchanged.
class PcscLiteSCardApi
	: public SCardApi
{
	public:
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
