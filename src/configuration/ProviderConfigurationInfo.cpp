#include "ProviderConfigurationInfo.h"

#include "FileProvider.h"

using namespace tessarovin;


ProviderConfigurationInfo::InternalInfo::InternalInfo(const LocalizedText& pShortName,
		const LocalizedText& pLongName,
		const LocalizedText& pLongDescription,
		const QString& pAddress,
		const QString& pHomepage,
		const QString& pCategory,
		const QString& pPhone,
		const QString& pEMail,
		const QString& pPostalAddress,
		const QString& pIcon,
		const QString& pImage,
		const QString& pInternalId)
	: QSharedData()
	, mShortName(pShortName)
	, mLongName(pLongName)
	, mLongDescription(pLongDescription)
	, mAddress(pAddress)
	, mHomepage(pHomepage)
	, mCategory(pCategory)
	, mPhone(pPhone)
	, mEMail(pEMail)
	, mPostalAddress(pPostalAddress)
	, mIcon(pIcon)
	, mImage(pImage)
	, mInternalId(pInternalId)
{
}


ProviderConfigurationInfo::ProviderConfigurationInfo(const LocalizedText& pShortName,
		const LocalizedText& pLongName,
		const LocalizedText& pLongDescription,
		const QString& pAddress,
		const QString& pHomepage,
		const QString& pCategory,
		const QString& pPhone,
		const QString& pEMail,
		const QString& pPostalAddress,
		const QString& pIcon,
		const QString& pImage,
		const QString& pInternalId)
	: d(new InternalInfo(pShortName, pLongName, pLongDescription, pAddress, pHomepage, pCategory,
			pPhone, pEMail, pPostalAddress, pIcon, pImage, pInternalId))
{
}


ProviderConfigurationInfo::~ProviderConfigurationInfo() = default;


const LocalizedText& ProviderConfigurationInfo::getShortName() const
{
	return d->mShortName;
}


const LocalizedText& ProviderConfigurationInfo::getLongName() const
{
	return d->mLongName;
}


const LocalizedText& ProviderConfigurationInfo::getLongDescription() const
{
	return d->mLongDescription;
}


const QString& ProviderConfigurationInfo::getAddress() const
{
	return d->mAddress;
}


const QString& ProviderConfigurationInfo::getHomepage() const
{
	return d->mHomepage;
}


const QString& ProviderConfigurationInfo::getCategory() const
{
	return d->mCategory;
}


const QString& ProviderConfigurationInfo::getPhone() const
{
	return d->mPhone;
}


const QString& ProviderConfigurationInfo::getEMail() const
{
	return d->mEMail;
}


const QString& ProviderConfigurationInfo::getPostalAddress() const
{
	return d->mPostalAddress;
}


const QString& ProviderConfigurationInfo::getIconName() const
{
	return d->mIcon;
}


const QString& ProviderConfigurationInfo::getImageName() const
{
	return d->mImage;
}


const QString& ProviderConfigurationInfo::getInternalId() const
{
	return d->mInternalId;
}


QSharedPointer<UpdatableFile> ProviderConfigurationInfo::getPicture(const QString& pName, const QString& pSuffix) const
{
	const auto category = d->mCategory.isEmpty() ? QStringLiteral("general") : d->mCategory;
	const auto defaultPath = QStringLiteral(":/images/provider/%1%2%3.svg").arg(QString(), category, pSuffix);
	return FileProvider::getInstance().getFile(QStringLiteral("provider"), pName, defaultPath);
}


QSharedPointer<UpdatableFile> ProviderConfigurationInfo::getIcon() const
{
	return getPicture(d->mIcon, QStringLiteral("_button"));
}


QSharedPointer<UpdatableFile> ProviderConfigurationInfo::getImage() const
{
	return getPicture(d->mImage, QStringLiteral("_bg"));
}
