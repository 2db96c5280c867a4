#pragma once

#include "LocalizedText.h"

#include <QSharedData>
#include <QSharedDataPointer>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

class UpdatableFile;

// One online service of the provider list. Implicitly shared.
class ProviderConfigurationInfo
{
	private:
		class InternalInfo
			: public QSharedData
		{
			public:
				const LocalizedText mShortName;
				const LocalizedText mLongName;
				const LocalizedText mLongDescription;
				const QString mAddress;
				const QString mHomepage;
				const QString mCategory;
				const QString mPhone;
				const QString mEMail;
				const QString mPostalAddress;
				const QString mIcon;
				const QString mImage;
				const QString mInternalId;

				InternalInfo(const LocalizedText& pShortName,
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
						const QString& pInternalId);
		};

		QSharedDataPointer<InternalInfo> d;

		[[nodiscard]] QSharedPointer<UpdatableFile> getPicture(const QString& pName, const QString& pSuffix) const;

	public:
		// The record of no provider: empty strings, each text empty under the current locale.
		ProviderConfigurationInfo(const LocalizedText& pShortName = LocalizedText(),
				const LocalizedText& pLongName = LocalizedText(),
				const LocalizedText& pLongDescription = LocalizedText(),
				const QString& pAddress = QString(),
				const QString& pHomepage = QString(),
				const QString& pCategory = QString(),
				const QString& pPhone = QString(),
				const QString& pEMail = QString(),
				const QString& pPostalAddress = QString(),
				const QString& pIcon = QString(),
				const QString& pImage = QString(),
				const QString& pInternalId = QString());
		virtual ~ProviderConfigurationInfo();

		ProviderConfigurationInfo(const ProviderConfigurationInfo&) = default;
		ProviderConfigurationInfo& operator=(const ProviderConfigurationInfo&) = default;

		[[nodiscard]] const LocalizedText& getShortName() const;
		[[nodiscard]] const LocalizedText& getLongName() const;
		[[nodiscard]] const LocalizedText& getLongDescription() const;
		[[nodiscard]] const QString& getAddress() const;
		[[nodiscard]] const QString& getHomepage() const;
		[[nodiscard]] const QString& getCategory() const;
		[[nodiscard]] const QString& getPhone() const;
		[[nodiscard]] const QString& getEMail() const;
		[[nodiscard]] const QString& getPostalAddress() const;
		[[nodiscard]] const QString& getIconName() const;
		[[nodiscard]] const QString& getImageName() const;
		[[nodiscard]] const QString& getInternalId() const;

		// The shared files of the button icon and the background image.
		[[nodiscard]] QSharedPointer<UpdatableFile> getIcon() const;
		[[nodiscard]] QSharedPointer<UpdatableFile> getImage() const;
};

} // namespace tessarovin
