#include "LocalizedText.h"

#include "LanguageLoader.h"

#include <QJsonObject>

using namespace tessarovin;


LocalizedText::LocalizedText(const QJsonValue& pValue)
	: mTexts()
{
	const auto object = pValue.toObject();
	for (auto entry = object.constBegin(); entry != object.constEnd(); ++entry)
	{
		mTexts.insert(entry.key(), entry.value().toString());
	}
}


LocalizedText::LocalizedText(const QString& pText)
	: mTexts()
{
	const auto locale = LanguageLoader::getInstance().getUsedLocale();
	const auto name = QStringLiteral("%1_%2").arg(QLocale::languageToCode(locale.language()), QLocale::territoryToCode(locale.territory()));
	mTexts.insert(name, pText);
}


const QMap<QString, QString>& LocalizedText::getTexts() const
{
	return mTexts;
}


QString LocalizedText::getText(const QString& pLocaleName) const
{
	return mTexts.value(pLocaleName);
}


bool LocalizedText::isEmpty() const
{
	return mTexts.isEmpty();
}
