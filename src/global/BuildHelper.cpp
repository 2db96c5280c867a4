#include "BuildHelper.h"

#include <QSysInfo>

#include <openssl/crypto.h>

#include <atomic>

using namespace tessarovin;

namespace
{

// -1: no override; else the answer as 0 or 1.
std::atomic<int> gUserInteractiveOverride(-1);

} // namespace


BuildHelper::InformationHeader BuildHelper::getInformationHeader()
{
	return {
		{QLatin1String(QT_TRANSLATE_NOOP("BuildHelper", "Application")), QCoreApplication::applicationName()},
		{QLatin1String(QT_TRANSLATE_NOOP("BuildHelper", "Application Version")), QCoreApplication::applicationVersion()},
		{QLatin1String(QT_TRANSLATE_NOOP("BuildHelper", "Organization")), QCoreApplication::organizationName()},
		{QLatin1String(QT_TRANSLATE_NOOP("BuildHelper", "Organization Domain")), QCoreApplication::organizationDomain()},
		{QLatin1String(QT_TRANSLATE_NOOP("BuildHelper", "System")), QSysInfo::prettyProductName()},
		{QLatin1String(QT_TRANSLATE_NOOP("BuildHelper", "Kernel")), QSysInfo::kernelVersion()},
		{QLatin1String(QT_TRANSLATE_NOOP("BuildHelper", "Architecture")), QSysInfo::currentCpuArchitecture()},
		{QLatin1String(QT_TRANSLATE_NOOP("BuildHelper", "Device")), QSysInfo::machineHostName()},
		{QLatin1String(QT_TRANSLATE_NOOP("BuildHelper", "Qt Version")), QString::fromLatin1(qVersion())},
		{QLatin1String(QT_TRANSLATE_NOOP("BuildHelper", "OpenSSL Version")), QString::fromLatin1(OpenSSL_version(OPENSSL_VERSION))}
	};
}


void BuildHelper::processInformationHeader(const std::function<void(const QString&, const QString&)>& pAppendFunc, bool pTranslated)
{
	for (const auto& [label, value] : getInformationHeader())
	{
		const QString text = pTranslated ? QCoreApplication::translate("BuildHelper", label.data()) : QString(label);
		pAppendFunc(text, value);
	}
}


bool BuildHelper::isUserInteractive()
{
	if (const int override = gUserInteractiveOverride.load(); override >= 0)
	{
		return override == 1;
	}

	static const bool interactive = queryUserInteractive();
	return interactive;
}


void BuildHelper::setUserInteractive(std::optional<bool> pInteractive)
{
	gUserInteractiveOverride.store(pInteractive.has_value() ? static_cast<int>(*pInteractive) : -1);
}
