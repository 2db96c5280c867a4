#pragma once

#include "AbstractSettings.h"

#include <QDateTime>
#include <QLocale>
#include <QNetworkProxy>
#include <QString>

namespace tessarovin
{

// The application-wide keys at the root of the store. Lives on the main thread.
class GeneralSettings
	: public AbstractSettings
{
	Q_OBJECT

	private:
		bool mAutoStart;
		QSharedPointer<QSettings> mStore;
		bool mIsNewAppVersion;

		void setAutoStartInternal(bool pAutoStart);

	public:
		GeneralSettings();
		explicit GeneralSettings(const QSharedPointer<QSettings>& pStore);

		[[nodiscard]] bool isUseAnimations() const;
		void setUseAnimations(bool pUseAnimations);

		[[nodiscard]] bool isAutoCloseWindowAfterAuthentication() const;
		void setAutoCloseWindowAfterAuthentication(bool pAutoClose);

		[[nodiscard]] bool isAutoRedirectAfterAuthentication() const;
		void setAutoRedirectAfterAuthentication(bool pAutoRedirect);

		static bool autoUpdateCheckIsSetByAdmin();
		[[nodiscard]] bool isAutoUpdateCheck() const;
		void setAutoUpdateCheck(bool pAutoUpdateCheck);

		[[nodiscard]] QString getCustomProxyHost() const;
		[[nodiscard]] quint16 getCustomProxyPort() const;
		[[nodiscard]] QNetworkProxy::ProxyType getCustomProxyType() const;
		[[nodiscard]] bool customProxyAttributesPresent() const;
		[[nodiscard]] bool useCustomProxy() const;
		void setUseCustomProxy(bool pUseCustomProxy);

		[[nodiscard]] QString getDarkMode() const;
		void setDarkMode(const QString& pMode);

		[[nodiscard]] bool isDeveloperMode() const;
		void setDeveloperMode(bool pEnabled);

		[[nodiscard]] bool isDeveloperOptions() const;
		void setDeveloperOptions(bool pEnabled);

		[[nodiscard]] bool isDeviceSurveyPending() const;
		[[nodiscard]] bool askForDeviceSurvey() const;
		void setDeviceSurveyPending(bool pDeviceSurveyPending);

		[[nodiscard]] bool isEnableCanAllowed() const;
		void setEnableCanAllowed(bool pEnableCanAllowed);

		[[nodiscard]] bool isTrayIconEnabled() const;
		void setTrayIconEnabled(bool pTrayIconEnabled);

		[[nodiscard]] QString getIfdServiceToken() const;

		[[nodiscard]] QLocale::Language getLanguage() const;
		void setLanguage(QLocale::Language pLanguage);

		[[nodiscard]] QDateTime getLastUpdateCheck() const;
		void setLastUpdateCheck(const QDateTime& pLastUpdateCheck);

		[[nodiscard]] QString getLastUpdateCheckVersion() const;
		void setLastUpdateCheckVersion(const QString& pVersion);

		[[nodiscard]] QString getPersistentSettingsVersion() const;

		[[nodiscard]] QString getPreferredTechnology() const;
		void setPreferredTechnology(const QString& pTechnology);

		[[nodiscard]] bool isRemindUserOfAutoRedirect() const;
		void setRemindUserOfAutoRedirect(bool pRemindUser);

		[[nodiscard]] bool isRemindUserToClose() const;
		void setRemindUserToClose(bool pRemindUser);

		[[nodiscard]] bool isScreenPrivacy() const;
		void setScreenPrivacy(bool pScreenPrivacy);

		[[nodiscard]] bool useSelfAuthTestUri() const;
		void setUseSelfAuthTestUri(bool pUseTestUri);

		[[nodiscard]] bool isShowInAppNotifications() const;
		void setShowInAppNotifications(bool pShowInAppNotifications);

		[[nodiscard]] bool isShowOnboarding() const;
		void setShowOnboarding(bool pShowOnboarding);

		[[nodiscard]] bool isShuffleScreenKeyboard() const;
		void setShuffleScreenKeyboard(bool pShuffleScreenKeyboard);

		[[nodiscard]] bool isSkipRightsOnCanAllowed() const;
		void setSkipRightsOnCanAllowed(bool pSkipRightsOnCanAllowed);

		[[nodiscard]] bool isTransportPinReminder() const;
		void setTransportPinReminder(bool pTransportPinReminder);

		[[nodiscard]] QString getStartupModule() const;
		void setStartupModule(const QString& pModule);

		[[nodiscard]] bool isUseSystemFont() const;
		void setUseSystemFont(bool pUseSystemFont);

		[[nodiscard]] bool isVisualPrivacy() const;
		void setVisualPrivacy(bool pVisualPrivacy);

		[[nodiscard]] bool isNewAppVersion() const;

		[[nodiscard]] bool isAutoStartAvailable() const;
		[[nodiscard]] bool isAutoStart() const;
		[[nodiscard]] bool autoStartIsSetByAdmin() const;
		void setAutoStart(bool pAutoStart);

		// Called once by the graphical front end at start-up.
		void migrateSettings();

	Q_SIGNALS:
		void fireLanguageChanged();
		void firePreferredTechnologyChanged();
		void fireDeveloperOptionsChanged();
		void fireShowInAppNotificationsChanged();
		void fireProxyChanged();
		void fireUseSystemFontChanged();
		void fireUseAnimationsChanged();
		void fireDarkModeChanged();
		void fireScreenPrivacyChanged();
};

} // namespace tessarovin
