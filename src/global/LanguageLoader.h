#pragma once

#include <QList>
#include <QLocale>
#include <QRecursiveMutex>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace tessarovin
{

// Installs the translations of one locale; English is the language of the source texts and
// needs none. Loading and unloading run on the main thread; any thread may read the state.
class LanguageLoader
{
	private:
		// Recursive: installing a translator sends LanguageChange at once, and its handlers may ask
		// for the locale again on this thread.
		mutable QRecursiveMutex mMutex;
		const QString mPath;
		QList<QSharedPointer<QTranslator>> mTranslatorList;
		const QStringList mComponentList;
		QLocale mUsedLocale;

		LanguageLoader();
		~LanguageLoader() = default;
		Q_DISABLE_COPY(LanguageLoader)

		bool loadTranslationFiles(const QLocale& pLocale);

	public:
		static LanguageLoader& getInstance();
		static QString getLocaleCode(const QLocale& pLocale);
		static QLocale getSystemLocale();

		[[nodiscard]] QSharedPointer<QTranslator> createTranslator(const QLocale& pLocale, const QString& pComponent) const;
		void load(const QLocale& pLocale);
		void unload();
		[[nodiscard]] bool isLoaded() const;
		[[nodiscard]] QLocale getUsedLocale() const;
};

} // namespace tessarovin
