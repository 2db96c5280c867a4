#include "ProviderConfigurationParser.h"

#include "LogCategories.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

using namespace tessarovin;


QMap<QString, CallCost> ProviderConfigurationParser::parseCallCosts(const QByteArray& pData)
{
	QJsonParseError error {};
	const auto document = QJsonDocument::fromJson(pData, &error);
	if (error.error != QJsonParseError::NoError)
	{
		qCCritical(update) << "Cannot parse call costs:" << error.errorString();
		return QMap<QString, CallCost>();
	}

	QMap<QString, CallCost> callCosts;
	const auto records = document.object().value(QLatin1String("callcosts")).toArray();
	for (const auto& record : records)
	{
		const auto object = record.toObject();
		const CallCost callCost(object);
		const auto prefixes = object.value(QLatin1String("prefixes")).toArray();
		for (const auto& prefix : prefixes)
		{
			callCosts.insert(prefix.toString(), callCost);
		}
	}
	return callCosts;
}


QList<ProviderConfigurationInfo> ProviderConfigurationParser::parseProvider(const QByteArray& pData)
{
	return parseProvider(pData, QOperatingSystemVersion::current());
}


QList<ProviderConfigurationInfo> ProviderConfigurationParser::parseProvider(const QByteArray& pData, const QOperatingSystemVersion& pCurrentOS)
{
	QJsonParseError error {};
	const auto document = QJsonDocument::fromJson(pData, &error);
	if (error.error != QJsonParseError::NoError)
	{
		qCCritical(update) << "Cannot parse providers:" << error.errorString();
		return QList<ProviderConfigurationInfo>();
	}

	const bool checkEidSupport = pCurrentOS.type() == QOperatingSystemVersion::IOS
			|| (pCurrentOS.type() == QOperatingSystemVersion::Android && pCurrentOS >= QOperatingSystemVersion(QOperatingSystemVersion::Android, 12));

	QList<ProviderConfigurationInfo> providers;
	const auto elements = document.object().value(QLatin1String("provider")).toArray();
	for (const auto& element : elements)
	{
		const auto object = element.toObject();
		if (checkEidSupport && !object.value(QLatin1String("eidSupport")).toBool(true))
		{
			continue;
		}

		const auto text = [&object](const char* pName){
					return object.value(QLatin1String(pName)).toString();
				};
		providers << ProviderConfigurationInfo(
				LocalizedText(object.value(QLatin1String("shortName"))),
				LocalizedText(object.value(QLatin1String("longName"))),
				LocalizedText(object.value(QLatin1String("longDescription"))),
				text("address"),
				text("homepage"),
				text("category"),
				text("phone"),
				text("email"),
				text("postalAddress"),
				text("icon"),
				text("image"),
				text("internalId"));
	}
	return providers;
}
