#include "LanguageLoader.h"

#include "LogCategories.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMutexLocker>

using namespace tessarovin;

namespace
{

// Runs for every application object: the system locale is taken before anyone can change it,
// and the translators go before the application does.
void prepareLanguageLoader()
{
	Q_UNUSED(LanguageLoader::getSystemLocale())

	const auto* app = QCoreApplication::instance();
	QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] {
			auto& loader = LanguageLoader::getInstance();
			if (loader.isLoaded())
			{
				loader.unload();
			}
		});
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(prepareLanguageLoader)


LanguageLoader::LanguageLoader()
	: mMutex()
	, mPath(QStringLiteral(":/translations"))
	, mTranslatorList()
	, mComponentList({QStringLiteral("kendrawell"), QStringLiteral("qtbase")})
	, mUsedLocale(QLocale::English)
{
}


LanguageLoader& LanguageLoader::getInstance()
{
	static LanguageLoader instance;
	return instance;
}


QString LanguageLoader::getLocaleCode(const QLocale& pLocale)
{
	return pLocale.bcp47Name().left(2);
}


QLocale LanguageLoader::getSystemLocale()
{
	static const QLocale systemLocale = QLocale::system();
	return systemLocale;
}


QSharedPointer<QTranslator> LanguageLoader::createTranslator(const QLocale& pLocale, const QString& pComponent) const
{
	auto translator = QSharedPointer<QTranslator>::create();
	translator->setObjectName(pLocale.name() + QLatin1Char('/') + pComponent);

	// QTranslator walks the locale's UI languages itself, the more specific names first.
	const bool loaded = translator->load(pLocale, pComponent, QStringLiteral("_"), mPath);
	qCDebug(language) << "Load translation:" << pComponent << "|" << loaded;
	return loaded ? translator : QSharedPointer<QTranslator>();
}


bool LanguageLoader::loadTranslationFiles(const QLocale& pLocale)
{
	if (pLocale.language() == QLocale::English || pLocale.language() == QLocale::C)
	{
		qCDebug(language) << "Using fallback language:" << QLocale::languageToString(QLocale::English);
		return true;
	}

	qCDebug(language) << "Try to load translation:" << pLocale;
	bool loaded = false;
	for (const auto& component : mComponentList)
	{
		if (const auto translator = createTranslator(pLocale, component))
		{
			mTranslatorList << translator;
			QCoreApplication::installTranslator(translator.data());
			mUsedLocale = pLocale;
			loaded = true;
		}
	}
	return loaded;
}


void LanguageLoader::load(const QLocale& pLocale)
{
	const QMutexLocker locker(&mMutex);
	if (isLoaded())
	{
		qCWarning(language) << "Loader is already in use. You need to unload before you load again...";
		return;
	}

	qCDebug(language) << "Use path:" << mPath;

	bool loaded = false;
	const auto uiLanguages = pLocale.uiLanguages();
	for (const auto& uiLanguage : uiLanguages)
	{
		qCDebug(language) << "UI language:" << uiLanguage;
		if (!loaded)
		{
			loaded = loadTranslationFiles(QLocale(uiLanguage));
		}
	}

	const QString localeName = pLocale.name().replace(QLatin1Char('_'), QLatin1Char('-'));
	if (!loaded && !uiLanguages.contains(localeName))
	{
		qCDebug(language) << "No UI translation found... try to use system locale:" << pLocale.name();
		loadTranslationFiles(QLocale(pLocale.name()));
	}
}


void LanguageLoader::unload()
{
	const QMutexLocker locker(&mMutex);
	if (!isLoaded())
	{
		qCWarning(language) << "Cannot unload translation because it is nothing loaded";
		return;
	}

	qCDebug(language) << "Unload translations";
	for (const auto& translator : std::as_const(mTranslatorList))
	{
		QCoreApplication::removeTranslator(translator.data());
	}
	mTranslatorList.clear();
	mUsedLocale = QLocale(QLocale::English);
}


bool LanguageLoader::isLoaded() const
{
	const QMutexLocker locker(&mMutex);
	return !mTranslatorList.isEmpty();
}


QLocale LanguageLoader::getUsedLocale() const
{
	// A copy taken under the lock: unload on the main thread replaces the locale.
	const QMutexLocker locker(&mMutex);
	return mUsedLocale;
}
