#include "ReaderConfigurationParser.h"

#include "LogCategories.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QOperatingSystemVersion>
#include <QVersionNumber>

using namespace tessarovin;

namespace
{

QString runningSystemName()
{
	switch (QOperatingSystemVersion::currentType())
	{
		case QOperatingSystemVersion::Windows:
			return QStringLiteral("win");

		case QOperatingSystemVersion::MacOS:
			return QStringLiteral("mac");

		default:
			return QStringLiteral("unknown");
	}
}


// Only the segments the bound gives are compared: "10" admits 10.0.19045 as well as 10.1.
int compareToBound(const QVersionNumber& pRunning, const QString& pBound)
{
	const auto bound = QVersionNumber::fromString(pBound.trimmed());
	const auto segments = qMin(bound.segmentCount(), 3);
	for (int i = 0; i < segments; ++i)
	{
		const auto running = pRunning.segmentAt(i);
		if (running != bound.segmentAt(i))
		{
			return running < bound.segmentAt(i) ? -1 : 1;
		}
	}
	return 0;
}


bool matchesPlatform(const QJsonValue& pPlatform)
{
	const auto platform = pPlatform.toObject();
	const auto system = runningSystemName();
	if (platform.value(QLatin1String("os")).toString() != system)
	{
		return false;
	}

	// QOperatingSystemVersion knows no version on the systems it calls unknown (Linux among them),
	// so "min" and "max" cannot be judged there and do not exclude.
	if (system == QLatin1String("unknown"))
	{
		return true;
	}

	const auto current = QOperatingSystemVersion::current();
	const QVersionNumber running(current.majorVersion(), qMax(current.minorVersion(), 0), qMax(current.microVersion(), 0));
	return compareToBound(running, platform.value(QLatin1String("min")).toString()) >= 0
		   && compareToBound(running, platform.value(QLatin1String("max")).toString()) <= 0;
}


bool readHexId(const QJsonValue& pValue, quint32& pId)
{
	bool ok = false;
	pId = pValue.toString().toUInt(&ok, 16);
	return pValue.isString() && ok;
}


// Log lines quote an entry as Qt writes it indented, so that it reads like the file.
QString toIndentedJson(const QJsonValue& pValue)
{
	if (pValue.isObject())
	{
		return QString::fromUtf8(QJsonDocument(pValue.toObject()).toJson(QJsonDocument::Indented));
	}
	if (pValue.isArray())
	{
		return QString::fromUtf8(QJsonDocument(pValue.toArray()).toJson(QJsonDocument::Indented));
	}

	// A document holds no bare value: write it as the only element of an array and drop the brackets.
	const auto text = QString::fromUtf8(QJsonDocument(QJsonArray({pValue})).toJson(QJsonDocument::Compact));
	return text.mid(1, text.size() - 2);
}


} // namespace


ReaderConfigurationParser::EntryParser::EntryParser(const QJsonValue& pJson)
	: mJson(pJson)
{
}


ReaderConfigurationInfo ReaderConfigurationParser::EntryParser::fail(const QString& pLogMessage) const
{
	qCWarning(card_drivers).noquote() << pLogMessage;
	return ReaderConfigurationInfo();
}


ReaderConfigurationInfo ReaderConfigurationParser::EntryParser::parse() const
{
	if (!mJson.isObject())
	{
		return fail(QStringLiteral("Cannot parse Json value: object expected"));
	}
	const auto object = mJson.toObject();

	quint32 vendorId = 0;
	if (!readHexId(object.value(QLatin1String("VendorId")), vendorId))
	{
		return fail(QStringLiteral("Invalid or missing vendor id"));
	}

	QSet<quint32> productIds;
	bool validProductIds = true;
	const auto productIdsValue = object.value(QLatin1String("ProductIds"));
	const auto productIdValue = object.value(QLatin1String("ProductId"));
	if (productIdsValue.isArray())
	{
		const auto array = productIdsValue.toArray();
		for (const auto& element : array)
		{
			quint32 productId = 0;
			if (!readHexId(element, productId))
			{
				validProductIds = false;
				break;
			}
			productIds += productId;
		}
	}
	else if (productIdValue.isString())
	{
		quint32 productId = 0;
		validProductIds = readHexId(productIdValue, productId);
		productIds += productId;
	}
	else
	{
		validProductIds = false;
	}
	if (!validProductIds || productIds.isEmpty())
	{
		return fail(QStringLiteral("Invalid or missing product ids"));
	}

	const auto name = object.value(QLatin1String("Name")).toString();
	if (name.isEmpty())
	{
		return fail(QStringLiteral("Invalid or missing name"));
	}

	const auto url = getDriverUrl(object);
	if (url.isNull())
	{
		return fail(QStringLiteral("Invalid driver URL entry"));
	}

	const auto pattern = object.value(QLatin1String("Pattern")).toString();
	const auto icon = object.value(QLatin1String("Icon")).toString();
	return ReaderConfigurationInfo(vendorId, productIds, name, url, pattern, icon);
}


