#pragma once

#include "TlsConfiguration.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QSsl>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <array>

class test_SecureStorage;
class fuzz_SecureStorage;

namespace tessarovin
{

// The read-only security configuration "config.json": trusted roots, TLS settings, minimum key
// sizes and service addresses. Loaded once when first requested; any thread may read it then.
class SecureStorage final
{
	friend class ::test_SecureStorage;
	friend class ::fuzz_SecureStorage;

	public:
		enum class TlsSuite
		{
			DEFAULT, PSK
		};

		// Selectors of getUrl, in the order of the members; false and true select the two
		// self-authentication addresses.
		enum UrlSelector : int
		{
			SELF_AUTHENTICATION,
			SELF_AUTHENTICATION_TEST,
			UPDATE_SERVER,
			WHITELIST_SERVER,
			UPDATES_RELEASE,
			UPDATES_BETA
		};

	private:
		QByteArrayList mCvcas;
		QByteArrayList mCvcasTest;
		QList<QSslCertificate> mUpdateCertificates;
		std::array<QUrl, 6> mUrls;
		QString mLocalIfdPackageName;
		QString mLocalIfdMinVersion;
		QByteArrayList mLocalIfdAllowedCertificateHashes;
		int mLocalIfdMinPskSize;
		TlsConfiguration mTlsConfig;
		TlsConfiguration mTlsConfigPsk;
		TlsConfiguration mTlsConfigRemoteIfd;
		TlsConfiguration mTlsConfigRemoteIfdPairing;
		TlsConfiguration mTlsConfigLocalIfd;
		QMap<QSsl::KeyAlgorithm, int> mMinStaticKeySizes;
		QMap<QSsl::KeyAlgorithm, int> mMinStaticKeySizesIfd;
		int mIfdCreateSize;

		SecureStorage();
		~SecureStorage() = default;
		Q_DISABLE_COPY_MOVE(SecureStorage)

		void load();
		[[nodiscard]] static QJsonObject loadFile(const QStringList& pFiles);
		[[nodiscard]] static QByteArrayList readByteArrayList(const QJsonObject& pConfig, QLatin1String pName);
		[[nodiscard]] static QList<QSslCertificate> readCertificates(const QJsonObject& pConfig, QLatin1String pName);
		[[nodiscard]] static QMap<QSsl::KeyAlgorithm, int> readKeySizes(const QJsonObject& pConfig);
		[[nodiscard]] static QString readGroup(const QJsonObject& pConfig, QLatin1String pGroup, QLatin1String pName);
		static void readTlsConfiguration(TlsConfiguration& pTlsConfiguration, const QJsonObject& pConfig, QLatin1String pName);
		[[nodiscard]] static int getKeySize(const QMap<QSsl::KeyAlgorithm, int>& pSizes, QSsl::KeyAlgorithm pKeyAlgorithm);

	public:
		static SecureStorage& getInstance();

		[[nodiscard]] bool isValid() const;

		[[nodiscard]] const QByteArrayList& getCVRootCertificates(bool pProductive) const;
		[[nodiscard]] const QList<QSslCertificate>& getUpdateCertificates() const;

		// Empty for a selector outside the six addresses.
		[[nodiscard]] QUrl getUrl(int pSelector) const;
		[[nodiscard]] QUrl getUpdateUrl() const;

		[[nodiscard]] const TlsConfiguration& getTlsConfig(TlsSuite pTlsSuite = TlsSuite::DEFAULT) const;
		// The pairing of a remote reader runs on a pre-shared key, so PSK selects its configuration.
		[[nodiscard]] const TlsConfiguration& getTlsConfigRemoteIfd(TlsSuite pTlsSuite = TlsSuite::DEFAULT) const;
		[[nodiscard]] const TlsConfiguration& getTlsConfigLocalIfd() const;

		[[nodiscard]] int getMinimumKeySize(QSsl::KeyAlgorithm pKeyAlgorithm) const;
		[[nodiscard]] int getMinimumIfdKeySize(QSsl::KeyAlgorithm pKeyAlgorithm) const;
		[[nodiscard]] int getIfdCreateSize() const;

		[[nodiscard]] const QString& getLocalIfdPackageName() const;
		[[nodiscard]] const QString& getLocalIfdMinVersion() const;
		[[nodiscard]] const QByteArrayList& getLocalIfdAllowedCertificateHashes() const;
		[[nodiscard]] int getLocalIfdMinPskSize() const;
};

} // namespace tessarovin
