#include "PcscLiteSCardApi.h"

using namespace tessarovin;
using pcsc::PcscReturnCode;
using pcsc::toPcscReturnCode;


PcscReturnCode PcscLiteSCardApi::establishContext(DWORD pScope, SCARDCONTEXT* pContext)
{
	return toPcscReturnCode(SCardEstablishContext(pScope, nullptr, nullptr, pContext));
}


PcscReturnCode PcscLiteSCardApi::releaseContext(SCARDCONTEXT pContext)
{
	return toPcscReturnCode(SCardReleaseContext(pContext));
}


PcscReturnCode PcscLiteSCardApi::listReaders(SCARDCONTEXT pContext, char* pReaders, DWORD* pReadersLength)
{
	return toPcscReturnCode(SCardListReaders(pContext, nullptr, pReaders, pReadersLength));
}


PcscReturnCode PcscLiteSCardApi::getStatusChange(SCARDCONTEXT pContext, DWORD pTimeout, SCARD_READERSTATE* pReaderStates, DWORD pReaderCount)
{
	return toPcscReturnCode(SCardGetStatusChange(pContext, pTimeout, pReaderStates, pReaderCount));
}


PcscReturnCode PcscLiteSCardApi::cancel(SCARDCONTEXT pContext)
{
	return toPcscReturnCode(SCardCancel(pContext));
}


PcscReturnCode PcscLiteSCardApi::connect(SCARDCONTEXT pContext, const char* pReader, DWORD pShareMode, DWORD pPreferredProtocols,
		SCARDHANDLE* pCard, DWORD* pActiveProtocol)
{
	return toPcscReturnCode(SCardConnect(pContext, pReader, pShareMode, pPreferredProtocols, pCard, pActiveProtocol));
}


PcscReturnCode PcscLiteSCardApi::reconnect(SCARDHANDLE pCard, DWORD pShareMode, DWORD pPreferredProtocols, DWORD pInitialization,
		DWORD* pActiveProtocol)
{
	// pcsc-lite insists on somewhere to write the protocol.
	DWORD ignored = 0;
	return toPcscReturnCode(SCardReconnect(pCard, pShareMode, pPreferredProtocols, pInitialization,
			pActiveProtocol ? pActiveProtocol : &ignored));
}


PcscReturnCode PcscLiteSCardApi::disconnect(SCARDHANDLE pCard, DWORD pDisposition)
{
	return toPcscReturnCode(SCardDisconnect(pCard, pDisposition));
}


PcscReturnCode PcscLiteSCardApi::beginTransaction(SCARDHANDLE pCard)
{
	return toPcscReturnCode(SCardBeginTransaction(pCard));
}


PcscReturnCode PcscLiteSCardApi::endTransaction(SCARDHANDLE pCard, DWORD pDisposition)
{
	return toPcscReturnCode(SCardEndTransaction(pCard, pDisposition));
}


PcscReturnCode PcscLiteSCardApi::status(SCARDHANDLE pCard)
{
	return toPcscReturnCode(SCardStatus(pCard, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
}


PcscReturnCode PcscLiteSCardApi::transmit(SCARDHANDLE pCard, const SCARD_IO_REQUEST* pSendPci, const uchar* pSendBuffer, DWORD pSendLength,
		SCARD_IO_REQUEST* pReceivePci, uchar* pReceiveBuffer, DWORD* pReceiveLength)
{
	return toPcscReturnCode(SCardTransmit(pCard, pSendPci, pSendBuffer, pSendLength, pReceivePci, pReceiveBuffer, pReceiveLength));
}


PcscReturnCode PcscLiteSCardApi::control(SCARDHANDLE pCard, DWORD pControlCode, const void* pSendBuffer, DWORD pSendLength,
		void* pReceiveBuffer, DWORD pReceiveSize, DWORD* pBytesReturned)
{
	return toPcscReturnCode(SCardControl(pCard, pControlCode, pSendBuffer, pSendLength, pReceiveBuffer, pReceiveSize, pBytesReturned));
}
