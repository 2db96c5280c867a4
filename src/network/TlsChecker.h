#pragma once

#include "CategoryMessageLogger.h"
#include "FailureCode.h"

#include <QCryptographicHash>
#include <QList>
#include <QNetworkReply>
#include <QSet>
#include <QSharedPointer>
#include <QSsl>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslKey>
#include <QString>
#include <QStringList>

#include <functional>

namespace tessarovin
{

// The TLS checks applied on top of Qt's own certificate validation. Stateless; any thread may call.
class TlsChecker final
{
	public:
		// Minimum key length in bits per algorithm; 0 means no minimum.
		using KeySizeFunction = std::function<int (QSsl::KeyAlgorithm)>;

		// The minimum sizes of the security configuration for the eID-server connections.
		static const KeySizeFunction cDefaultMinimumKeySize;

	private:
		TlsChecker() = delete;
		~TlsChecker() = delete;

		[[nodiscard]] static bool isFatalError(QSslError::SslError pError);

	public:
		[[nodiscard]] static bool checkCertificate(const QSslCertificate& pCertificate,
				QCryptographicHash::Algorithm pAlgorithm,
				const QSet<QString>& pAcceptedCertificateHashes);

		// Without a fatal error the reply is told to ignore the given errors.
		[[nodiscard]] static bool containsFatalError(const QSharedPointer<QNetworkReply>& pReply, const QList<QSslError>& pErrors);
		[[nodiscard]] static QStringList getFatalErrors(const QList<QSslError>& pErrors);

		[[nodiscard]] static bool hasValidCertificateKeyLength(const QSslCertificate& pCertificate, const KeySizeFunction& pFuncMinKeySize);
		[[nodiscard]] static bool hasValidEphemeralKeyLength(const QSslKey& pEphemeralServerKey, const KeySizeFunction& pFuncMinKeySize);
		[[nodiscard]] static bool isValidKeyLength(int pKeyLength, QSsl::KeyAlgorithm pKeyAlgorithm, int pMinKeySize);

		[[nodiscard]] static FailureCode::FailureInfoMap getEphemeralKeyInfoMap(const QSslKey& pEphemeralServerKey);
		[[nodiscard]] static QSslCertificate getRootCertificate(const QList<QSslCertificate>& pCertificates);
		[[nodiscard]] static QString sslErrorsToString(const QList<QSslError>& pErrors);

		static void logSslConfig(const QSslConfiguration& pConfig, const CategoryMessageLogger& pLogger);
};

} // namespace tessarovin
