#pragma once

#include <QCoreApplication>
#include <QLatin1String>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <optional>

namespace tessarovin
{

// Facts about the application and the machine, for the log header, the version view and reports.
class BuildHelper
{
	private:
		BuildHelper() = delete;

		// Asks the platform whether the process runs on a visible window station.
		static bool queryUserInteractive();

	public:
		using InformationHeader = QList<QPair<QLatin1String, QString>>;

		static InformationHeader getInformationHeader();
		static void processInformationHeader(const std::function<void(const QString&, const QString&)>& pAppendFunc, bool pTranslated = true);
		static bool isUserInteractive();
		// Tests decide the answer; std::nullopt gives the platform's answer again.
		static void setUserInteractive(std::optional<bool> pInteractive);
};

} // namespace tessarovin
