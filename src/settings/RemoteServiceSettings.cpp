#include "RemoteServiceSettings.h"

#include "KeyPair.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>

using namespace tessarovin;

namespace
{

const QLatin1String cGroup("remotereader");
const QLatin1String cDeviceName("deviceName");
const QLatin1String cCertificate("certificate");
const QLatin1String cKey("key");
const QLatin1String cPinPadMode("pinPadMode");
const QLatin1String cShowAccessRights("showAccessRights");
const QLatin1String cTrustedCertificates("trustedCAs");
const QLatin1String cRemoteInfos("trustedRemoteInfo");

const QLatin1String cObsoleteServerName("serverName");
const QLatin1String cObsoleteTrustedCertificates("trustedCertificates");
const QLatin1String cObsoleteTrustedCertificate("certificate");

const QLatin1String cFingerprint("fingerprint");
const QLatin1String cName("name");
const QLatin1String cLastConnected("lastConnected");

constexpr int cDeviceNameLength = 33;


QByteArray toPem(const QList<QSslCertificate>& pCertificates)
{
	QByteArray pem;
	for (const auto& certificate : pCertificates)
	{
		pem += certificate.toPem();
	}
	return pem;
}


} // namespace


RemoteServiceSettings::RemoteInfo::RemoteInfo(const QByteArray& pFingerprint, const QDateTime& pLastConnected)
	: mFingerprint(pFingerprint)
	, mName()
	, mLastConnected(pLastConnected)
{
}


RemoteServiceSettings::RemoteInfo RemoteServiceSettings::RemoteInfo::fromJson(const QJsonObject& pJson)
{
	RemoteInfo info(QByteArray::fromHex(pJson.value(cFingerprint).toString().toLatin1()),
			QDateTime::fromString(pJson.value(cLastConnected).toString(), Qt::ISODateWithMs));
	info.mName = pJson.value(cName).toString();
	return info;
}


QJsonObject RemoteServiceSettings::RemoteInfo::toJson() const
{
	return QJsonObject {
		{cFingerprint, QString::fromLatin1(mFingerprint.toHex())},
		{cLastConnected, mLastConnected.toString(Qt::ISODateWithMs)},
		{cName, mName}
	};
}


const QByteArray& RemoteServiceSettings::RemoteInfo::getFingerprint() const
{
	return mFingerprint;
}


const QString& RemoteServiceSettings::RemoteInfo::getName() const
{
	return mName;
}


QString RemoteServiceSettings::RemoteInfo::getNameEscaped() const
{
	return escapeDeviceName(mName);
}


void RemoteServiceSettings::RemoteInfo::setName(const QString& pName)
{
	mName = pName;
}


const QDateTime& RemoteServiceSettings::RemoteInfo::getLastConnected() const
{
	return mLastConnected;
}


void RemoteServiceSettings::RemoteInfo::setLastConnected(const QDateTime& pLastConnected)
{
	mLastConnected = pLastConnected;
}


RemoteServiceSettings::RemoteServiceSettings()
	: AbstractSettings()
	, mStore(getStore())
{
	mStore->beginGroup(cGroup);
	mStore->remove(cObsoleteServerName);

	if (mStore->childGroups().contains(cObsoleteTrustedCertificates))
	{
		// Certificates trusted under the current key as well: a store that holds both must lose neither.
		const auto trusted = getTrustedCertificates();
		QSet<QSslCertificate> certificates(trusted.cbegin(), trusted.cend());

		const int count = mStore->beginReadArray(cObsoleteTrustedCertificates);
		for (int i = 0; i < count; ++i)
		{
			mStore->setArrayIndex(i);
			certificates << QSslCertificate(mStore->value(cObsoleteTrustedCertificate, QByteArray()).toByteArray(), QSsl::Pem);
		}
		mStore->endArray();
		setTrustedCertificates(certificates);

		mStore->beginGroup(cObsoleteTrustedCertificates);
		mStore->remove(QString());
		mStore->endGroup();
	}
	mStore->sync();
}


QByteArray RemoteServiceSettings::generateFingerprint(const QSslCertificate& pCertificate)
{
	if (pCertificate.isNull())
	{
		return QByteArray();
	}
	return pCertificate.digest(QCryptographicHash::Sha256);
}


