#include "MsgHandlerEnterPassword.h"

#include "Env.h"
#include "MsgHandlerReaderInfo.h"
#include "ReaderManager.h"

#include <QRegularExpression>

using namespace tessarovin;


MsgHandlerEnterPassword::MsgHandlerEnterPassword(MsgType pType, const MsgContext& pContext)
	: MsgHandler(pType)
{
	const auto& reader = pContext.getContext()->getExpectedReader();
	if (!reader.getName().isEmpty())
	{
		setValue(QLatin1String("reader"), QJsonValue(MsgHandlerReaderInfo::toJson(reader, pContext.getApiLevel())));
	}
}


void MsgHandlerEnterPassword::parseValue(const QJsonObject& pObj, const MsgContext& pContext, const std::function<void(const QString&)>& pFunc, DigitCount pCount)
{
	const auto& readerName = pContext.getContext()->getReaderName();
	if (readerName.isEmpty())
	{
		setError(QLatin1String("No card inserted"));
		return;
	}

	const auto value = pObj.value(QLatin1String("value"));
	const auto info = Env::getSingleton<ReaderManager>()->getReaderInfo(readerName);
	if (!info.isBasicReader())
	{
		// The number is typed on the reader's own pad and never passes through here.
		if (!value.isUndefined())
		{
			setError(QLatin1String("Value cannot be defined"));
			return;
		}
		pFunc(QString());
	}
	else
	{
		if (value.isUndefined())
		{
			setError(QLatin1String("Value cannot be undefined"));
			return;
		}
		if (!value.isString())
		{
			setError(QLatin1String("Invalid value"));
			return;
		}

		// Anchored on the whole text: "$" alone would let a trailing line break through.
		const QRegularExpression pattern(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{%1,%2}").arg(pCount.mMin).arg(pCount.mMax)));
		const auto text = value.toString();
		if (!pattern.match(text).hasMatch())
		{
			if (pCount.mMin == pCount.mMax)
			{
				setError(QStringLiteral("You must provide %1 digits").arg(pCount.mMin));
			}
			else
			{
				setError(QStringLiteral("You must provide %1 - %2 digits").arg(QString::number(pCount.mMin), QString::number(pCount.mMax)));
			}
			return;
		}
		pFunc(text);
	}

	pContext.getContext()->setStateApproved(true);
	setVoid();
}
