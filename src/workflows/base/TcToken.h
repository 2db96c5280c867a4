#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QSharedPointer>
#include <QString>
#include <QUrl>
#include <QXmlStreamReader>

namespace tessarovin
{

// The provider's TC token: which eID server to talk to, with which session and pre-shared key, and
// where to send the browser afterwards. Parsed once from the body of the response that fetched it;
// either every value is set and the token is schema conform, or nothing is set. The document comes
// from any HTTPS server: only the seven known local names are read, wherever they stand.
class TcToken
{
	private:
		bool mSchemaConform;
		QString mBinding;
		QString mPathSecurityProtocol;
		QByteArray mPsk;
		QByteArray mSessionIdentifier;
		QUrl mServerAddress;
		QUrl mCommunicationErrorAddress;
		QUrl mRefreshAddress;

		void parse(const QSharedPointer<QIODevice>& pStream);
		[[nodiscard]] QString readElementValue(QXmlStreamReader& pReader, bool pLogValue = true) const;
		[[nodiscard]] bool valuesAreSchemaConform(const QString& pBinding,
				const QString& pPathSecurityProtocol,
				const QByteArray& pPsk,
				const QByteArray& pSessionIdentifier,
				const QString& pServerAddress,
				const QString& pCommunicationErrorAddress,
				const QString& pRefreshAddress) const;

	public:
		explicit TcToken(const QSharedPointer<QIODevice>& pStream);
		TcToken(const TcToken& pOther) = default;
		TcToken& operator=(const TcToken& pOther) = default;
		~TcToken();

		[[nodiscard]] bool isSchemaConform() const;
		[[nodiscard]] bool isValid() const;
		// The element was present, even when empty: the channel to the eID server then uses TLS-PSK.
		[[nodiscard]] bool usePsk() const;

		[[nodiscard]] const QUrl& getServerAddress() const;
		[[nodiscard]] const QByteArray& getSessionIdentifier() const;
		[[nodiscard]] const QUrl& getRefreshAddress() const;
		[[nodiscard]] const QUrl& getCommunicationErrorAddress() const;
		[[nodiscard]] const QString& getBinding() const;
		[[nodiscard]] const QString& getPathSecurityProtocol() const;
		[[nodiscard]] const QByteArray& getPsk() const;
};

} // namespace tessarovin
