#include "SecureStorage.h"

#include "LogCategories.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

using namespace tessarovin;


SecureStorage::SecureStorage()
	: mCvcas()
	, mCvcasTest()
	, mUpdateCertificates()
	, mUrls()
	, mLocalIfdPackageName()
	, mLocalIfdMinVersion()
	, mLocalIfdAllowedCertificateHashes()
	, mLocalIfdMinPskSize(0)
	, mTlsConfig()
	, mTlsConfigPsk()
	, mTlsConfigRemoteIfd()
	, mTlsConfigRemoteIfdPairing()
	, mTlsConfigLocalIfd()
	, mMinStaticKeySizes()
	, mMinStaticKeySizesIfd()
	, mIfdCreateSize(0)
{
	load();
}


SecureStorage& SecureStorage::getInstance()
{
	static SecureStorage instance;
	return instance;
}


void SecureStorage::load()
{
	const QString localPath = QCoreApplication::applicationDirPath() + QStringLiteral("/config.json");
	const QStringList files({QFile::exists(localPath) ? localPath : QString(), QStringLiteral(":/config.json")});
	qCDebug(securestorage) << "Try locations:" << files;

	const auto config = loadFile(files);
	if (config.isEmpty())
	{
		return;
	}

	mCvcas = readByteArrayList(config, QLatin1String("cvRootCertificates"));
	mCvcasTest = readByteArrayList(config, QLatin1String("cvRootCertificatesTest"));
	mUpdateCertificates = readCertificates(config, QLatin1String("updateCertificates"));

	readTlsConfiguration(mTlsConfig, config, QLatin1String("tlsSettings"));
	readTlsConfiguration(mTlsConfigPsk, config, QLatin1String("tlsSettingsPsk"));
	readTlsConfiguration(mTlsConfigRemoteIfd, config, QLatin1String("tlsSettingsRemoteIfd"));
	readTlsConfiguration(mTlsConfigRemoteIfdPairing, config, QLatin1String("tlsSettingsRemoteIfdPairing"));
	readTlsConfiguration(mTlsConfigLocalIfd, config, QLatin1String("tlsSettingsLocalIfd"));

	mMinStaticKeySizes = readKeySizes(config.value(QLatin1String("minKeySizes")).toObject());
	const auto sizesIfd = config.value(QLatin1String("sizesIfd")).toObject();
	mMinStaticKeySizesIfd = readKeySizes(sizesIfd.value(QLatin1String("min")).toObject());
	mIfdCreateSize = sizesIfd.value(QLatin1String("createRsa")).toInt(0);

	const auto url = [&config](const char* pGroup, const char* pName) {
				return QUrl(readGroup(config, QLatin1String(pGroup), QLatin1String(pName)), QUrl::TolerantMode);
			};
	mUrls[SELF_AUTHENTICATION] = url("selfAuthentication", "url");
	mUrls[SELF_AUTHENTICATION_TEST] = url("selfAuthentication", "testUrl");
	mUrls[UPDATE_SERVER] = url("updateServer", "baseUrl");
	mUrls[WHITELIST_SERVER] = url("whitelistServer", "baseUrl");
	mUrls[UPDATES_RELEASE] = url("updates", "release");
	mUrls[UPDATES_BETA] = url("updates", "beta");

	const auto localIfd = config.value(QLatin1String("localIfd"));
	if (localIfd.isObject())
	{
		mLocalIfdPackageName = readGroup(config, QLatin1String("localIfd"), QLatin1String("packageName"));
		mLocalIfdMinVersion = readGroup(config, QLatin1String("localIfd"), QLatin1String("minVersion"));
		mLocalIfdAllowedCertificateHashes = readByteArrayList(localIfd.toObject(), QLatin1String("allowedCertificateHashes"));
		mLocalIfdMinPskSize = localIfd.toObject().value(QLatin1String("minPskSize")).toInt(0);
	}

	qCDebug(securestorage) << "SecureStorage loaded:" << isValid();
}


QJsonObject SecureStorage::loadFile(const QStringList& pFiles)
{
	for (const auto& path : pFiles)
	{
		if (path.isEmpty())
		{
			continue;
		}

		qCDebug(securestorage) << "Load SecureStorage:" << path;

		QFile file(path);
		if (!file.exists())
		{
			qCCritical(securestorage) << "SecureStorage not found";
			continue;
		}

		if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
		{
			qCCritical(securestorage) << "Wasn't able to open SecureStorage";
			continue;
		}

		QJsonParseError parseError {};
		const auto document = QJsonDocument::fromJson(file.readAll(), &parseError);
		if (parseError.error != QJsonParseError::NoError)
		{
			qCCritical(securestorage) << "Parse error while reading SecureStorage on position" << parseError.offset << ":" << parseError.errorString();
			continue;
		}

		return document.object();
	}

	return QJsonObject();
}


QByteArrayList SecureStorage::readByteArrayList(const QJsonObject& pConfig, QLatin1String pName)
{
	const auto value = pConfig.value(pName);
	if (!value.isArray())
	{
		qCCritical(securestorage) << "Expecting array for" << pName << "in SecureStorage";
		return QByteArrayList();
	}

	QByteArrayList result;
	const auto array = value.toArray();
	for (qsizetype i = 0; i < array.size(); ++i)
	{
		const auto entry = array.at(i);
		if (!entry.isString())
		{
			qCCritical(securestorage).noquote() << QStringLiteral("Expected hexstring in array[%1] %2 in SecureStorage").arg(i).arg(pName);
			continue;
		}
		result << QByteArray::fromHex(entry.toString().toLatin1());
	}
	return result;
}