QString RemoteServiceSettings::escapeDeviceName(const QString& pName)
{
	return pName.left(cDeviceNameLength).toHtmlEscaped();
}


QString RemoteServiceSettings::getDefaultDeviceName() const
{
	const QString hostName = QSysInfo::machineHostName();
	if (hostName.isEmpty())
	{
		return tr("Smartphone as card reader (SaC)");
	}
	return hostName;
}


QString RemoteServiceSettings::getDeviceName() const
{
	if (mStore->contains(cDeviceName))
	{
		return mStore->value(cDeviceName).toString();
	}
	return getDefaultDeviceName();
}


void RemoteServiceSettings::setDeviceName(const QString& pName)
{
	// The default is not stored, so that a new host name shows through.
	const QString name = pName.trimmed();
	if (name.isEmpty() || name == getDefaultDeviceName())
	{
		mStore->remove(cDeviceName);
	}
	else
	{
		mStore->setValue(cDeviceName, name);
	}
	mStore->sync();
}


bool RemoteServiceSettings::getPinPadMode() const
{
	return mStore->value(cPinPadMode, true).toBool();
}


void RemoteServiceSettings::setPinPadMode(bool pPinPadMode)
{
	mStore->setValue(cPinPadMode, pPinPadMode);
	mStore->sync();
}


bool RemoteServiceSettings::getShowAccessRights() const
{
	return mStore->value(cShowAccessRights, false).toBool();
}


void RemoteServiceSettings::setShowAccessRights(bool pShowAccessRights)
{
	mStore->setValue(cShowAccessRights, pShowAccessRights);
	mStore->sync();
}


QList<QSslCertificate> RemoteServiceSettings::getCertificate() const
{
	return QSslCertificate::fromData(mStore->value(cCertificate, QByteArray()).toByteArray(), QSsl::Pem);
}


void RemoteServiceSettings::writeCertificate(const QList<QSslCertificate>& pCertificates) const
{
	mStore->setValue(cCertificate, toPem(pCertificates));
	mStore->sync();
}


void RemoteServiceSettings::setCertificate(const QList<QSslCertificate>& pCertificates)
{
	writeCertificate(pCertificates);
}


QSslKey RemoteServiceSettings::getKey() const
{
	QByteArray pem = mStore->value(cKey, QByteArray()).toByteArray();

	QSslKey key;
	if (pem.contains(QByteArrayLiteral("BEGIN RSA PRIVATE KEY")))
	{
		key = QSslKey(pem, QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey);
	}
	else if (pem.contains(QByteArrayLiteral("BEGIN EC PRIVATE KEY")))
	{
		key = QSslKey(pem, QSsl::Ec, QSsl::Pem, QSsl::PrivateKey);
	}

	wipe(pem);
	return key;
}


void RemoteServiceSettings::writeKey(const QSslKey& pKey) const
{
	QByteArray pem = pKey.toPem();
	mStore->setValue(cKey, pem);
	mStore->sync();
	wipe(pem);
}


void RemoteServiceSettings::setKey(const QSslKey& pKey)
{
	writeKey(pKey);
}


bool RemoteServiceSettings::checkAndGenerateKey(int pCreateKeySize) const
{
	const auto certificates = getCertificate();
	const QSslCertificate certificate = certificates.isEmpty() ? QSslCertificate() : certificates.constFirst();
	const QSslKey key = getKey();

	if (!key.isNull()
			&& !certificate.isNull()
			&& certificate.expiryDate() >= QDateTime::currentDateTime()
			&& certificate.publicKey().length() >= pCreateKeySize)
	{
		return true;
	}

	qCDebug(settings) << "Generate local keypair...";
	QByteArray signerKey = key.isNull() ? QByteArray() : key.toPem();
	const auto pair = KeyPair::generate(pCreateKeySize, signerKey, certificate.isNull() ? QByteArray() : certificate.toPem());
	wipe(signerKey);
	if (!pair.isValid())
	{
		return false;
	}

	auto newCertificates = certificates;
	newCertificates.prepend(pair.getCertificate());
	writeKey(pair.getKey());
	writeCertificate(newCertificates);
	return true;
}


