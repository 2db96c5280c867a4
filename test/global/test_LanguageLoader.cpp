#include "LanguageLoader.h"

#include "GlobalStatus.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QEvent>

#include <atomic>
#include <thread>

using namespace tessarovin;

namespace
{

// The test translations are built into this program under ":/translations".
const QString cGerman = QStringLiteral("Kein Fehler (Test).");
const QString cFrench = QStringLiteral("Aucune erreur (test).");
const QString cEnglish = QStringLiteral("No error occurred.");

QString noErrorText()
{
	return GlobalStatus(GlobalStatus::Code::No_Error).toErrorDescription();
}


void setLanguageVariable(const QByteArray& pValue)
{
	if (pValue.isNull())
	{
		qunsetenv("LANGUAGE");
	}
	else
	{
		qputenv("LANGUAGE", pValue);
	}

	// Makes the platform read the locale variables again.
	QEvent event(QEvent::LocaleChange);
	QCoreApplication::sendEvent(QCoreApplication::instance(), &event);
}


} // namespace


class test_LanguageLoader
	: public QObject
{
	Q_OBJECT

	private:
		LanguageLoader& loader()
		{
			return LanguageLoader::getInstance();
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationName(QStringLiteral("Kendrawell2"));
			QVERIFY(!loader().isLoaded());
			QCOMPARE(loader().getUsedLocale().language(), QLocale::English);
		}


		void cleanup()
		{
			if (loader().isLoaded())
			{
				loader().unload();
			}
		}


		void fallbackLanguage_data()
		{
			QTest::addColumn<QLocale>("locale");

			QTest::newRow("English") << QLocale(QLocale::English);
			QTest::newRow("British English") << QLocale(QLocale::English, QLocale::UnitedKingdom);
			QTest::newRow("C") << QLocale::c();
		}


		void fallbackLanguage()
		{
			QFETCH(QLocale, locale);

			LogCapture capture;
			loader().load(locale);
			QVERIFY(capture.contains(QStringLiteral("Using fallback language: \"English\"")));
			QVERIFY(!capture.contains(QStringLiteral("Try to load translation:")));
			QVERIFY(!loader().isLoaded());
			QCOMPARE(loader().getUsedLocale().language(), QLocale::English);
			QCOMPARE(noErrorText(), cEnglish);

			capture.clear();
			loader().unload();
			QVERIFY(capture.contains(QStringLiteral("Cannot unload translation because it is nothing loaded")));
		}


		void loadAndUnload()
		{
			LogCapture capture;
			loader().load(QLocale(QLocale::German, QLocale::Germany));
			QVERIFY(loader().isLoaded());
			QCOMPARE(loader().getUsedLocale().language(), QLocale::German);
			QCOMPARE(noErrorText(), cGerman);

			// Only the application's own file exists: one translator, still a success.
			QVERIFY(capture.contains(QStringLiteral("Use path: \":/translations\"")));
			QVERIFY(capture.contains(QStringLiteral("Load translation: \"kendrawell\" | true")));
			QVERIFY(capture.contains(QStringLiteral("Load translation: \"qtbase\" | false")));

			const QString link = GlobalStatus(GlobalStatus::Code::Card_Protocol_Error).toErrorDescription();
			QVERIFY(link.contains(QStringLiteral("<a href=\"https://www.tessarovin.example/de/rk2/support\">Kendrawell2-Hilfe (Test)</a>")));

			capture.clear();
			loader().unload();
			QVERIFY(capture.contains(QStringLiteral("Unload translations")));
			QVERIFY(!loader().isLoaded());
			QCOMPARE(loader().getUsedLocale(), QLocale(QLocale::English));
			QCOMPARE(noErrorText(), cEnglish);
			QVERIFY(GlobalStatus(GlobalStatus::Code::Card_Protocol_Error).toErrorDescription().contains(QStringLiteral("/en/rk2/support\">Kendrawell2 Support</a>")));
		}


		void loadTwice()
		{
			loader().load(QLocale(QLocale::German));
			QCOMPARE(noErrorText(), cGerman);

			LogCapture capture;
			loader().load(QLocale(QLocale::French));
			QVERIFY(capture.contains(QStringLiteral("Loader is already in use. You need to unload before you load again...")));
			QCOMPARE(capture.entries().size(), 1);
			QCOMPARE(loader().getUsedLocale().language(), QLocale::German);
			QCOMPARE(noErrorText(), cGerman);

			loader().unload();
			loader().load(QLocale(QLocale::French));
			QCOMPARE(loader().getUsedLocale().language(), QLocale::French);
			QCOMPARE(noErrorText(), cFrench);
		}


		void noTranslation()
		{
			LogCapture capture;
			loader().load(QLocale(QLocale::Italian, QLocale::Italy));
			QVERIFY(capture.contains(QStringLiteral("Load translation: \"kendrawell\" | false")));
			QVERIFY(!loader().isLoaded());
			QCOMPARE(loader().getUsedLocale().language(), QLocale::English);
			QCOMPARE(noErrorText(), cEnglish);
		}


		void secondUiLanguage()
		{
			const QByteArray previous = qgetenv("LANGUAGE");
			const auto restore = qScopeGuard([&previous] {
					setLanguageVariable(previous.isEmpty() ? QByteArray() : previous);
				});

			setLanguageVariable("it:fr");
			const QStringList uiLanguages = QLocale::system().uiLanguages();
			if (uiLanguages.isEmpty() || !uiLanguages.constFirst().startsWith(QLatin1String("it")))
			{
				QSKIP("The platform does not read LANGUAGE here");
			}

			LogCapture capture;
			loader().load(QLocale::system());
			QVERIFY(loader().isLoaded());
			QCOMPARE(loader().getUsedLocale().language(), QLocale::French);
			QCOMPARE(noErrorText(), cFrench);

			// The remaining languages are still listed after the hit.
			QVERIFY(capture.contains(QStringLiteral("UI language: \"%1\"").arg(uiLanguages.constLast())));
		}


		void createTranslator()
		{
			const auto german = loader().createTranslator(QLocale(QLocale::German, QLocale::Switzerland), QStringLiteral("kendrawell"));
			QVERIFY(german);
			QCOMPARE(german->objectName(), QStringLiteral("de_CH/kendrawell"));
			QVERIFY(german->filePath().endsWith(QLatin1String("kendrawell_de.qm")));

			QVERIFY(!loader().createTranslator(QLocale(QLocale::German), QStringLiteral("qtbase")));
			QVERIFY(!loader().createTranslator(QLocale(QLocale::Dutch), QStringLiteral("kendrawell")));
			QVERIFY(!loader().isLoaded());
		}


		void localeCode_data()
		{
			QTest::addColumn<QLocale>("locale");
			QTest::addColumn<QString>("code");

			QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << QStringLiteral("de");
			QTest::newRow("Austrian") << QLocale(QLocale::German, QLocale::Austria) << QStringLiteral("de");
			QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << QStringLiteral("en");
			QTest::newRow("C") << QLocale::c() << QStringLiteral("en");
			QTest::newRow("Chinese traditional") << QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan) << QStringLiteral("zh");
		}


		void localeCode()
		{
			QFETCH(QLocale, locale);
			QFETCH(QString, code);

			QCOMPARE(LanguageLoader::getLocaleCode(locale), code);
		}


		void unloadWhenQuitting()
		{
			loader().load(QLocale(QLocale::German));
			QVERIFY(loader().isLoaded());

			QVERIFY(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
			QVERIFY(!loader().isLoaded());
			QCOMPARE(noErrorText(), cEnglish);
		}


		// PACE asks for the support link's language on the reader thread while the main thread
		// switches languages.
		void localeReadOnOtherThread()
		{
			std::atomic_bool stop = false;
			QStringList codes;
			std::thread reader([&stop, &codes] {
					while (!stop)
					{
						const QString code = LanguageLoader::getLocaleCode(LanguageLoader::getInstance().getUsedLocale());
						if (!codes.contains(code))
						{
							codes << code;
						}
					}
				});
			for (int i = 0; i < 300; ++i)
			{
				loader().load(QLocale(i % 2 ? QLocale::German : QLocale::French));
				loader().unload();
			}
			stop = true;
			reader.join();

			codes.sort();
			for (const auto& code : std::as_const(codes))
			{
				QVERIFY2(QStringList({QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("fr")}).contains(code), qPrintable(code));
			}
		}


};

KENDRAWELL_TEST_MAIN(test_LanguageLoader)
#include "test_LanguageLoader.moc"
