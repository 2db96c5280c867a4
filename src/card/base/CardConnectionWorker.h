#pragma once

#include "apdu/CardReturnCode.h"
#include "apdu/CommandApdu.h"
#include "apdu/ResponseApduResult.h"
#include "FileRef.h"
#include "pace/CardTransmitter.h"
#include "pace/SecureMessaging.h"
#include "pinpad/EstablishPaceChannelOutput.h"
#include "pinpad/PacePasswordId.h"
#include "ReaderInfo.h"

#include <QByteArray>
#include <QEnableSharedFromThis>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

#include <memory>

class test_CardConnectionWorker;

namespace tessarovin
{

class Card;
class Reader;

// Performs every operation on one connected card, synchronously on the reader's thread. It asks
// its reader for the current card each time: a reader or card that went away is answered with
// CARD_NOT_FOUND, never with a stale pointer.
class CardConnectionWorker
	: public QObject
	, public QEnableSharedFromThis<CardConnectionWorker>
	, public CardTransmitter
{
	Q_OBJECT
	friend class ::test_CardConnectionWorker;

	private:
		QPointer<Reader> mReader;
		std::unique_ptr<SecureMessaging> mSecureMessaging;

		[[nodiscard]] Card* getCard() const;
		[[nodiscard]] bool isBasicReader() const;
		EstablishPaceChannelOutput establishPaceChannelInSoftware(PacePasswordId pPasswordId, const QByteArray& pPassword, const QByteArray& pChat);
		void startSecureMessaging(const SecurityProtocol& pPaceProtocol, const QByteArray& pEncryptionKey, const QByteArray& pMacKey);

	protected:
		explicit CardConnectionWorker(Reader* pReader);

	public:
		// The last reference may be dropped on any thread: the worker always ends on its own.
		static QSharedPointer<CardConnectionWorker> create(Reader* pReader);
		~CardConnectionWorker() override;

		Q_INVOKABLE ReaderInfo getReaderInfo() const;
		[[nodiscard]] QSharedPointer<const SecurityInfos> getEfCardAccess() const override;

		bool selectApplicationRoot(const FileRef& pApplication);
		void stopSecureMessaging();
		void setPukInoperative();

	public Q_SLOTS:
		virtual CardReturnCode updateRetryCounter();
		// Appends to pFileContent.
		virtual CardReturnCode readFile(const FileRef& pFileRef, QByteArray& pFileContent, int pLe);
		ResponseApduResult transmit(const CommandApdu& pCommandApdu) override;
		virtual EstablishPaceChannelOutput establishPaceChannel(PacePasswordId pPasswordId,
				const QByteArray& pPassword,
				const QByteArray& pChat = QByteArray(),
				const QByteArray& pCertificateDescription = QByteArray());
		virtual CardReturnCode destroyPaceChannel();
		virtual void setProgressMessage(const QString& pMessage, int pProgress = -1);
		virtual void setErrorMessage(const QString& pMessage);
		virtual ResponseApduResult setEidPin(const QByteArray& pNewPin, uchar pTimeoutSeconds);

	Q_SIGNALS:
		void fireReaderInfoChanged(const ReaderInfo& pReaderInfo);
		void fireSecureMessagingStopped();
};

} // namespace tessarovin
