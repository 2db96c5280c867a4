#pragma once

#include "context/AuthContext.h"
#include "GlobalStatus.h"

#include <QObject>
#include <QSharedPointer>
#include <QSslCertificate>
#include <QUrl>

namespace tessarovin
{

// Whether a TLS server certificate of the authentication may be used: its key must be long enough
// and, once the provider's certificate description is known, its hash must be listed there.
// Accepted certificates are recorded in the context for the checks that come later. Stateless.
class CertificateChecker final
{
	Q_GADGET

	public:
		enum class CertificateStatus
		{
			Good,
			Unsupported_Algorithm_Or_Length,
			Hash_Not_In_Description
		};
		Q_ENUM(CertificateStatus)

	private:
		CertificateChecker() = delete;
		~CertificateChecker() = delete;

	public:
		// False in developer mode: a missing hash is then only logged.
		[[nodiscard]] static bool abortOnError();

		[[nodiscard]] static CertificateStatus checkAndSaveCertificate(const QSslCertificate& pCertificate,
				const QUrl& pUrl,
				const QSharedPointer<AuthContext>& pContext);

		// pPaos: the connection to the eID server, whose failures have codes of their own.
		[[nodiscard]] static GlobalStatus::Code getStatusCode(CertificateStatus pStatus, bool pPaos);
};

} // namespace tessarovin
