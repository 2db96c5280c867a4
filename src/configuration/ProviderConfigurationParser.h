#pragma once

#include "CallCost.h"
#include "ProviderConfigurationInfo.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QOperatingSystemVersion>
#include <QString>

namespace tessarovin
{

// Reads the two lists of "supported-providers.json". A syntax error gives an empty result.
class ProviderConfigurationParser
{
	private:
		ProviderConfigurationParser() = delete;

	public:
		[[nodiscard]] static QMap<QString, CallCost> parseCallCosts(const QByteArray& pData);
		// The providers for the running system.
		[[nodiscard]] static QList<ProviderConfigurationInfo> parseProvider(const QByteArray& pData);
		// Only iOS and Android 12 and later honour "eidSupport": the other systems list every provider.
		[[nodiscard]] static QList<ProviderConfigurationInfo> parseProvider(const QByteArray& pData, const QOperatingSystemVersion& pCurrentOS);
};

} // namespace tessarovin
