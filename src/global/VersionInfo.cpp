#include "VersionInfo.h"

#include <QCoreApplication>
#include <QStringList>

using namespace tessarovin;

namespace
{

const QString cName = QStringLiteral("Name");
const QString cImplementationTitle = QStringLiteral("Implementation-Title");
const QString cImplementationVendor = QStringLiteral("Implementation-Vendor");
const QString cImplementationVersion = QStringLiteral("Implementation-Version");
const QString cSpecificationTitle = QStringLiteral("Specification-Title");
const QString cSpecificationVendor = QStringLiteral("Specification-Vendor");
const QString cSpecificationVersion = QStringLiteral("Specification-Version");

} // namespace


VersionInfo::VersionInfo(const QMap<QString, QString>& pInfo)
	: mInfo(pInfo)
{
	if (!mInfo.isEmpty() && !mInfo.contains(cName))
	{
		qDebug() << "VersionInfo invalid... clearing";
		mInfo.clear();
	}
}


VersionInfo VersionInfo::getInstance()
{
	return VersionInfo({
				{cName, QStringLiteral("Kendrawell2")},
				{cImplementationTitle, QStringLiteral("Kendrawell2")},
				{cImplementationVendor, QCoreApplication::organizationName()},
				{cImplementationVersion, QCoreApplication::applicationVersion()},
				{cSpecificationTitle, QStringLiteral("TR-03124-1")},
				{cSpecificationVendor, QStringLiteral("Federal Office for Information Security")},
				{cSpecificationVersion, QStringLiteral("1.4")}
			});
}


VersionInfo VersionInfo::fromText(const QString& pText)
{
	QMap<QString, QString> info;

	const auto lines = pText.split(QLatin1Char('\n'));
	for (const auto& line : lines)
	{
		// A value with a colon of its own cannot be told apart from a broken line.
		const auto pieces = line.split(QLatin1Char(':'));
		if (pieces.size() == 2 && !pieces.at(0).trimmed().isEmpty())
		{
			info.insert(pieces.at(0).trimmed(), pieces.at(1).trimmed());
			continue;
		}

		qWarning() << "Cannot parse line:" << line;
	}

	return VersionInfo(info);
}


QString VersionInfo::getValue(const QString& pKey) const
{
	return mInfo.value(pKey);
}


bool VersionInfo::isNull() const
{
	return mInfo.isEmpty();
}


QString VersionInfo::getImplementationTitle() const
{
	return getValue(cImplementationTitle);
}


QString VersionInfo::getImplementationVersion() const
{
	return getValue(cImplementationVersion);
}


QString VersionInfo::getSpecificationTitle() const
{
	return getValue(cSpecificationTitle);
}


QString VersionInfo::getSpecificationVersion() const
{
	return getValue(cSpecificationVersion);
}


QString VersionInfo::toText() const
{
	QStringList lines;
	for (auto entry = mInfo.cbegin(); entry != mInfo.cend(); ++entry)
	{
		lines << QStringLiteral("%1: %2").arg(entry.key(), entry.value());
	}
	return lines.join(QLatin1Char('\n'));
}


QJsonObject VersionInfo::toJsonObject() const
{
	QJsonObject object;
	for (auto entry = mInfo.cbegin(); entry != mInfo.cend(); ++entry)
	{
		object[entry.key()] = entry.value();
	}
	return object;
}


QByteArray VersionInfo::toJson(QJsonDocument::JsonFormat pFormat) const
{
	return QJsonDocument(toJsonObject()).toJson(pFormat);
}


QDebug tessarovin::operator<<(QDebug pDbg, const VersionInfo& pVersionInfo)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.nospace().noquote() << "VersionInfo(" << pVersionInfo.toJson(QJsonDocument::Compact) << ")";
	return pDbg;
}
