#include "GeneralSettings.h"

#include "AutoStart.h"
#include "Env.h"
#include "LanguageLoader.h"
#include "LogCategories.h"
#include "VersionNumber.h"
#include "VolatileSettings.h"

#include <QCoreApplication>

using namespace tessarovin;

namespace
{

const QLatin1String cAnimations("animations");
const QLatin1String cAutoCloseWindow("autoCloseWindow");
const QLatin1String cAutoRedirect("autoRedirect");
const QLatin1String cAutoUpdateCheck("autoUpdateCheck");
const QLatin1String cCustomProxyHost("customProxyHost");
const QLatin1String cCustomProxyPort("customProxyPort");
const QLatin1String cCustomProxyType("customProxyType");
const QLatin1String cDarkMode("darkMode");
const QLatin1String cDeveloperMode("developerMode");
const QLatin1String cDeveloperOptions("developerOptions");
const QLatin1String cDeviceSurveyPending("deviceSurveyPending");
const QLatin1String cEnableCanAllowed("enableCanAllowed");
const QLatin1String cEnableTrayIcon("enableTrayIcon");
const QLatin1String cIfdServiceToken("ifdServiceToken");
const QLatin1String cLanguage("language");
const QLatin1String cLastUpdateCheckDate("lastUpdateCheckDate");
const QLatin1String cLastUpdateCheckVersion("lastUpdateCheckVersion");
const QLatin1String cPersistentSettingsVersion("persistentSettingsVersion");
const QLatin1String cPreferredTechnology("preferredTechnology");
const QLatin1String cRemindOfAutoRedirect("remindOfAutoRedirect");
const QLatin1String cRemindToClose("remindToClose");
const QLatin1String cScreenPrivacy("screenPrivacy");
const QLatin1String cSelfAuthTestUri("selfauthTestUri");
const QLatin1String cShowInAppNotifications("showInAppNotifications");
const QLatin1String cShowOnboarding("showOnboarding");
const QLatin1String cShuffleScreenKeyboard("shuffleScreenKeyboard");
const QLatin1String cSkipRightsOnCanAllowed("skipRightsOnCanAllowed");
const QLatin1String cTransportPinReminder("transportPinReminder");
const QLatin1String cUiStartupModule("uiStartupModule");
const QLatin1String cUseCustomProxy("useCustomProxy");
const QLatin1String cUseSystemFont("useSystemFont");
const QLatin1String cVisualPrivacy("visualPrivacy");

// Keys of earlier versions that nothing reads any more.
const QLatin1String cObsoleteScreenOrientation("screenOrientation");
const QLatin1String cObsoleteHistory("history");
const QLatin1String cObsoleteSkipVersion("skipVersion");
const QLatin1String cObsoleteKeylessPassword("keylessPassword");
const QLatin1String cObsoleteLastTechnology("lastTechnology");

// The first version that keeps the tray icon apart from autostart.
const QLatin1String cTrayIconSeparateVersion("2.3.0");


// Compares with the effective value, which may differ from the stored one; true when it wrote.
template<typename T>
bool storeChanged(QSettings& pStore, QAnyStringView pKey, const T& pValue, const T& pEffective)
{
	if (pValue == pEffective)
	{
		return false;
	}

	pStore.setValue(pKey, pValue);
	pStore.sync();
	return true;
}


bool isUsedAsSdk()
{
	return Env::getSingleton<VolatileSettings>()->isUsedAsSdk();
}


} // namespace


GeneralSettings::GeneralSettings()
	: GeneralSettings(getStore())
{
}


GeneralSettings::GeneralSettings(const QSharedPointer<QSettings>& pStore)
	: AbstractSettings()
	, mAutoStart(false)
	, mStore(pStore)
	, mIsNewAppVersion(false)
{
	mStore->remove(cObsoleteScreenOrientation);
	if (mStore->childGroups().contains(cObsoleteHistory))
	{
		mStore->beginGroup(cObsoleteHistory);
		mStore->remove(QString());
		mStore->endGroup();
	}
	mStore->remove(cObsoleteSkipVersion);
	mStore->remove(cObsoleteKeylessPassword);
	mStore->remove(cObsoleteLastTechnology);

	const auto storedVersion = getPersistentSettingsVersion();
	if (storedVersion.isEmpty())
	{
		// First start: ask for autostart, which is refused while used as SDK.
		setAutoStartInternal(true);
	}
	else
	{
		mIsNewAppVersion = storedVersion != QCoreApplication::applicationVersion();
	}

	// The entry itself tells, whatever the request above achieved.
	mAutoStart = AutoStart::enabled();

	// Up to 2.2 the tray icon came with autostart; keep what the user had.
	if (!storedVersion.isEmpty()
			&& VersionNumber(storedVersion) < VersionNumber(cTrayIconSeparateVersion)
			&& !(VersionNumber::getApplicationVersion() < VersionNumber(cTrayIconSeparateVersion)))
	{
		setTrayIconEnabled(isAutoStart());
	}

	mStore->setValue(cPersistentSettingsVersion, QCoreApplication::applicationVersion());
	mStore->sync();
}


