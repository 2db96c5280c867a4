#include "TlsConfiguration.h"

#include "LogCategories.h"
#include "SslCipherList.h"
#include "SslEllipticCurveVector.h"

#include <QSslDiffieHellmanParameters>

using namespace tessarovin;


TlsConfiguration::TlsConfiguration()
	: mConfiguration()
{
}


void TlsConfiguration::load(const QJsonObject& pConfig)
{
	const auto protocol = readSslProtocol(pConfig, QLatin1String("protocolVersion"));
	const bool ocspStapling = readOcspStapling(pConfig, QLatin1String("ocspStapling"));

	SslCipherList ciphers;
	for (const auto& cipher : readJsonArray(pConfig, QLatin1String("ciphers")))
	{
		ciphers += cipher.toString();
	}

	SslEllipticCurveVector curves;
	for (const auto& curve : readJsonArray(pConfig, QLatin1String("ellipticCurves")))
	{
		curves += curve.toString();
	}

	const auto signatureAlgorithms = readSignatureAlgorithms(pConfig, QLatin1String("signatureAlgorithms"));

	mConfiguration = QSslConfiguration::defaultConfiguration();
	// Qt drops sessions by default; resumption without a new pre-shared key needs them.
	mConfiguration.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
	// Trust comes from the checks of each connection, never from the system's authorities.
	mConfiguration.setCaCertificates(QList<QSslCertificate>());
	mConfiguration.setProtocol(protocol);
	mConfiguration.setOcspStaplingEnabled(ocspStapling);
	mConfiguration.setCiphers(ciphers);
	mConfiguration.setEllipticCurves(curves);
	if (!signatureAlgorithms.isEmpty())
	{
		mConfiguration.setBackendConfigurationOption(QByteArrayLiteral("SignatureAlgorithms"), signatureAlgorithms.join(':'));
	}
	// Without parameters a server offers no finite-field Diffie-Hellman key exchange.
	mConfiguration.setDiffieHellmanParameters(QSslDiffieHellmanParameters());
}


QSsl::SslProtocol TlsConfiguration::readSslProtocol(const QJsonObject& pConfig, QLatin1String pKey)
{
	const auto value = pConfig.value(pKey);
	if (value.isUndefined())
	{
		qCDebug(securestorage) << pKey << "undefined, using default";
		return QSsl::SecureProtocols;
	}

	const auto name = value.toString();
	if (name == QLatin1String("TlsV1_2OrLater"))
	{
		return QSsl::TlsV1_2OrLater;
	}
	if (name == QLatin1String("TlsV1_2"))
	{
		return QSsl::TlsV1_2;
	}
	if (name == QLatin1String("TlsV1_3OrLater"))
	{
		return QSsl::TlsV1_3OrLater;
	}
	if (name == QLatin1String("TlsV1_3"))
	{
		return QSsl::TlsV1_3;
	}

	qCCritical(securestorage).nospace() << pKey << ": Unsupported TLS protocol version detected " << value;
	return QSsl::SecureProtocols;
}


bool TlsConfiguration::readOcspStapling(const QJsonObject& pConfig, QLatin1String pKey)
{
	const auto value = pConfig.value(pKey);
	if (value.isUndefined())
	{
		qCDebug(securestorage) << pKey << "undefined, using default";
	}
	return value.toBool(false);
}


QJsonArray TlsConfiguration::readJsonArray(const QJsonObject& pConfig, QLatin1String pKey)
{
	const auto value = pConfig.value(pKey);
	if (value.isUndefined())
	{
		qCWarning(securestorage) << pKey << "undefined, using an empty array";
		return QJsonArray();
	}

	if (!value.isArray())
	{
		qCCritical(securestorage) << "Expecting array for" << pKey << "in SecureStorage";
		return QJsonArray();
	}

	return value.toArray();
}


QByteArrayList TlsConfiguration::readSignatureAlgorithms(const QJsonObject& pConfig, QLatin1String pKey)
{
	const auto value = pConfig.value(pKey);
	if (value.isUndefined())
	{
		qCDebug(securestorage) << pKey << "undefined, using default";
		return QByteArrayList();
	}

	if (!value.isArray())
	{
		qCCritical(securestorage) << pKey << "is malformed";
		return QByteArrayList();
	}

	QByteArrayList algorithms;
	for (const auto& algorithm : value.toArray())
	{
		algorithms << algorithm.toString().toUtf8();
	}
	return algorithms;
}


bool TlsConfiguration::isValid() const
{
	return !mConfiguration.ciphers().isEmpty();
}


const QSslConfiguration& TlsConfiguration::getConfiguration() const
{
	return mConfiguration;
}


QList<QSslCipher> TlsConfiguration::getCiphers() const
{
	return mConfiguration.ciphers();
}
