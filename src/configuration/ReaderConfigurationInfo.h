#pragma once

#include <QCoreApplication>
#include <QSet>
#include <QSharedData>
#include <QSharedDataPointer>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

class UpdatableFile;

// One known reader model of the reader list, or the fallback that describes an unknown reader.
class ReaderConfigurationInfo
{
	Q_DECLARE_TR_FUNCTIONS(ReaderConfigurationInfo)

	private:
		class InternalInfo
			: public QSharedData
		{
			public:
				const bool mKnownReader;
				const quint32 mVendorId;
				const QSet<quint32> mProductIds;
				const QString mName;
				const QString mUrl;
				const QString mPattern;
				const QString mIcon;

				InternalInfo(bool pKnownReader, quint32 pVendorId, const QSet<quint32>& pProductIds,
						const QString& pName, const QString& pUrl, const QString& pPattern, const QString& pIcon);

				bool operator==(const InternalInfo& pOther) const;
		};

		QSharedDataPointer<InternalInfo> d;

	public:
		ReaderConfigurationInfo();
		explicit ReaderConfigurationInfo(const QString& pReaderName);
		ReaderConfigurationInfo(quint32 pVendorId, const QSet<quint32>& pProductIds,
				const QString& pName, const QString& pUrl, const QString& pPattern, const QString& pIcon);

		bool operator==(const ReaderConfigurationInfo& pOther) const;

		[[nodiscard]] bool isKnownReader() const;
		[[nodiscard]] quint32 getVendorId() const;
		[[nodiscard]] QSet<quint32> getProductIds() const;
		[[nodiscard]] const QString& getName() const;
		[[nodiscard]] const QString& getUrl() const;
		[[nodiscard]] const QString& getPattern() const;
		[[nodiscard]] QSharedPointer<UpdatableFile> getIcon() const;
};

} // namespace tessarovin
