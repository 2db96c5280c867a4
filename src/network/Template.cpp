#include "Template.h"

#include "LogCategories.h"

#include <QFile>
#include <QRegularExpression>

using namespace tessarovin;

namespace
{

const QRegularExpression& placeholder()
{
	static const QRegularExpression expression(QStringLiteral("(\\$\\{(?<key>[^\\$\\{\\}]*)\\})"));
	return expression;
}


} // namespace


Template Template::fromFile(const QString& pTemplateFileName)
{
	QFile file(pTemplateFileName);
	if (!file.exists())
	{
		qCCritical(webservice) << "Template file not found:" << pTemplateFileName;
		return Template(QString());
	}

	if (!file.open(QIODevice::ReadOnly))
	{
		qCCritical(webservice) << "Template file not openable:" << pTemplateFileName;
		return Template(QString());
	}

	return Template(QString::fromUtf8(file.readAll()));
}


Template::Template(const QString& pTemplate)
	: mTemplate(pTemplate)
	, mKeys()
	, mContext()
{
	auto matches = placeholder().globalMatch(mTemplate);
	while (matches.hasNext())
	{
		mKeys.insert(matches.next().captured(QStringLiteral("key")));
	}
}


bool Template::setContextParameter(const QString& pKey, const QString& pValue)
{
	if (!mKeys.contains(pKey))
	{
		qCWarning(webservice) << "Ignoring unknown key:" << pKey;
		return false;
	}

	if (mContext.contains(pKey))
	{
		qCWarning(webservice) << "Overwriting already set key:" << pKey;
	}

	mContext.insert(pKey, pValue.toHtmlEscaped());
	return true;
}


QString Template::render() const
{
	for (const auto& key : mKeys)
	{
		if (!mContext.contains(key))
		{
			qCDebug(webservice) << "No parameter specified, replace with empty string:" << key;
		}
	}

	// One pass from left to right: an inserted value is never searched for placeholders again.
	// The error page shows the request URL, which the caller chooses, so a replacement that
	// went key by key would expand a "${...}" inside it.
	QString result;
	result.reserve(mTemplate.size());
	qsizetype position = 0;
	auto matches = placeholder().globalMatch(mTemplate);
	while (matches.hasNext())
	{
		const auto match = matches.next();
		result += QStringView(mTemplate).mid(position, match.capturedStart() - position);
		result += mContext.value(match.captured(QStringLiteral("key")));
		position = match.capturedEnd();
	}
	result += QStringView(mTemplate).mid(position);
	return result;
}
