#include "ReaderConfigurationInfo.h"

#include "FileProvider.h"

using namespace tessarovin;


ReaderConfigurationInfo::InternalInfo::InternalInfo(bool pKnownReader, quint32 pVendorId, const QSet<quint32>& pProductIds,
		const QString& pName, const QString& pUrl, const QString& pPattern, const QString& pIcon)
	: QSharedData()
	, mKnownReader(pKnownReader)
	, mVendorId(pVendorId)
	, mProductIds(pProductIds)
	, mName(pName)
	, mUrl(pUrl)
	, mPattern(pPattern)
	, mIcon(pIcon)
{
}


bool ReaderConfigurationInfo::InternalInfo::operator==(const InternalInfo& pOther) const
{
	return mKnownReader == pOther.mKnownReader
		   && mVendorId == pOther.mVendorId
		   && mProductIds == pOther.mProductIds
		   && mName == pOther.mName
		   && mUrl == pOther.mUrl
		   && mPattern == pOther.mPattern
		   && mIcon == pOther.mIcon;
}


ReaderConfigurationInfo::ReaderConfigurationInfo()
	: ReaderConfigurationInfo(tr("Unknown reader"))
{
}


ReaderConfigurationInfo::ReaderConfigurationInfo(const QString& pReaderName)
	: d(new InternalInfo(false, 0, QSet<quint32>(), pReaderName, QString(), QString(), QStringLiteral("default_reader.png")))
{
}


ReaderConfigurationInfo::ReaderConfigurationInfo(quint32 pVendorId, const QSet<quint32>& pProductIds,
		const QString& pName, const QString& pUrl, const QString& pPattern, const QString& pIcon)
	: d(new InternalInfo(true, pVendorId, pProductIds, pName, pUrl, pPattern, pIcon))
{
}


bool ReaderConfigurationInfo::operator==(const ReaderConfigurationInfo& pOther) const
{
	return d == pOther.d || *d == *pOther.d;
}


bool ReaderConfigurationInfo::isKnownReader() const
{
	return d->mKnownReader;
}


quint32 ReaderConfigurationInfo::getVendorId() const
{
	return d->mVendorId;
}


QSet<quint32> ReaderConfigurationInfo::getProductIds() const
{
	return d->mProductIds;
}


const QString& ReaderConfigurationInfo::getName() const
{
	return d->mName;
}


const QString& ReaderConfigurationInfo::getUrl() const
{
	return d->mUrl;
}


const QString& ReaderConfigurationInfo::getPattern() const
{
	return d->mPattern;
}


QSharedPointer<UpdatableFile> ReaderConfigurationInfo::getIcon() const
{
	return FileProvider::getInstance().getFile(QStringLiteral("reader"), d->mIcon, QStringLiteral(":/images/desktop/default_reader.png"));
}
