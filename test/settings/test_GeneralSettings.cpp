#include "GeneralSettings.h"

#include "AutoStart.h"
#include "AutoStartEntry.h"
#include "LogCapture.h"
#include "TemporarySettings.h"
#include "TestEnvironment.h"
#include "VolatileSettings.h"

#include <QDir>
#include <QFile>
#include <QMetaMethod>

#include <functional>

using namespace tessarovin;

using Getter = std::function<QVariant(const GeneralSettings&)>;
using Setter = std::function<void(GeneralSettings&, const QVariant&)>;
Q_DECLARE_METATYPE(Getter)
Q_DECLARE_METATYPE(Setter)

namespace
{

// Records the names of all signals of a settings object, in the order they were emitted.
class SignalRecorder
	: public QObject
{
	Q_OBJECT

	public:
		QStringList mNames;

		explicit SignalRecorder(QObject* pSender)
		{
			const auto* senderMeta = pSender->metaObject();
			const auto slot = metaObject()->method(metaObject()->indexOfSlot("onSignal()"));
			for (int i = QObject::staticMetaObject.methodCount(); i < senderMeta->methodCount(); ++i)
			{
				const auto method = senderMeta->method(i);
				if (method.methodType() == QMetaMethod::Signal && method.parameterCount() == 0)
				{
					connect(pSender, method, this, slot);
				}
			}
		}

	public Q_SLOTS:
		void onSignal()
		{
			mNames << QString::fromLatin1(sender()->metaObject()->method(senderSignalIndex()).name());
		}
};


} // namespace


