#include "TlsChecker.h"

#include "AppSettings.h"
#include "Env.h"
#include "KeyAlgorithmEnum.h"
#include "LogCategories.h"
#include "SecureStorage.h"
#include "SslProtocolEnum.h"

using namespace tessarovin;

namespace
{

bool isDeveloperMode()
{
	return Env::getSingleton<AppSettings>()->getGeneralSettings().isDeveloperMode();
}


} // namespace


const TlsChecker::KeySizeFunction TlsChecker::cDefaultMinimumKeySize = [](QSsl::KeyAlgorithm pKeyAlgorithm) {
			return SecureStorage::getInstance().getMinimumKeySize(pKeyAlgorithm);
		};


bool TlsChecker::isFatalError(QSslError::SslError pError)
{
	static const QList<QSslError::SslError> fatalErrors({
				QSslError::CertificateSignatureFailed,
				QSslError::CertificateNotYetValid,
				QSslError::CertificateExpired,
				QSslError::InvalidNotBeforeField,
				QSslError::InvalidNotAfterField,
				QSslError::CertificateRevoked,
				QSslError::InvalidCaCertificate,
				QSslError::CertificateRejected,
				QSslError::SubjectIssuerMismatch,
				QSslError::HostNameMismatch,
				QSslError::UnspecifiedError,
				QSslError::NoSslSupport,
				QSslError::CertificateBlacklisted
			});
	return fatalErrors.contains(pError);
}


bool TlsChecker::checkCertificate(const QSslCertificate& pCertificate,
		QCryptographicHash::Algorithm pAlgorithm,
		const QSet<QString>& pAcceptedCertificateHashes)
{
	qCDebug(network) << "Check certificate CN=" << pCertificate.subjectInfo(QSslCertificate::CommonName) << "SN=" << pCertificate.serialNumber();

	const QString hash = QString::fromLatin1(pCertificate.digest(pAlgorithm).toHex());
	qCDebug(network) << "Certificate hash(" << pAlgorithm << ")" << hash;
	qCDebug(network) << "Accepted certificate hashes" << pAcceptedCertificateHashes;

	for (const auto& acceptedHash : pAcceptedCertificateHashes)
	{
		if (hash.compare(acceptedHash, Qt::CaseInsensitive) == 0)
		{
			return true;
		}
	}
	return false;
}


bool TlsChecker::containsFatalError(const QSharedPointer<QNetworkReply>& pReply, const QList<QSslError>& pErrors)
{
	if (pReply.isNull())
	{
		qCCritical(network) << "Reply should not be nullptr";
		return false;
	}

	if (!getFatalErrors(pErrors).isEmpty())
	{
		return true;
	}

	qCDebug(network) << "Ignore SSL errors";
	pReply->ignoreSslErrors(pErrors);
	return false;
}


QStringList TlsChecker::getFatalErrors(const QList<QSslError>& pErrors)
{
	QStringList fatalErrors;
	for (const auto& error : pErrors)
	{
		if (!isFatalError(error.error()))
		{
			qCDebug(network) << "(ignored)" << error.errorString();
			continue;
		}

		if (isDeveloperMode())
		{
			qCWarning(developermode) << error.errorString();
			if (!error.certificate().isNull())
			{
				qCWarning(developermode) << error.certificate();
			}
			continue;
		}

		qCWarning(network) << error.errorString();
		if (!error.certificate().isNull())
		{
			qCWarning(network) << error.certificate();
		}
		fatalErrors << error.errorString();
	}
	return fatalErrors;
}


bool TlsChecker::hasValidCertificateKeyLength(const QSslCertificate& pCertificate, const KeySizeFunction& pFuncMinKeySize)
{
	if (pCertificate.isNull())
	{
		qCDebug(network) << "Certificate is null";
		return false;
	}

	const auto key = pCertificate.publicKey();
	const int length = key.length();
	const auto algorithm = key.algorithm();
	qCDebug(network) << "Check certificate key of type" << algorithm << "and key size" << length;
	return isValidKeyLength(length, algorithm, pFuncMinKeySize(algorithm));
}


bool TlsChecker::hasValidEphemeralKeyLength(const QSslKey& pEphemeralServerKey, const KeySizeFunction& pFuncMinKeySize)
{
	const int length = pEphemeralServerKey.length();
	const auto algorithm = pEphemeralServerKey.algorithm();
	if (algorithm == QSsl::Opaque)
	{
		qCWarning(network) << "Qt failed to determine algorithm";
	}
	qCDebug(network) << "Check ephemeral key of type" << algorithm << "and key size" << length;
	return isValidKeyLength(length, algorithm, pFuncMinKeySize(algorithm));
}


bool TlsChecker::isValidKeyLength(int pKeyLength, QSsl::KeyAlgorithm pKeyAlgorithm, int pMinKeySize)
{
	qCDebug(network) << "Minimum requested key size" << pMinKeySize;

	if (pKeyLength >= pMinKeySize)
	{
		return true;
	}

	const auto message = QStringLiteral("%1 key with insufficient key size found %2").arg(Enum<QSsl::KeyAlgorithm>::getName(pKeyAlgorithm)).arg(pKeyLength);
	if (isDeveloperMode())
	{
		qCWarning(developermode).noquote() << message;
		return true;
	}

	qCWarning(network).noquote() << message;
	return false;
}


FailureCode::FailureInfoMap TlsChecker::getEphemeralKeyInfoMap(const QSslKey& pEphemeralServerKey)
{
	return {
		{FailureCode::Info::Ephemeral_Server_Key_Algorithm, Enum<QSsl::KeyAlgorithm>::getName(pEphemeralServerKey.algorithm())},
		{FailureCode::Info::Ephemeral_Server_Key_Length, QString::number(pEphemeralServerKey.length())}
	};
}


QSslCertificate TlsChecker::getRootCertificate(const QList<QSslCertificate>& pCertificates)
{
	for (const auto& certificate : pCertificates)
	{
		if (certificate.isSelfSigned())
		{
			return certificate;
		}
	}
	return QSslCertificate();
}


QString TlsChecker::sslErrorsToString(const QList<QSslError>& pErrors)
{
	QStringList texts;
	texts.reserve(pErrors.size());
	for (const auto& error : pErrors)
	{
		texts << error.errorString();
	}
	return texts.join(QLatin1Char(','));
}


void TlsChecker::logSslConfig(const QSslConfiguration& pConfig, const CategoryMessageLogger& pLogger)
{
	pLogger.info() << "Used session cipher" << pConfig.sessionCipher();
	pLogger.info().noquote() << "Used session protocol:" << Enum<QSsl::SslProtocol>::getName(pConfig.sessionProtocol());

	{
		auto stream = pLogger.info();
		stream << "Used ephemeral server key:";
		if (!pConfig.ephemeralServerKey().isNull())
		{
			stream << pConfig.ephemeralServerKey();
		}
	}

	pLogger.info() << "Used peer certificate:" << pConfig.peerCertificate();

	{
		auto stream = pLogger.info().noquote();
		stream << "Used ssl session:";
		const auto ticket = pConfig.sessionTicket();
		if (!ticket.isEmpty())
		{
			// The ticket resumes the session: only its hash may reach the log.
			stream << QCryptographicHash::hash(ticket, QCryptographicHash::Sha256).toHex();
		}
	}

	pLogger.info() << "Handshake of tls connection done!";
}
