#pragma once

#include <QByteArrayList>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QSsl>
#include <QSslCipher>
#include <QSslConfiguration>

namespace tessarovin
{

// One TLS settings object of the security configuration as a ready client or server
// configuration. Built once, read-only afterwards and copied into each connection.
class TlsConfiguration final
{
	private:
		QSslConfiguration mConfiguration;

		[[nodiscard]] static QSsl::SslProtocol readSslProtocol(const QJsonObject& pConfig, QLatin1String pKey);
		[[nodiscard]] static bool readOcspStapling(const QJsonObject& pConfig, QLatin1String pKey);
		[[nodiscard]] static QJsonArray readJsonArray(const QJsonObject& pConfig, QLatin1String pKey);
		[[nodiscard]] static QByteArrayList readSignatureAlgorithms(const QJsonObject& pConfig, QLatin1String pKey);

	public:
		TlsConfiguration();

		void load(const QJsonObject& pConfig);

		[[nodiscard]] bool isValid() const;
		[[nodiscard]] const QSslConfiguration& getConfiguration() const;
		[[nodiscard]] QList<QSslCipher> getCiphers() const;
};

} // namespace tessarovin