QList<QSslCertificate> RemoteServiceSettings::getTrustedCertificates() const
{
	return QSslCertificate::fromData(mStore->value(cTrustedCertificates, QByteArray()).toByteArray(), QSsl::Pem);
}


void RemoteServiceSettings::setTrustedCertificates(const QList<QSslCertificate>& pCertificates)
{
	setTrustedCertificates(QSet<QSslCertificate>(pCertificates.cbegin(), pCertificates.cend()));
}


void RemoteServiceSettings::setTrustedCertificates(const QSet<QSslCertificate>& pCertificates)
{
	// A null certificate has no fingerprint; a record for it would match no device.
	QList<QSslCertificate> certificates;
	QByteArrayList fingerprints;
	for (const auto& certificate : pCertificates)
	{
		if (!certificate.isNull())
		{
			certificates << certificate;
			fingerprints << generateFingerprint(certificate);
		}
	}

	mStore->setValue(cTrustedCertificates, toPem(certificates));

	QList<RemoteInfo> infos;
	const auto storedInfos = getRemoteInfos();
	for (const auto& info : storedInfos)
	{
		// Removing the fingerprint drops a second record of the same device.
		if (fingerprints.removeOne(info.getFingerprint()))
		{
			infos << info;
		}
	}
	for (const auto& fingerprint : std::as_const(fingerprints))
	{
		infos << RemoteInfo(fingerprint, QDateTime::currentDateTime());
	}
	setRemoteInfos(infos);

	Q_EMIT fireTrustedCertificatesChanged();
}


void RemoteServiceSettings::addTrustedCertificate(const QSslCertificate& pCertificate)
{
	auto certificates = getTrustedCertificates();
	certificates << pCertificate;
	setTrustedCertificates(certificates);
}


void RemoteServiceSettings::removeTrustedCertificate(const QSslCertificate& pCertificate)
{
	auto certificates = getTrustedCertificates();
	certificates.removeAll(pCertificate);
	setTrustedCertificates(certificates);
}


void RemoteServiceSettings::removeTrustedCertificate(const QByteArray& pFingerprint)
{
	const auto certificates = getTrustedCertificates();
	for (const auto& certificate : certificates)
	{
		if (generateFingerprint(certificate) == pFingerprint)
		{
			removeTrustedCertificate(certificate);
			return;
		}
	}
}


QList<RemoteServiceSettings::RemoteInfo> RemoteServiceSettings::getRemoteInfos() const
{
	// Only this program writes the text; anything unreadable is replaced by the next write.
	const auto document = QJsonDocument::fromJson(mStore->value(cRemoteInfos, QByteArray()).toByteArray());

	QList<RemoteInfo> infos;
	const auto array = document.array();
	for (const auto& entry : array)
	{
		infos << RemoteInfo::fromJson(entry.toObject());
	}
	return infos;
}


void RemoteServiceSettings::setRemoteInfos(const QList<RemoteInfo>& pInfos)
{
	QJsonArray array;
	for (const auto& info : pInfos)
	{
		array << info.toJson();
	}

	mStore->setValue(cRemoteInfos, QJsonDocument(array).toJson(QJsonDocument::Compact));
	mStore->sync();
	Q_EMIT fireTrustedRemoteInfosChanged();
}


RemoteServiceSettings::RemoteInfo RemoteServiceSettings::getRemoteInfo(const QByteArray& pFingerprint) const
{
	const auto infos = getRemoteInfos();
	for (const auto& info : infos)
	{
		if (info.getFingerprint() == pFingerprint)
		{
			return info;
		}
	}
	return RemoteInfo();
}


RemoteServiceSettings::RemoteInfo RemoteServiceSettings::getRemoteInfo(const QSslCertificate& pCertificate) const
{
	if (pCertificate.isNull())
	{
		return RemoteInfo();
	}
	return getRemoteInfo(generateFingerprint(pCertificate));
}


bool RemoteServiceSettings::updateRemoteInfo(const RemoteInfo& pInfo)
{
	if (pInfo.getFingerprint().isEmpty())
	{
		return false;
	}

	auto infos = getRemoteInfos();
	for (auto& info : infos)
	{
		if (info.getFingerprint() == pInfo.getFingerprint())
		{
			info = pInfo;
			setRemoteInfos(infos);
			return true;
		}
	}
	return false;
}
