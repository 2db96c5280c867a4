#pragma once

#include <QObject>

namespace tessarovin
{

// Whether Wi-Fi is on. This platform cannot tell: it always reports enabled.
class WifiInfo
	: public QObject
{
	Q_OBJECT

	private:
		bool mWifiEnabled;

	public:
		WifiInfo();

		[[nodiscard]] bool isWifiEnabled() const;

	Q_SIGNALS:
		void fireWifiEnabledChanged(bool pEnabled);
};

} // namespace tessarovin
