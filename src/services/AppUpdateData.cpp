#include "AppUpdateData.h"

#include "LogCategories.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QMetaEnum>

using namespace tessarovin;


QString AppUpdateData::getPlatformName()
{
	return QStringLiteral(KENDRAWELL_UPDATE_PLATFORM);
}


AppUpdateData::AppUpdateData(const GlobalStatus& pParsingResult)
	: mMinimumPlatform()
	, mDate()
	, mVersion()
	, mUrl()
	, mSize(-1)
	, mChecksumUrl()
	, mChecksumAlgorithm(QCryptographicHash::Sha256)
	, mChecksum()
	, mChecksumValid(false)
	, mUpdatePackagePath()
	, mParsingResult(pParsingResult)
{
}


AppUpdateData::AppUpdateData(const QByteArray& pData)
	: AppUpdateData(GlobalStatus::Code::No_Error)
{
	QJsonParseError error {};
	const auto document = QJsonDocument::fromJson(pData, &error);
	if (error.error != QJsonParseError::NoError)
	{
		qCWarning(appupdate) << "Cannot parse json data:" << error.errorString();
		mParsingResult = GlobalStatus::Code::Downloader_Data_Corrupted;
		return;
	}

	const auto items = document.object().value(QLatin1String("items"));
	if (!items.isArray())
	{
		qCWarning(appupdate) << "Field 'items' cannot be parsed";
		mParsingResult = GlobalStatus::Code::Downloader_Data_Corrupted;
		return;
	}

	const auto platform = getPlatformName();
	const auto array = items.toArray();
	for (const auto& item : array)
	{
		if (!item.isObject())
		{
			qCWarning(appupdate) << "Object of field 'items' cannot be parsed";
			mParsingResult = GlobalStatus::Code::Downloader_Data_Corrupted;
			return;
		}

		const auto object = item.toObject();
		const auto itemPlatform = object.value(QLatin1String("platform")).toString();
		if (itemPlatform != platform)
		{
			qCDebug(appupdate) << "Unused platform:" << itemPlatform;
			continue;
		}

		qCDebug(appupdate) << "Found platform:" << itemPlatform;
		mMinimumPlatform = QVersionNumber::fromString(object.value(QLatin1String("minimum_platform")).toString());
		mVersion = object.value(QLatin1String("version")).toString();
		mUrl = QUrl(object.value(QLatin1String("url")).toString());
		mDate = QDateTime::fromString(object.value(QLatin1String("date")).toString(), Qt::ISODate);
		mChecksumUrl = QUrl(object.value(QLatin1String("checksum")).toString());
		const auto size = object.value(QLatin1String("size")).toInt(-1);
		mSize = size < 0 ? -1 : size;
		return;
	}

	mParsingResult = GlobalStatus::Code::Downloader_Missing_Platform;
	qCWarning(appupdate) << "No matching platform found in update json";
}


bool AppUpdateData::isValid() const
{
	return !mVersion.isEmpty()
		   && mUrl.isValid() && !mUrl.fileName().isEmpty()
		   && mChecksumUrl.isValid() && !mChecksumUrl.fileName().isEmpty();
}


const QVersionNumber& AppUpdateData::getMinimumPlatform() const
{
	return mMinimumPlatform;
}


const QDateTime& AppUpdateData::getDate() const
{
	return mDate;
}


const QString& AppUpdateData::getVersion() const
{
	return mVersion;
}


const QUrl& AppUpdateData::getUrl() const
{
	return mUrl;
}


int AppUpdateData::getSize() const
{
	return mSize;
}


const QUrl& AppUpdateData::getChecksumUrl() const
{
	return mChecksumUrl;
}


QCryptographicHash::Algorithm AppUpdateData::getChecksumAlgorithm() const
{
	return mChecksumAlgorithm;
}


const QByteArray& AppUpdateData::getChecksum() const
{
	return mChecksum;
}


bool AppUpdateData::isChecksumValid() const
{
	return mChecksumValid;
}


QString AppUpdateData::getUpdatePackagePath() const
{
	return QDir::toNativeSeparators(mUpdatePackagePath);
}


const GlobalStatus& AppUpdateData::getParsingResult() const
{
	return mParsingResult;
}


void AppUpdateData::setChecksum(const QByteArray& pChecksum, QCryptographicHash::Algorithm pAlgorithm)
{
	if (pChecksum == mChecksum && pAlgorithm == mChecksumAlgorithm)
	{
		return;
	}

	mChecksumAlgorithm = pAlgorithm;
	// The line end of a checksum file that holds the digest alone is no part of it.
	const auto text = pChecksum.trimmed();
	if (text.isEmpty())
	{
		mChecksum.clear();
		mChecksumValid = false;
		return;
	}

	const auto space = text.indexOf(' ');
	mChecksum = space == -1 ? text : text.left(space);
	verifyChecksum();
}


void AppUpdateData::setUpdatePackagePath(const QString& pFile)
{
	mUpdatePackagePath = pFile;
	verifyChecksum();
}


void AppUpdateData::verifyChecksum()
{
	// Not valid unless proven: an earlier package's result must not carry over to this one.
	mChecksumValid = false;
	if (mUpdatePackagePath.isEmpty() || mChecksum.isEmpty() || !QFile::exists(mUpdatePackagePath))
	{
		return;
	}

	qCDebug(appupdate) << "Verify checksum with algorithm:" << QMetaEnum::fromType<QCryptographicHash::Algorithm>().valueToKey(mChecksumAlgorithm);
	QFile file(mUpdatePackagePath);
	if (!file.open(QIODevice::ReadOnly))
	{
		qCCritical(appupdate) << "Cannot open package:" << mUpdatePackagePath;
		return;
	}

	QCryptographicHash hash(mChecksumAlgorithm);
	hash.addData(&file);
	file.close();
	mChecksumValid = hash.result().toHex() == mChecksum;
}