bool GeneralSettings::isUseAnimations() const
{
	return mStore->value(cAnimations, true).toBool();
}


void GeneralSettings::setUseAnimations(bool pUseAnimations)
{
	if (storeChanged(*mStore, cAnimations, pUseAnimations, isUseAnimations()))
	{
		Q_EMIT fireUseAnimationsChanged();
	}
}


bool GeneralSettings::isAutoCloseWindowAfterAuthentication() const
{
	return mStore->value(cAutoCloseWindow, true).toBool();
}


void GeneralSettings::setAutoCloseWindowAfterAuthentication(bool pAutoClose)
{
	if (storeChanged(*mStore, cAutoCloseWindow, pAutoClose, isAutoCloseWindowAfterAuthentication()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::isAutoRedirectAfterAuthentication() const
{
	return mStore->value(cAutoRedirect, true).toBool();
}


void GeneralSettings::setAutoRedirectAfterAuthentication(bool pAutoRedirect)
{
	if (storeChanged(*mStore, cAutoRedirect, pAutoRedirect, isAutoRedirectAfterAuthentication()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::autoUpdateCheckIsSetByAdmin()
{
	return getStore(QSettings::SystemScope)->contains(cAutoUpdateCheck);
}


bool GeneralSettings::isAutoUpdateCheck() const
{
	if (autoUpdateCheckIsSetByAdmin())
	{
		// The user's store falls back to the system scope: without the user's own value the
		// administrator's is read.
		mStore->remove(cAutoUpdateCheck);
		mStore->sync();
	}
	return mStore->value(cAutoUpdateCheck, true).toBool();
}


void GeneralSettings::setAutoUpdateCheck(bool pAutoUpdateCheck)
{
	if (autoUpdateCheckIsSetByAdmin())
	{
		return;
	}

	if (storeChanged(*mStore, cAutoUpdateCheck, pAutoUpdateCheck, isAutoUpdateCheck()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


QString GeneralSettings::getCustomProxyHost() const
{
	return mStore->value(cCustomProxyHost, QString()).toString();
}


quint16 GeneralSettings::getCustomProxyPort() const
{
	return static_cast<quint16>(mStore->value(cCustomProxyPort, 0).toInt());
}


QNetworkProxy::ProxyType GeneralSettings::getCustomProxyType() const
{
	const auto type = mStore->value(cCustomProxyType, QString()).toString().toLower();
	if (type == QLatin1String("socks5"))
	{
		return QNetworkProxy::Socks5Proxy;
	}
	if (type == QLatin1String("http"))
	{
		return QNetworkProxy::HttpProxy;
	}
	return QNetworkProxy::NoProxy;
}


bool GeneralSettings::customProxyAttributesPresent() const
{
	return !getCustomProxyHost().isEmpty() && getCustomProxyType() != QNetworkProxy::NoProxy && getCustomProxyPort() != 0;
}


bool GeneralSettings::useCustomProxy() const
{
	return mStore->value(cUseCustomProxy, true).toBool() && customProxyAttributesPresent();
}


void GeneralSettings::setUseCustomProxy(bool pUseCustomProxy)
{
	if (storeChanged(*mStore, cUseCustomProxy, pUseCustomProxy, useCustomProxy()))
	{
		Q_EMIT fireProxyChanged();
	}
}


QString GeneralSettings::getDarkMode() const
{
	return mStore->value(cDarkMode, QString()).toString();
}


void GeneralSettings::setDarkMode(const QString& pMode)
{
	if (storeChanged(*mStore, cDarkMode, pMode, getDarkMode()))
	{
		Q_EMIT fireDarkModeChanged();
	}
}


bool GeneralSettings::isDeveloperMode() const
{
	if (isUsedAsSdk())
	{
		return Env::getSingleton<VolatileSettings>()->isDeveloperMode();
	}
	return isDeveloperOptions() && mStore->value(cDeveloperMode, false).toBool();
}


void GeneralSettings::setDeveloperMode(bool pEnabled)
{
	if (storeChanged(*mStore, cDeveloperMode, pEnabled, isDeveloperMode()))
	{
		Q_EMIT fireDeveloperOptionsChanged();
		Q_EMIT fireShowInAppNotificationsChanged();
	}
}


bool GeneralSettings::isDeveloperOptions() const
{
	return mStore->value(cDeveloperOptions, false).toBool();
}


void GeneralSettings::setDeveloperOptions(bool pEnabled)
{
	if (storeChanged(*mStore, cDeveloperOptions, pEnabled, isDeveloperOptions()))
	{
		Q_EMIT fireDeveloperOptionsChanged();
	}
}


bool GeneralSettings::isDeviceSurveyPending() const
{
	return mStore->value(cDeviceSurveyPending, false).toBool();
}


bool GeneralSettings::askForDeviceSurvey() const
{
	return !mStore->contains(cDeviceSurveyPending);
}


void GeneralSettings::setDeviceSurveyPending(bool pDeviceSurveyPending)
{
	// The first answer is written even when it equals the default: its presence means "asked".
	if (!mStore->contains(cDeviceSurveyPending))
	{
		mStore->setValue(cDeviceSurveyPending, pDeviceSurveyPending);
		mStore->sync();
		Q_EMIT fireSettingsChanged();
		return;
	}

	if (storeChanged(*mStore, cDeviceSurveyPending, pDeviceSurveyPending, isDeviceSurveyPending()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::isEnableCanAllowed() const
{
	return mStore->value(cEnableCanAllowed, false).toBool();
}


void GeneralSettings::setEnableCanAllowed(bool pEnableCanAllowed)
{
	if (storeChanged(*mStore, cEnableCanAllowed, pEnableCanAllowed, isEnableCanAllowed()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::isTrayIconEnabled() const
{
	return mStore->value(cEnableTrayIcon, true).toBool();
}


void GeneralSettings::setTrayIconEnabled(bool pTrayIconEnabled)
{
	if (storeChanged(*mStore, cEnableTrayIcon, pTrayIconEnabled, isTrayIconEnabled()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


QString GeneralSettings::getIfdServiceToken() const
{
	// Written by other programs, not by us: pick up their change.
	mStore->sync();
	return mStore->value(cIfdServiceToken, QString()).toString();
}


QLocale::Language GeneralSettings::getLanguage() const
{
	const auto language = mStore->value(cLanguage, QString()).toString();
	if (language.isEmpty())
	{
		return QLocale::C;
	}
	return QLocale(language).language();
}


void GeneralSettings::setLanguage(QLocale::Language pLanguage)
{
	if (pLanguage == getLanguage())
	{
		return;
	}

	const auto code = pLanguage == QLocale::C ? QStringLiteral("") : LanguageLoader::getLocaleCode(QLocale(pLanguage));
	mStore->setValue(cLanguage, code);
	mStore->sync();
	Q_EMIT fireLanguageChanged();
	Q_EMIT fireSettingsChanged();
}


QDateTime GeneralSettings::getLastUpdateCheck() const
{
	return mStore->value(cLastUpdateCheckDate, QDateTime()).toDateTime();
}


void GeneralSettings::setLastUpdateCheck(const QDateTime& pLastUpdateCheck)
{
	storeChanged(*mStore, cLastUpdateCheckDate, pLastUpdateCheck, getLastUpdateCheck());
}


QString GeneralSettings::getLastUpdateCheckVersion() const
{
	return mStore->value(cLastUpdateCheckVersion, QString()).toString();
}


void GeneralSettings::setLastUpdateCheckVersion(const QString& pVersion)
{
	storeChanged(*mStore, cLastUpdateCheckVersion, pVersion, getLastUpdateCheckVersion());
}


QString GeneralSettings::getPersistentSettingsVersion() const
{
	return mStore->value(cPersistentSettingsVersion, QString()).toString();
}


QString GeneralSettings::getPreferredTechnology() const
{
	return mStore->value(cPreferredTechnology, QString()).toString();
}


void GeneralSettings::setPreferredTechnology(const QString& pTechnology)
{
	if (storeChanged(*mStore, cPreferredTechnology, pTechnology, getPreferredTechnology()))
	{
		Q_EMIT firePreferredTechnologyChanged();
	}
}


bool GeneralSettings::isRemindUserOfAutoRedirect() const
{
	return mStore->value(cRemindOfAutoRedirect, true).toBool();
}


void GeneralSettings::setRemindUserOfAutoRedirect(bool pRemindUser)
{
	if (storeChanged(*mStore, cRemindOfAutoRedirect, pRemindUser, isRemindUserOfAutoRedirect()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::isRemindUserToClose() const
{
	return mStore->value(cRemindToClose, true).toBool();
}


void GeneralSettings::setRemindUserToClose(bool pRemindUser)
{
	if (storeChanged(*mStore, cRemindToClose, pRemindUser, isRemindUserToClose()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::isScreenPrivacy() const
{
	return mStore->value(cScreenPrivacy, true).toBool();
}


void GeneralSettings::setScreenPrivacy(bool pScreenPrivacy)
{
	if (storeChanged(*mStore, cScreenPrivacy, pScreenPrivacy, isScreenPrivacy()))
	{
		Q_EMIT fireScreenPrivacyChanged();
	}
}


bool GeneralSettings::useSelfAuthTestUri() const
{
	return mStore->value(cSelfAuthTestUri, false).toBool();
}


void GeneralSettings::setUseSelfAuthTestUri(bool pUseTestUri)
{
	if (storeChanged(*mStore, cSelfAuthTestUri, pUseTestUri, useSelfAuthTestUri()))
	{
		Q_EMIT fireDeveloperOptionsChanged();
	}
}


bool GeneralSettings::isShowInAppNotifications() const
{
	return isDeveloperMode() || mStore->value(cShowInAppNotifications, false).toBool();
}


void GeneralSettings::setShowInAppNotifications(bool pShowInAppNotifications)
{
	if (storeChanged(*mStore, cShowInAppNotifications, pShowInAppNotifications, isShowInAppNotifications()))
	{
		Q_EMIT fireShowInAppNotificationsChanged();
	}
}


bool GeneralSettings::isShowOnboarding() const
{
	return mStore->value(cShowOnboarding, true).toBool();
}


void GeneralSettings::setShowOnboarding(bool pShowOnboarding)
{
	if (storeChanged(*mStore, cShowOnboarding, pShowOnboarding, isShowOnboarding()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::isShuffleScreenKeyboard() const
{
	return mStore->value(cShuffleScreenKeyboard, false).toBool();
}


void GeneralSettings::setShuffleScreenKeyboard(bool pShuffleScreenKeyboard)
{
	if (storeChanged(*mStore, cShuffleScreenKeyboard, pShuffleScreenKeyboard, isShuffleScreenKeyboard()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::isSkipRightsOnCanAllowed() const
{
	return isEnableCanAllowed() && mStore->value(cSkipRightsOnCanAllowed, false).toBool();
}


void GeneralSettings::setSkipRightsOnCanAllowed(bool pSkipRightsOnCanAllowed)
{
	if (storeChanged(*mStore, cSkipRightsOnCanAllowed, pSkipRightsOnCanAllowed, isSkipRightsOnCanAllowed()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::isTransportPinReminder() const
{
	return mStore->value(cTransportPinReminder, true).toBool();
}


void GeneralSettings::setTransportPinReminder(bool pTransportPinReminder)
{
	if (storeChanged(*mStore, cTransportPinReminder, pTransportPinReminder, isTransportPinReminder()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


QString GeneralSettings::getStartupModule() const
{
	return mStore->value(cUiStartupModule, QString()).toString();
}


void GeneralSettings::setStartupModule(const QString& pModule)
{
	if (storeChanged(*mStore, cUiStartupModule, pModule, getStartupModule()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::isUseSystemFont() const
{
	return mStore->value(cUseSystemFont, false).toBool();
}


void GeneralSettings::setUseSystemFont(bool pUseSystemFont)
{
	if (storeChanged(*mStore, cUseSystemFont, pUseSystemFont, isUseSystemFont()))
	{
		Q_EMIT fireUseSystemFontChanged();
	}
}


bool GeneralSettings::isVisualPrivacy() const
{
	return mStore->value(cVisualPrivacy, false).toBool();
}


void GeneralSettings::setVisualPrivacy(bool pVisualPrivacy)
{
	if (storeChanged(*mStore, cVisualPrivacy, pVisualPrivacy, isVisualPrivacy()))
	{
		Q_EMIT fireSettingsChanged();
	}
}


bool GeneralSettings::isNewAppVersion() const
{
	return mIsNewAppVersion;
}


bool GeneralSettings::isAutoStartAvailable() const
{
	// Programs that drive us as SDK decide about our start themselves.
	return !isUsedAsSdk();
}


bool GeneralSettings::isAutoStart() const
{
	return isAutoStartAvailable() && mAutoStart;
}


bool GeneralSettings::autoStartIsSetByAdmin() const
{
	return AutoStart::isSetByAdmin();
}


void GeneralSettings::setAutoStart(bool pAutoStart)
{
	if (!isAutoStartAvailable())
	{
		qCDebug(settings) << "AutoStart is not available";
		return;
	}
	setAutoStartInternal(pAutoStart);
}


void GeneralSettings::setAutoStartInternal(bool pAutoStart)
{
	if (pAutoStart == mAutoStart)
	{
		return;
	}

	// The entry lives outside the store: nothing to sync.
	if (AutoStart::set(pAutoStart))
	{
		mAutoStart = pAutoStart;
		Q_EMIT fireSettingsChanged();
	}
}


void GeneralSettings::migrateSettings()
{
	if (!isAutoStartAvailable())
	{
		qCDebug(settings) << "AutoStart is not available, migration not possible.";
		return;
	}

	if (AutoStart::removeOldAutostart())
	{
		setAutoStart(true);
	}
}
