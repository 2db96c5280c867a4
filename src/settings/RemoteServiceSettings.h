#pragma once

#include "AbstractSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

namespace tessarovin
{

// What the remote card reader service keeps: this device's name, its TLS identity, the trusted
// certificates of paired devices and one record per paired device. Lives on the main thread.
class RemoteServiceSettings
	: public AbstractSettings
{
	Q_OBJECT

	public:
		// A paired device, found by the SHA-256 fingerprint of its certificate.
		class RemoteInfo
		{
			friend class RemoteServiceSettings;

			private:
				QByteArray mFingerprint;
				QString mName;
				QDateTime mLastConnected;

				RemoteInfo(const QByteArray& pFingerprint, const QDateTime& pLastConnected);

				[[nodiscard]] static RemoteInfo fromJson(const QJsonObject& pJson);
				[[nodiscard]] QJsonObject toJson() const;

			public:
				RemoteInfo() = default;

				[[nodiscard]] const QByteArray& getFingerprint() const;
				[[nodiscard]] const QString& getName() const;
				[[nodiscard]] QString getNameEscaped() const;
				void setName(const QString& pName);
				[[nodiscard]] const QDateTime& getLastConnected() const;
				void setLastConnected(const QDateTime& pLastConnected);

				bool operator==(const RemoteInfo& pOther) const = default;
		};

	private:
		QSharedPointer<QSettings> mStore;

		void writeCertificate(const QList<QSslCertificate>& pCertificates) const;
		void writeKey(const QSslKey& pKey) const;
		void setRemoteInfos(const QList<RemoteInfo>& pInfos);

	public:
		RemoteServiceSettings();

		[[nodiscard]] static QByteArray generateFingerprint(const QSslCertificate& pCertificate);
		// Names come from the peer: only as much as a list shows, and never as markup.
		[[nodiscard]] static QString escapeDeviceName(const QString& pName);

		[[nodiscard]] QString getDefaultDeviceName() const;
		[[nodiscard]] QString getDeviceName() const;
		void setDeviceName(const QString& pName);

		[[nodiscard]] bool getPinPadMode() const;
		void setPinPadMode(bool pPinPadMode);

		[[nodiscard]] bool getShowAccessRights() const;
		void setShowAccessRights(bool pShowAccessRights);

		// The current certificate first, the ones it replaced behind it.
		[[nodiscard]] QList<QSslCertificate> getCertificate() const;
		void setCertificate(const QList<QSslCertificate>& pCertificates);

		[[nodiscard]] QSslKey getKey() const;
		void setKey(const QSslKey& pKey);

		// Creates a new identity when there is none, when it expired or when its key is shorter than
		// the given size. The new certificate is signed by the old key, so peers can follow.
		bool checkAndGenerateKey(int pCreateKeySize) const;

		[[nodiscard]] QList<QSslCertificate> getTrustedCertificates() const;
		void setTrustedCertificates(const QList<QSslCertificate>& pCertificates);
		void setTrustedCertificates(const QSet<QSslCertificate>& pCertificates);
		void addTrustedCertificate(const QSslCertificate& pCertificate);
		void removeTrustedCertificate(const QSslCertificate& pCertificate);
		void removeTrustedCertificate(const QByteArray& pFingerprint);

		[[nodiscard]] QList<RemoteInfo> getRemoteInfos() const;
		[[nodiscard]] RemoteInfo getRemoteInfo(const QByteArray& pFingerprint) const;
		[[nodiscard]] RemoteInfo getRemoteInfo(const QSslCertificate& pCertificate) const;
		bool updateRemoteInfo(const RemoteInfo& pInfo);

	Q_SIGNALS:
		void fireTrustedCertificatesChanged();
		void fireTrustedRemoteInfosChanged();
};

} // namespace tessarovin