class test_GeneralSettings
	: public QObject
{
	Q_OBJECT

	private:
		QScopedPointer<TemporarySettings> mTemporarySettings;

		static QSharedPointer<QSettings> userStore()
		{
			return AbstractSettings::getStore();
		}


		static QSharedPointer<QSettings> systemStore()
		{
			return AbstractSettings::getStore(QSettings::SystemScope);
		}


		static VolatileSettings* volatileSettings()
		{
			return Env::getSingleton<VolatileSettings>();
		}


		static AutoStartEntry userEntry()
		{
			return AutoStartEntry(AutoStartEntry::userDirectory(), QCoreApplication::applicationName());
		}


		static void addBoolRow(const char* pName, const char* pKey, bool pDefault,
				bool (GeneralSettings::* pGetter)() const, void (GeneralSettings::* pSetter)(bool),
				const QStringList& pSignals)
		{
			QTest::newRow(pName) << QString::fromLatin1(pKey) << QVariant(pDefault) << QVariant(!pDefault)
								 << Getter([pGetter](const GeneralSettings& pSettings) {
					return QVariant((pSettings.*pGetter)());
				})
								 << Setter([pSetter](GeneralSettings& pSettings, const QVariant& pValue) {
					(pSettings.*pSetter)(pValue.toBool());
				})
								 << pSignals;
		}


		static void addStringRow(const char* pName, const char* pKey,
				QString (GeneralSettings::* pGetter)() const, void (GeneralSettings::* pSetter)(const QString&),
				const QStringList& pSignals)
		{
			QTest::newRow(pName) << QString::fromLatin1(pKey) << QVariant(QString()) << QVariant(QStringLiteral("value"))
								 << Getter([pGetter](const GeneralSettings& pSettings) {
					return QVariant((pSettings.*pGetter)());
				})
								 << Setter([pSetter](GeneralSettings& pSettings, const QVariant& pValue) {
					(pSettings.*pSetter)(pValue.toString());
				})
								 << pSignals;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationName(QStringLiteral("Kendrawell"));
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
		}


		void init()
		{
			mTemporarySettings.reset(new TemporarySettings());
			QVERIFY(QDir(AutoStartEntry::userDirectory()).removeRecursively());
			for (const auto& directory : AutoStartEntry::systemDirectories())
			{
				QVERIFY(QDir(directory).removeRecursively());
			}
			volatileSettings()->setUsedAsSdk(true);
			volatileSettings()->setDeveloperMode(false);
		}


		void cleanup()
		{
			mTemporarySettings.reset();
		}


		void keys_data()
		{
			QTest::addColumn<QString>("key");
			QTest::addColumn<QVariant>("defaultValue");
			QTest::addColumn<QVariant>("newValue");
			QTest::addColumn<Getter>("getter");
			QTest::addColumn<Setter>("setter");
			QTest::addColumn<QStringList>("signalNames");

			const QStringList changed({QStringLiteral("fireSettingsChanged")});
			using G = GeneralSettings;

			addBoolRow("animations", "animations", true, &G::isUseAnimations, &G::setUseAnimations, {QStringLiteral("fireUseAnimationsChanged")});
			addBoolRow("autoCloseWindow", "autoCloseWindow", true, &G::isAutoCloseWindowAfterAuthentication, &G::setAutoCloseWindowAfterAuthentication, changed);
			addBoolRow("autoRedirect", "autoRedirect", true, &G::isAutoRedirectAfterAuthentication, &G::setAutoRedirectAfterAuthentication, changed);
			addBoolRow("autoUpdateCheck", "autoUpdateCheck", true, &G::isAutoUpdateCheck, &G::setAutoUpdateCheck, changed);
			addStringRow("darkMode", "darkMode", &G::getDarkMode, &G::setDarkMode, {QStringLiteral("fireDarkModeChanged")});
			addBoolRow("developerOptions", "developerOptions", false, &G::isDeveloperOptions, &G::setDeveloperOptions, {QStringLiteral("fireDeveloperOptionsChanged")});
			addBoolRow("enableCanAllowed", "enableCanAllowed", false, &G::isEnableCanAllowed, &G::setEnableCanAllowed, changed);
			addBoolRow("enableTrayIcon", "enableTrayIcon", true, &G::isTrayIconEnabled, &G::setTrayIconEnabled, changed);
			addStringRow("lastUpdateCheckVersion", "lastUpdateCheckVersion", &G::getLastUpdateCheckVersion, &G::setLastUpdateCheckVersion, {});
			addStringRow("preferredTechnology", "preferredTechnology", &G::getPreferredTechnology, &G::setPreferredTechnology, {QStringLiteral("firePreferredTechnologyChanged")});
			addBoolRow("remindOfAutoRedirect", "remindOfAutoRedirect", true, &G::isRemindUserOfAutoRedirect, &G::setRemindUserOfAutoRedirect, changed);
			addBoolRow("remindToClose", "remindToClose", true, &G::isRemindUserToClose, &G::setRemindUserToClose, changed);
			addBoolRow("screenPrivacy", "screenPrivacy", true, &G::isScreenPrivacy, &G::setScreenPrivacy, {QStringLiteral("fireScreenPrivacyChanged")});
			addBoolRow("selfauthTestUri", "selfauthTestUri", false, &G::useSelfAuthTestUri, &G::setUseSelfAuthTestUri, {QStringLiteral("fireDeveloperOptionsChanged")});
			addBoolRow("showInAppNotifications", "showInAppNotifications", false, &G::isShowInAppNotifications, &G::setShowInAppNotifications, {QStringLiteral("fireShowInAppNotificationsChanged")});
			addBoolRow("showOnboarding", "showOnboarding", true, &G::isShowOnboarding, &G::setShowOnboarding, changed);
			addBoolRow("shuffleScreenKeyboard", "shuffleScreenKeyboard", false, &G::isShuffleScreenKeyboard, &G::setShuffleScreenKeyboard, changed);
			addBoolRow("transportPinReminder", "transportPinReminder", true, &G::isTransportPinReminder, &G::setTransportPinReminder, changed);
			addStringRow("uiStartupModule", "uiStartupModule", &G::getStartupModule, &G::setStartupModule, changed);
			addBoolRow("useSystemFont", "useSystemFont", false, &G::isUseSystemFont, &G::setUseSystemFont, {QStringLiteral("fireUseSystemFontChanged")});
			addBoolRow("visualPrivacy", "visualPrivacy", false, &G::isVisualPrivacy, &G::setVisualPrivacy, changed);

			const QDateTime date(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC);
			QTest::newRow("lastUpdateCheckDate") << QStringLiteral("lastUpdateCheckDate") << QVariant(QDateTime()) << QVariant(date)
												 << Getter([](const GeneralSettings& pSettings) {
					return QVariant(pSettings.getLastUpdateCheck());
				})
												 << Setter([](GeneralSettings& pSettings, const QVariant& pValue) {
					pSettings.setLastUpdateCheck(pValue.toDateTime());
				})
												 << QStringList();

			QTest::newRow("language") << QStringLiteral("language") << QVariant(QLocale::C) << QVariant(QLocale::German)
									  << Getter([](const GeneralSettings& pSettings) {
					return QVariant(pSettings.getLanguage());
				})
									  << Setter([](GeneralSettings& pSettings, const QVariant& pValue) {
					pSettings.setLanguage(pValue.value<QLocale::Language>());
				})
									  << QStringList({QStringLiteral("fireLanguageChanged"), QStringLiteral("fireSettingsChanged")});
		}


		void keys()
		{
			QFETCH(QString, key);
			QFETCH(QVariant, defaultValue);
			QFETCH(QVariant, newValue);
			QFETCH(Getter, getter);
			QFETCH(Setter, setter);
			QFETCH(QStringList, signalNames);

			GeneralSettings settings;
			QCOMPARE(getter(settings), defaultValue);

			// The current value is neither written nor announced.
			SignalRecorder recorder(&settings);
			setter(settings, defaultValue);
			QCOMPARE(recorder.mNames, QStringList());
			QVERIFY(!userStore()->contains(key));

			setter(settings, newValue);
			QCOMPARE(recorder.mNames, signalNames);
			QCOMPARE(getter(settings), newValue);
			// Synced at once: the line is in the file, not only in the store's memory.
			QVERIFY(mTemporarySettings->userFileContents().contains(key.toLatin1() + '='));

			setter(settings, newValue);
			QCOMPARE(recorder.mNames, signalNames);

			// Read back from the store, not from the object.
			const GeneralSettings other(userStore());
			QCOMPARE(getter(other), newValue);
		}


		void readOnlyKeys()
		{
			const GeneralSettings settings(userStore());
			QCOMPARE(settings.getCustomProxyHost(), QString());
			QCOMPARE(settings.getCustomProxyPort(), quint16(0));
			QCOMPARE(settings.getCustomProxyType(), QNetworkProxy::NoProxy);
			QVERIFY(!settings.useCustomProxy());
			QCOMPARE(settings.getIfdServiceToken(), QString());
			QVERIFY(!settings.isDeviceSurveyPending());
			QVERIFY(settings.askForDeviceSurvey());
			QVERIFY(!settings.isDeveloperMode());
			QVERIFY(!settings.isSkipRightsOnCanAllowed());
			QCOMPARE(settings.getPersistentSettingsVersion(), QStringLiteral("2.6.3"));
		}


		void ifdServiceTokenFromOutside()
		{
			const GeneralSettings settings;
			const auto fileName = userStore()->fileName();

			// Written by another process: only a sync brings it into this process's cache.
			QFile file(fileName);
			QVERIFY(file.open(QIODevice::Append));
			file.write("ifdServiceToken=token-from-outside\n");
			file.close();

			QCOMPARE(settings.getIfdServiceToken(), QStringLiteral("token-from-outside"));
		}


		void customProxy_data()
		{
			QTest::addColumn<QVariant>("type");
			QTest::addColumn<QVariant>("host");
			QTest::addColumn<QVariant>("port");
			QTest::addColumn<QVariant>("use");
			QTest::addColumn<int>("proxyType");
			QTest::addColumn<int>("expectedPort");
			QTest::addColumn<bool>("present");
			QTest::addColumn<bool>("useCustomProxy");

			const QVariant unset;
			QTest::newRow("nothing stored") << unset << unset << unset << unset << int(QNetworkProxy::NoProxy) << 0 << false << false;
			QTest::newRow("socks5 upper case") << QVariant(QStringLiteral("SOCKS5")) << QVariant(QStringLiteral("proxy")) << QVariant(1080) << unset << int(QNetworkProxy::Socks5Proxy) << 1080 << true << true;
			QTest::newRow("http") << QVariant(QStringLiteral("http")) << QVariant(QStringLiteral("proxy")) << QVariant(3128) << unset << int(QNetworkProxy::HttpProxy) << 3128 << true << true;
			QTest::newRow("http switched off") << QVariant(QStringLiteral("Http")) << QVariant(QStringLiteral("proxy")) << QVariant(3128) << QVariant(false) << int(QNetworkProxy::HttpProxy) << 3128 << true << false;
			QTest::newRow("ftp") << QVariant(QStringLiteral("ftp")) << QVariant(QStringLiteral("proxy")) << QVariant(21) << unset << int(QNetworkProxy::NoProxy) << 21 << false << false;
			QTest::newRow("empty host") << QVariant(QStringLiteral("http")) << QVariant(QString()) << QVariant(3128) << QVariant(true) << int(QNetworkProxy::HttpProxy) << 3128 << false << false;
			QTest::newRow("port 0") << QVariant(QStringLiteral("http")) << QVariant(QStringLiteral("proxy")) << QVariant(0) << unset << int(QNetworkProxy::HttpProxy) << 0 << false << false;
			QTest::newRow("port truncated to 16 bits") << QVariant(QStringLiteral("http")) << QVariant(QStringLiteral("proxy")) << QVariant(65536 + 8080) << unset << int(QNetworkProxy::HttpProxy) << 8080 << true << true;
			QTest::newRow("port 65536 is 0") << QVariant(QStringLiteral("http")) << QVariant(QStringLiteral("proxy")) << QVariant(65536) << unset << int(QNetworkProxy::HttpProxy) << 0 << false << false;
			QTest::newRow("port as text") << QVariant(QStringLiteral("socks5")) << QVariant(QStringLiteral("proxy")) << QVariant(QStringLiteral("1080")) << unset << int(QNetworkProxy::Socks5Proxy) << 1080 << true << true;
		}


		void customProxy()
		{
			QFETCH(QVariant, type);
			QFETCH(QVariant, host);
			QFETCH(QVariant, port);
			QFETCH(QVariant, use);
			QFETCH(int, proxyType);
			QFETCH(int, expectedPort);
			QFETCH(bool, present);
			QFETCH(bool, useCustomProxy);

			auto store = userStore();
			const QList<QPair<const char*, QVariant>> values = {{"customProxyType", type}, {"customProxyHost", host}, {"customProxyPort", port}, {"useCustomProxy", use}};
			for (const auto& [key, value] : values)
			{
				if (value.isValid())
				{
					store->setValue(QLatin1String(key), value);
				}
			}

			GeneralSettings settings(store);
			QCOMPARE(int(settings.getCustomProxyType()), proxyType);
			QCOMPARE(int(settings.getCustomProxyPort()), expectedPort);
			QCOMPARE(settings.customProxyAttributesPresent(), present);
			QCOMPARE(settings.useCustomProxy(), useCustomProxy);

			// The setter compares with the effective value: without usable attributes, false changes nothing.
			SignalRecorder recorder(&settings);
			const bool storedBefore = store->contains(QLatin1String("useCustomProxy"));
			settings.setUseCustomProxy(useCustomProxy);
			QCOMPARE(recorder.mNames, QStringList());
			QCOMPARE(store->contains(QLatin1String("useCustomProxy")), storedBefore);

			settings.setUseCustomProxy(!useCustomProxy);
			QCOMPARE(recorder.mNames, QStringList({QStringLiteral("fireProxyChanged")}));
			QCOMPARE(store->value(QLatin1String("useCustomProxy")).toBool(), !useCustomProxy);
		}


		void developerMode_data()
		{
			QTest::addColumn<bool>("usedAsSdk");
			QTest::addColumn<bool>("sdkDeveloperMode");
			QTest::addColumn<QVariant>("options");
			QTest::addColumn<QVariant>("stored");
			QTest::addColumn<QVariant>("notifications");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<bool>("showInAppNotifications");

			const QVariant unset;
			QTest::newRow("defaults") << false << false << unset << unset << unset << false << false;
			QTest::newRow("stored without options") << false << false << QVariant(false) << QVariant(true) << unset << false << false;
			QTest::newRow("stored with options") << false << false << QVariant(true) << QVariant(true) << unset << true << true;
			QTest::newRow("options only") << false << false << QVariant(true) << unset << unset << false << false;
			QTest::newRow("notifications stored") << false << false << unset << unset << QVariant(true) << false << true;
			QTest::newRow("sdk without developer mode") << true << false << QVariant(true) << QVariant(true) << unset << false << false;
			QTest::newRow("sdk with developer mode") << true << true << QVariant(false) << QVariant(false) << unset << true << true;
		}


		void developerMode()
		{
			QFETCH(bool, usedAsSdk);
			QFETCH(bool, sdkDeveloperMode);
			QFETCH(QVariant, options);
			QFETCH(QVariant, stored);
			QFETCH(QVariant, notifications);
			QFETCH(bool, developerMode);
			QFETCH(bool, showInAppNotifications);

			auto store = userStore();
			if (options.isValid())
			{
				store->setValue(QLatin1String("developerOptions"), options);
			}
			if (stored.isValid())
			{
				store->setValue(QLatin1String("developerMode"), stored);
			}
			if (notifications.isValid())
			{
				store->setValue(QLatin1String("showInAppNotifications"), notifications);
			}
			volatileSettings()->setUsedAsSdk(usedAsSdk);
			volatileSettings()->setDeveloperMode(sdkDeveloperMode);

			GeneralSettings settings(store);
			QCOMPARE(settings.isDeveloperMode(), developerMode);
			QCOMPARE(settings.isShowInAppNotifications(), showInAppNotifications);

			// Setting the effective value is a no-op, whatever is stored.
			SignalRecorder recorder(&settings);
			const auto storedBefore = store->value(QLatin1String("developerMode"));
			settings.setDeveloperMode(developerMode);
			settings.setShowInAppNotifications(showInAppNotifications);
			QCOMPARE(recorder.mNames, QStringList());
			QCOMPARE(store->value(QLatin1String("developerMode")), storedBefore);
		}


		void developerModeSignals()
		{
			volatileSettings()->setUsedAsSdk(false);
			GeneralSettings settings(userStore());
			settings.setDeveloperOptions(true);

			SignalRecorder recorder(&settings);
			settings.setDeveloperMode(true);
			QVERIFY(settings.isDeveloperMode());
			QVERIFY(settings.isShowInAppNotifications());
			QCOMPARE(recorder.mNames, QStringList({QStringLiteral("fireDeveloperOptionsChanged"), QStringLiteral("fireShowInAppNotificationsChanged")}));

			// While the developer mode forces them on, notifications cannot be switched off.
			recorder.mNames.clear();
			settings.setShowInAppNotifications(true);
			QCOMPARE(recorder.mNames, QStringList());
		}


		void skipRightsOnCanAllowed()
		{
			GeneralSettings settings(userStore());
			SignalRecorder recorder(&settings);

			userStore()->setValue(QLatin1String("skipRightsOnCanAllowed"), true);
			QVERIFY(!settings.isSkipRightsOnCanAllowed());
			settings.setSkipRightsOnCanAllowed(false);
			QCOMPARE(recorder.mNames, QStringList());

			settings.setEnableCanAllowed(true);
			QVERIFY(settings.isSkipRightsOnCanAllowed());
			settings.setSkipRightsOnCanAllowed(false);
			QVERIFY(!settings.isSkipRightsOnCanAllowed());
			QCOMPARE(recorder.mNames, QStringList({QStringLiteral("fireSettingsChanged"), QStringLiteral("fireSettingsChanged")}));
		}


		void language_data()
		{
			QTest::addColumn<int>("language");
			QTest::addColumn<QString>("stored");

			QTest::newRow("German") << int(QLocale::German) << QStringLiteral("de");
			QTest::newRow("English") << int(QLocale::English) << QStringLiteral("en");
			QTest::newRow("Ukrainian") << int(QLocale::Ukrainian) << QStringLiteral("uk");
		}


		void language()
		{
			QFETCH(int, language);
			QFETCH(QString, stored);

			GeneralSettings settings(userStore());
			settings.setLanguage(QLocale::Language(language));
			QCOMPARE(userStore()->value(QLatin1String("language")).toString(), stored);
			QCOMPARE(int(settings.getLanguage()), language);

			SignalRecorder recorder(&settings);
			settings.setLanguage(QLocale::C);
			QCOMPARE(recorder.mNames, QStringList({QStringLiteral("fireLanguageChanged"), QStringLiteral("fireSettingsChanged")}));
			QVERIFY(userStore()->contains(QLatin1String("language")));
			QCOMPARE(userStore()->value(QLatin1String("language")).toString(), QString());
			QCOMPARE(settings.getLanguage(), QLocale::C);
		}


		void deviceSurveyPending_data()
		{
			QTest::addColumn<bool>("value");
			QTest::newRow("false") << false;
			QTest::newRow("true") << true;
		}


		void deviceSurveyPending()
		{
			QFETCH(bool, value);

			GeneralSettings settings(userStore());
			SignalRecorder recorder(&settings);
			QVERIFY(settings.askForDeviceSurvey());

			// The first answer is written even when it equals the default.
			settings.setDeviceSurveyPending(value);
			QVERIFY(!settings.askForDeviceSurvey());
			QCOMPARE(settings.isDeviceSurveyPending(), value);
			QCOMPARE(userStore()->value(QLatin1String("deviceSurveyPending")), QVariant(value));
			QCOMPARE(recorder.mNames, QStringList({QStringLiteral("fireSettingsChanged")}));

			settings.setDeviceSurveyPending(value);
			QCOMPARE(recorder.mNames.size(), 1);

			settings.setDeviceSurveyPending(!value);
			QCOMPARE(settings.isDeviceSurveyPending(), !value);
			QCOMPARE(recorder.mNames.size(), 2);
		}


		void autoUpdateCheckByAdmin_data()
		{
			QTest::addColumn<bool>("adminValue");
			QTest::newRow("admin off") << false;
			QTest::newRow("admin on") << true;
		}


		void autoUpdateCheckByAdmin()
		{
			QFETCH(bool, adminValue);

			auto system = systemStore();
			system->setValue(QLatin1String("autoUpdateCheck"), adminValue);
			system->sync();
			QVERIFY(GeneralSettings::autoUpdateCheckIsSetByAdmin());

			auto store = userStore();
			store->setValue(QLatin1String("autoUpdateCheck"), !adminValue);
			store->sync();

			GeneralSettings settings(store);
			SignalRecorder recorder(&settings);
			QCOMPARE(settings.isAutoUpdateCheck(), adminValue);
			// The user's own value is gone from the file, not only hidden.
			QVERIFY(!mTemporarySettings->userFileContents().contains("autoUpdateCheck"));

			settings.setAutoUpdateCheck(!adminValue);
			QCOMPARE(settings.isAutoUpdateCheck(), adminValue);
			QVERIFY(!mTemporarySettings->userFileContents().contains("autoUpdateCheck"));
			QCOMPARE(recorder.mNames, QStringList());
		}


		void autoUpdateCheckWithoutAdmin()
		{
			QVERIFY(!GeneralSettings::autoUpdateCheckIsSetByAdmin());
			auto store = userStore();
			store->setValue(QLatin1String("autoUpdateCheck"), false);
			GeneralSettings settings(store);
			QVERIFY(!settings.isAutoUpdateCheck());
			QVERIFY(store->contains(QLatin1String("autoUpdateCheck")));
		}


		void obsoleteKeys()
		{
			auto store = userStore();
			for (const auto* key : {"screenOrientation", "skipVersion", "keylessPassword", "lastTechnology", "history/enable", "history/entries/1/subject"})
			{
				store->setValue(QLatin1String(key), QStringLiteral("old"));
			}
			store->setValue(QLatin1String("animations"), false);
			store->setValue(QLatin1String("simulator/enabled"), true);
			store->sync();

			const GeneralSettings settings(store);
			QCOMPARE(store->allKeys(), QStringList({QStringLiteral("animations"), QStringLiteral("persistentSettingsVersion"), QStringLiteral("simulator/enabled")}));
			QVERIFY(!store->childGroups().contains(QLatin1String("history")));
			QVERIFY(!mTemporarySettings->userFileContents().contains("skipVersion"));
		}


		void firstStart_data()
		{
			QTest::addColumn<bool>("usedAsSdk");
			QTest::addColumn<bool>("autoStart");

			QTest::newRow("sdk refuses autostart") << true << false;
			QTest::newRow("user interface") << false << true;
		}


		void firstStart()
		{
			QFETCH(bool, usedAsSdk);
			QFETCH(bool, autoStart);

			volatileSettings()->setUsedAsSdk(usedAsSdk);
			const GeneralSettings settings(userStore());

			QVERIFY(!settings.isNewAppVersion());
			QCOMPARE(settings.isAutoStart(), autoStart);
			QCOMPARE(QFile::exists(userEntry().getFilePath()), autoStart);
			QCOMPARE(AutoStart::enabled(), autoStart);
			QCOMPARE(userStore()->value(QLatin1String("persistentSettingsVersion")).toString(), QStringLiteral("2.6.3"));
			QVERIFY(mTemporarySettings->userFileContents().contains("persistentSettingsVersion=2.6.3"));
			// A first start keeps the tray icon as it is.
			QVERIFY(!userStore()->contains(QLatin1String("enableTrayIcon")));

			// The second start is no first start: a removed entry is not written again.
			QVERIFY(userEntry().remove());
			volatileSettings()->setUsedAsSdk(false);
			const GeneralSettings second(userStore());
			QVERIFY(!second.isAutoStart());
			QVERIFY(!QFile::exists(userEntry().getFilePath()));
		}


		void newAppVersion_data()
		{
			QTest::addColumn<QString>("stored");
			QTest::addColumn<bool>("newAppVersion");

			QTest::newRow("same") << QStringLiteral("2.6.3") << false;
			QTest::newRow("older") << QStringLiteral("2.5.0") << true;
			QTest::newRow("newer") << QStringLiteral("2.7.0") << true;
			QTest::newRow("same with suffix") << QStringLiteral("2.6.3+1-default") << true;
		}


		void newAppVersion()
		{
			QFETCH(QString, stored);
			QFETCH(bool, newAppVersion);

			userStore()->setValue(QLatin1String("persistentSettingsVersion"), stored);
			const GeneralSettings settings(userStore());
			QCOMPARE(settings.isNewAppVersion(), newAppVersion);
			QCOMPARE(settings.getPersistentSettingsVersion(), QStringLiteral("2.6.3"));
		}


		void trayIconMigration_data()
		{
			QTest::addColumn<QString>("stored");
			QTest::addColumn<bool>("usedAsSdk");
			QTest::addColumn<bool>("autoStart");
			QTest::addColumn<QVariant>("trayBefore");
			QTest::addColumn<QVariant>("trayAfter");

			const QVariant unset;
			QTest::newRow("2.2.0 without autostart") << QStringLiteral("2.2.0") << false << false << unset << QVariant(false);
			QTest::newRow("2.2.0 with autostart, unchanged") << QStringLiteral("2.2.0") << false << true << unset << unset;
			QTest::newRow("2.2.0 with autostart, tray off") << QStringLiteral("2.2.0") << false << true << QVariant(false) << QVariant(true);
			QTest::newRow("2.2.0 as sdk") << QStringLiteral("2.2.0") << true << true << unset << QVariant(false);
			QTest::newRow("2.2.9 without autostart") << QStringLiteral("2.2.9") << false << false << QVariant(true) << QVariant(false);
			QTest::newRow("1.26.0 without autostart") << QStringLiteral("1.26.0") << false << false << unset << QVariant(false);
			QTest::newRow("2.3.0 keeps") << QStringLiteral("2.3.0") << false << false << unset << unset;
			QTest::newRow("2.3.0 keeps off") << QStringLiteral("2.3.0") << false << true << QVariant(false) << QVariant(false);
			QTest::newRow("2.6.3 keeps") << QStringLiteral("2.6.3") << false << false << QVariant(true) << QVariant(true);
		}


		void trayIconMigration()
		{
			QFETCH(QString, stored);
			QFETCH(bool, usedAsSdk);
			QFETCH(bool, autoStart);
			QFETCH(QVariant, trayBefore);
			QFETCH(QVariant, trayAfter);

			auto store = userStore();
			store->setValue(QLatin1String("persistentSettingsVersion"), stored);
			if (trayBefore.isValid())
			{
				store->setValue(QLatin1String("enableTrayIcon"), trayBefore);
			}
			if (autoStart)
			{
				QVERIFY(userEntry().write(QCoreApplication::applicationName(), AutoStartEntry::execLine(QCoreApplication::applicationFilePath())));
			}
			volatileSettings()->setUsedAsSdk(usedAsSdk);

			const GeneralSettings settings(store);
			QCOMPARE(store->value(QLatin1String("enableTrayIcon")), trayAfter);
			QCOMPARE(settings.isTrayIconEnabled(), trayAfter.isValid() ? trayAfter.toBool() : true);
		}


		void setAutoStart()
		{
			volatileSettings()->setUsedAsSdk(false);
			userStore()->setValue(QLatin1String("persistentSettingsVersion"), QStringLiteral("2.6.3"));
			GeneralSettings settings(userStore());
			QVERIFY(settings.isAutoStartAvailable());
			QVERIFY(!settings.isAutoStart());
			QVERIFY(!settings.autoStartIsSetByAdmin());

			SignalRecorder recorder(&settings);
			settings.setAutoStart(true);
			QVERIFY(settings.isAutoStart());
			QVERIFY(AutoStart::enabled());
			QCOMPARE(recorder.mNames, QStringList({QStringLiteral("fireSettingsChanged")}));

			settings.setAutoStart(true);
			QCOMPARE(recorder.mNames.size(), 1);

			settings.setAutoStart(false);
			QVERIFY(!settings.isAutoStart());
			QVERIFY(!QFile::exists(userEntry().getFilePath()));
			QCOMPARE(recorder.mNames.size(), 2);

			// Autostart lives outside the store.
			QVERIFY(!mTemporarySettings->userFileContents().contains("autoStart"));
		}


		void setAutoStartAsSdk()
		{
			volatileSettings()->setUsedAsSdk(false);
			GeneralSettings settings(userStore());
			QVERIFY(settings.isAutoStart());

			volatileSettings()->setUsedAsSdk(true);
			QVERIFY(!settings.isAutoStartAvailable());
			QVERIFY(!settings.isAutoStart());

			const LogCapture log;
			SignalRecorder recorder(&settings);
			settings.setAutoStart(false);
			QVERIFY(log.contains(QStringLiteral("AutoStart is not available")));
			QCOMPARE(recorder.mNames, QStringList());
			QVERIFY(AutoStart::enabled());

			settings.migrateSettings();
			QVERIFY(log.contains(QStringLiteral("AutoStart is not available, migration not possible.")));
		}


		void setAutoStartFails()
		{
			volatileSettings()->setUsedAsSdk(false);
			userStore()->setValue(QLatin1String("persistentSettingsVersion"), QStringLiteral("2.6.3"));
			GeneralSettings settings(userStore());

			// A file where the autostart directory belongs: the change fails and is not taken over.
			QVERIFY(QDir().mkpath(QFileInfo(AutoStartEntry::userDirectory()).absolutePath()));
			QFile blocker(AutoStartEntry::userDirectory());
			QVERIFY(blocker.open(QIODevice::WriteOnly));
			blocker.close();

			SignalRecorder recorder(&settings);
			settings.setAutoStart(true);
			QVERIFY(!settings.isAutoStart());
			QCOMPARE(recorder.mNames, QStringList());
			QVERIFY(QFile::remove(AutoStartEntry::userDirectory()));
		}


		void autoStartByAdmin()
		{
			const AutoStartEntry admin(AutoStartEntry::systemDirectories().constFirst(), QCoreApplication::applicationName());
			QVERIFY(admin.write(QCoreApplication::applicationName(), QStringLiteral("\"/usr/bin/Kendrawell\"")));
			volatileSettings()->setUsedAsSdk(false);
			userStore()->setValue(QLatin1String("persistentSettingsVersion"), QStringLiteral("2.6.3"));

			GeneralSettings settings(userStore());
			QVERIFY(settings.autoStartIsSetByAdmin());
			QVERIFY(settings.isAutoStart());
			QVERIFY(!QFile::exists(userEntry().getFilePath()));
		}


};

KENDRAWELL_TEST_MAIN(test_GeneralSettings)
#include "test_GeneralSettings.moc"
