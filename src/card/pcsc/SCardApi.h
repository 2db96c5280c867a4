#pragma once

#include "PcscReturnCode.h"

#include <winscard.h>

namespace tessarovin
{

// The WinSCard calls of the PC/SC readers and cards, one method per call with the platform's
// arguments, so that the tests can put a fake in place of pcsc-lite. Every result is the code
// as PcscReturnCode. pcsc-lite has no wide-character variants: reader names are UTF-8 here.
//
// install() is meant for the tests: it swaps the instance before any reader runs and again after
// the last one has gone.
class SCardApi
{
	public:
		SCardApi() = default;
		virtual ~SCardApi() = default;
		SCardApi(const SCardApi&) = delete;
		SCardApi& operator=(const SCardApi&) = delete;

		// The installed instance, pcsc-lite unless a test has put another one in place.
		static SCardApi& getInstance();
		// nullptr brings pcsc-lite back.
		static void install(SCardApi* pApi);

		virtual pcsc::PcscReturnCode establishContext(DWORD pScope, SCARDCONTEXT* pContext) = 0;
		virtual pcsc::PcscReturnCode releaseContext(SCARDCONTEXT pContext) = 0;
		virtual pcsc::PcscReturnCode listReaders(SCARDCONTEXT pContext, char* pReaders, DWORD* pReadersLength) = 0;
		virtual pcsc::PcscReturnCode getStatusChange(SCARDCONTEXT pContext, DWORD pTimeout, SCARD_READERSTATE* pReaderStates, DWORD pReaderCount) = 0;
		virtual pcsc::PcscReturnCode cancel(SCARDCONTEXT pContext) = 0;
		virtual pcsc::PcscReturnCode connect(SCARDCONTEXT pContext, const char* pReader, DWORD pShareMode, DWORD pPreferredProtocols,
				SCARDHANDLE* pCard, DWORD* pActiveProtocol) = 0;
		// pActiveProtocol may be null.
		virtual pcsc::PcscReturnCode reconnect(SCARDHANDLE pCard, DWORD pShareMode, DWORD pPreferredProtocols, DWORD pInitialization,
				DWORD* pActiveProtocol) = 0;
		virtual pcsc::PcscReturnCode disconnect(SCARDHANDLE pCard, DWORD pDisposition) = 0;
		virtual pcsc::PcscReturnCode beginTransaction(SCARDHANDLE pCard) = 0;
		virtual pcsc::PcscReturnCode endTransaction(SCARDHANDLE pCard, DWORD pDisposition) = 0;
		// The card's state only matters to the service: every out-parameter is null.
		virtual pcsc::PcscReturnCode status(SCARDHANDLE pCard) = 0;
		virtual pcsc::PcscReturnCode transmit(SCARDHANDLE pCard, const SCARD_IO_REQUEST* pSendPci, const uchar* pSendBuffer, DWORD pSendLength,
				SCARD_IO_REQUEST* pReceivePci, uchar* pReceiveBuffer, DWORD* pReceiveLength) = 0;
		virtual pcsc::PcscReturnCode control(SCARDHANDLE pCard, DWORD pControlCode, const void* pSendBuffer, DWORD pSendLength,
				void* pReceiveBuffer, DWORD pReceiveSize, DWORD* pBytesReturned) = 0;
};

} // namespace tessarovin
