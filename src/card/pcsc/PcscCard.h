#pragma once

#include "Card.h"
#include "FeatureID.h"
#include "PcscReturnCode.h"

#include <QByteArray>
#include <QPointer>
#include <QTimer>

#include <winscard.h>

namespace tessarovin
{

class PcscReader;

// The card in a PC/SC reader. Lives on the reader manager's thread with its reader, which owns it;
// only that thread calls it. While connected it holds the card in a PC/SC transaction.
class PcscCard
	: public Card
{
	Q_OBJECT

	private:
		struct CardResult
		{
			pcsc::PcscReturnCode mReturnCode;
			QByteArray mResponse;
		};

		QPointer<PcscReader> mReader;
		DWORD mProtocol;
		SCARDCONTEXT mContextHandle;
		SCARDHANDLE mCardHandle;
		QTimer mKeepAliveTimer;

		[[nodiscard]] QString getReaderName() const;
		[[nodiscard]] CardResult transmit(const QByteArray& pSendBuffer) const;
		[[nodiscard]] CardResult transmit(const QByteArray& pSendBuffer, const SCARD_IO_REQUEST* pSendPci) const;
		[[nodiscard]] CardResult control(DWORD pControlCode, const QByteArray& pCommand) const;
		[[nodiscard]] bool readerHasFeature(FeatureID pFeatureID) const;

	private Q_SLOTS:
		void sendSCardStatus();

	public:
		explicit PcscCard(PcscReader* pPcscReader);
		~PcscCard() override;

		CardReturnCode establishConnection() override;
		CardReturnCode releaseConnection() override;
		[[nodiscard]] bool isConnected() const override;
		ResponseApduResult transmit(const CommandApdu& pCommand) override;

		// The pin pad of the reader, through the control codes it announced; each blocks until the
		// user has finished on the reader.
		EstablishPaceChannelOutput establishPaceChannel(PacePasswordId pPasswordId,
				int pPreferredPinLength,
				const QByteArray& pChat,
				const QByteArray& pCertificateDescription) override;
		CardReturnCode destroyPaceChannel() override;
		ResponseApduResult setEidPin(uchar pTimeoutSeconds) override;
};

} // namespace tessarovin
