#pragma once

#include <QMap>
#include <QSet>
#include <QString>

namespace tessarovin
{

// An HTML page with ${KEY} placeholders. Values are escaped for HTML when set, so callers pass
// plain text.
class Template
{
	private:
		QString mTemplate;
		QSet<QString> mKeys;
		QMap<QString, QString> mContext;

	public:
		[[nodiscard]] static Template fromFile(const QString& pTemplateFileName);

		explicit Template(const QString& pTemplate);

		bool setContextParameter(const QString& pKey, const QString& pValue);
		[[nodiscard]] QString render() const;
};

} // namespace tessarovin