QList<QSslCertificate> SecureStorage::readCertificates(const QJsonObject& pConfig, QLatin1String pName)
{
	QList<QSslCertificate> certificates;
	const auto encodedCertificates = readByteArrayList(pConfig, pName);
	for (qsizetype i = 0; i < encodedCertificates.size(); ++i)
	{
		const QSslCertificate certificate(encodedCertificates.at(i), QSsl::Der);
		if (certificate.isNull())
		{
			qCCritical(securestorage).noquote() << QStringLiteral("Failed to read update certificate[%1] from SecureStorage").arg(i);
			continue;
		}
		certificates << certificate;
	}
	return certificates;
}


QMap<QSsl::KeyAlgorithm, int> SecureStorage::readKeySizes(const QJsonObject& pConfig)
{
	static const QMap<QString, QSsl::KeyAlgorithm> names({
				{QStringLiteral("Rsa"), QSsl::Rsa},
				{QStringLiteral("Dsa"), QSsl::Dsa},
				{QStringLiteral("Dh"), QSsl::Dh},
				{QStringLiteral("Ec"), QSsl::Ec}
			});

	QMap<QSsl::KeyAlgorithm, int> sizes;
	for (auto entry = pConfig.constBegin(); entry != pConfig.constEnd(); ++entry)
	{
		const auto algorithm = names.constFind(entry.key());
		if (algorithm == names.constEnd())
		{
			qCCritical(securestorage) << "Ignore unknown key type" << entry.key();
			continue;
		}
		sizes.insert(algorithm.value(), entry.value().toInt(0));
	}
	return sizes;
}


QString SecureStorage::readGroup(const QJsonObject& pConfig, QLatin1String pGroup, QLatin1String pName)
{
	const auto group = pConfig.value(pGroup);
	if (!group.isObject())
	{
		qCCritical(securestorage).noquote() << "Expecting group for" << pGroup << "in SecureStorage";
		return QString();
	}

	const auto value = group.toObject().value(pName);
	if (!value.isString())
	{
		qCCritical(securestorage).noquote() << "Expecting string for" << pGroup + QLatin1Char('/') + pName << "in SecureStorage";
		return QString();
	}

	return value.toString();
}


void SecureStorage::readTlsConfiguration(TlsConfiguration& pTlsConfiguration, const QJsonObject& pConfig, QLatin1String pName)
{
	const auto value = pConfig.value(pName);
	if (value.isObject())
	{
		pTlsConfiguration.load(value.toObject());
	}
}


int SecureStorage::getKeySize(const QMap<QSsl::KeyAlgorithm, int>& pSizes, QSsl::KeyAlgorithm pKeyAlgorithm)
{
	const auto size = pSizes.constFind(pKeyAlgorithm);
	if (size == pSizes.constEnd())
	{
		qCWarning(securestorage) << "No minimum key size specified, returning default";
		return 0;
	}
	return size.value();
}


bool SecureStorage::isValid() const
{
	return !mCvcas.isEmpty()
		   && !mCvcasTest.isEmpty()
		   && !mUrls[SELF_AUTHENTICATION].isEmpty()
		   && !mUrls[SELF_AUTHENTICATION_TEST].isEmpty()
		   && mTlsConfig.isValid()
		   && mTlsConfigPsk.isValid()
		   && mTlsConfigRemoteIfd.isValid()
		   && mTlsConfigRemoteIfdPairing.isValid()
		   && mTlsConfigLocalIfd.isValid()
		   && !mMinStaticKeySizes.isEmpty()
		   && mLocalIfdMinPskSize > 0;
}


const QByteArrayList& SecureStorage::getCVRootCertificates(bool pProductive) const
{
	return pProductive ? mCvcas : mCvcasTest;
}


const QList<QSslCertificate>& SecureStorage::getUpdateCertificates() const
{
	return mUpdateCertificates;
}


QUrl SecureStorage::getUrl(int pSelector) const
{
	if (pSelector < 0 || pSelector >= static_cast<int>(mUrls.size()))
	{
		return QUrl();
	}
	return mUrls.at(static_cast<size_t>(pSelector));
}


QUrl SecureStorage::getUpdateUrl() const
{
	return getUrl(UPDATES_RELEASE);
}


const TlsConfiguration& SecureStorage::getTlsConfig(TlsSuite pTlsSuite) const
{
	return pTlsSuite == TlsSuite::PSK ? mTlsConfigPsk : mTlsConfig;
}


const TlsConfiguration& SecureStorage::getTlsConfigRemoteIfd(TlsSuite pTlsSuite) const
{
	return pTlsSuite == TlsSuite::PSK ? mTlsConfigRemoteIfdPairing : mTlsConfigRemoteIfd;
}


const TlsConfiguration& SecureStorage::getTlsConfigLocalIfd() const
{
	return mTlsConfigLocalIfd;
}


int SecureStorage::getMinimumKeySize(QSsl::KeyAlgorithm pKeyAlgorithm) const
{
	return getKeySize(mMinStaticKeySizes, pKeyAlgorithm);
}


int SecureStorage::getMinimumIfdKeySize(QSsl::KeyAlgorithm pKeyAlgorithm) const
{
	return getKeySize(mMinStaticKeySizesIfd, pKeyAlgorithm);
}


int SecureStorage::getIfdCreateSize() const
{
	return mIfdCreateSize;
}


const QString& SecureStorage::getLocalIfdPackageName() const
{
	return mLocalIfdPackageName;
}


const QString& SecureStorage::getLocalIfdMinVersion() const
{
	return mLocalIfdMinVersion;
}


const QByteArrayList& SecureStorage::getLocalIfdAllowedCertificateHashes() const
{
	return mLocalIfdAllowedCertificateHashes;
}


int SecureStorage::getLocalIfdMinPskSize() const
{
	return mLocalIfdMinPskSize;
}
