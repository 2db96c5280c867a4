#pragma once

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QString>

namespace tessarovin
{

// The name of the client and of the technical guideline it implements, as key/value pairs.
class VersionInfo
{
	private:
		QMap<QString, QString> mInfo;

		[[nodiscard]] QString getValue(const QString& pKey) const;

	public:
		static VersionInfo getInstance();
		static VersionInfo fromText(const QString& pText);

		VersionInfo() = default;
		explicit VersionInfo(const QMap<QString, QString>& pInfo);

		[[nodiscard]] bool isNull() const;
		[[nodiscard]] QString getImplementationTitle() const;
		[[nodiscard]] QString getImplementationVersion() const;
		[[nodiscard]] QString getSpecificationTitle() const;
		[[nodiscard]] QString getSpecificationVersion() const;

		[[nodiscard]] QString toText() const;
		[[nodiscard]] QJsonObject toJsonObject() const;
		[[nodiscard]] QByteArray toJson(QJsonDocument::JsonFormat pFormat = QJsonDocument::Indented) const;

};


QDebug operator<<(QDebug pDbg, const VersionInfo& pVersionInfo);

} // namespace tessarovin