QString ReaderConfigurationParser::EntryParser::getDriverUrl(const QJsonObject& pObject) const
{
	const auto drivers = pObject.value(QLatin1String("Drivers"));
	if (!drivers.isArray())
	{
		qCWarning(card_drivers) << "The value of 'Drivers' must be an array";
		return QString();
	}

	const auto driverArray = drivers.toArray();
	for (const auto& driverValue : driverArray)
	{
		const auto driver = driverValue.toObject();
		if (!driverValue.isObject() || driver.isEmpty())
		{
			qCWarning(card_drivers) << "Drivers entry must be a valid object";
			return QString();
		}

		const auto platforms = driver.value(QLatin1String("Platforms"));
		if (!platforms.isArray())
		{
			qCWarning(card_drivers) << "Invalid or missing Platforms tag";
			return QString();
		}

		const auto url = driver.value(QLatin1String("URL")).toString();
		if (url.isEmpty())
		{
			qCWarning(card_drivers) << "Invalid or missing URL tag";
			return QString();
		}

		const auto platformArray = platforms.toArray();
		if (std::any_of(platformArray.begin(), platformArray.end(), matchesPlatform))
		{
			return url;
		}
	}

	// Valid, but no driver for this platform: empty and not null.
	return QStringLiteral("");
}


QList<ReaderConfigurationInfo> ReaderConfigurationParser::fail(const QString& pLogMessage)
{
	qCWarning(card_drivers).noquote() << pLogMessage;
	return QList<ReaderConfigurationInfo>();
}


bool ReaderConfigurationParser::hasUniqueId(const ReaderConfigurationInfo& pInfo, const QList<ReaderConfigurationInfo>& pInfos)
{
	// Virtual readers (vendor id 0) share ids by nature; only their names and patterns must differ.
	const bool comparesIds = pInfo.getVendorId() != 0 && !pInfo.getProductIds().isEmpty();
	return std::none_of(pInfos.cbegin(), pInfos.cend(), [&pInfo, comparesIds](const ReaderConfigurationInfo& pEarlier){
				const bool sameIds = comparesIds
						&& pInfo.getVendorId() == pEarlier.getVendorId()
						&& pInfo.getProductIds().intersects(pEarlier.getProductIds());
				const bool sameName = pInfo.getName() == pEarlier.getName();
				const bool samePattern = !pInfo.getPattern().isEmpty() && pInfo.getPattern() == pEarlier.getPattern();
				return sameIds || sameName || samePattern;
			});
}


QList<ReaderConfigurationInfo> ReaderConfigurationParser::parse(const QByteArray& pData)
{
	QJsonParseError error {};
	const auto document = QJsonDocument::fromJson(pData, &error);
	if (error.error != QJsonParseError::NoError)
	{
		return fail(QStringLiteral("Json parsing failed. Error at offset %1: %2").arg(error.offset).arg(error.errorString()));
	}

	const auto root = document.object();
	if (root.isEmpty())
	{
		return fail(QStringLiteral("Expected object at top level"));
	}

	if (!root.contains(QLatin1String("SupportedDevices")))
	{
		return fail(QStringLiteral("Root object does not contain a property named 'SupportedDevices'"));
	}

	const auto devices = root.value(QLatin1String("SupportedDevices"));
	if (!devices.isArray())
	{
		return fail(QStringLiteral("The value of 'SupportedDevices' must be an array"));
	}

	QList<ReaderConfigurationInfo> infos;
	const auto deviceArray = devices.toArray();
	for (const auto& device : deviceArray)
	{
		const auto info = EntryParser(device).parse();
		if (!info.isKnownReader())
		{
			return fail(QStringLiteral("Invalid reader configuration entry: ") + toIndentedJson(device));
		}

		if (!hasUniqueId(info, infos))
		{
			return fail(QStringLiteral("Invalid reader configuration entry: '%1' duplicate reader information").arg(toIndentedJson(device)));
		}

		infos += info;
	}

	return infos;
}
