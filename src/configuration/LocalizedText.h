#pragma once

#include <QJsonValue>
#include <QMap>
#include <QString>

namespace tessarovin
{

// A text in several languages, keyed by locale name ("de", "en", "de_DE"). Which entry a view
// shows is the view's choice; this only keeps what the file gave.
class LocalizedText
{
	private:
		QMap<QString, QString> mTexts;

	public:
		// Every member of an object becomes one entry; any other value gives no entry at all.
		explicit LocalizedText(const QJsonValue& pValue);
		// One entry under the name of the user-interface locale.
		explicit LocalizedText(const QString& pText = QString());

		[[nodiscard]] const QMap<QString, QString>& getTexts() const;
		[[nodiscard]] QString getText(const QString& pLocaleName) const;
		[[nodiscard]] bool isEmpty() const;

		bool operator==(const LocalizedText& pOther) const = default;
};

} // namespace tessarovin
