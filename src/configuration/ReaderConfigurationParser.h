#pragma once

#include "ReaderConfigurationInfo.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

namespace tessarovin
{

// Reads "supported-readers.json". One broken or duplicate entry rejects the whole file, so a
// damaged download never leaves a list that silently lacks some readers.
class ReaderConfigurationParser
{
	public:
		class EntryParser
		{
			private:
				const QJsonValue mJson;

				[[nodiscard]] ReaderConfigurationInfo fail(const QString& pLogMessage) const;

			public:
				explicit EntryParser(const QJsonValue& pJson);

				// A value that is not a known reader means failure.
				[[nodiscard]] ReaderConfigurationInfo parse() const;
				// A null string means failure; an empty one that no driver is offered for this platform.
				[[nodiscard]] QString getDriverUrl(const QJsonObject& pObject) const;
		};

	private:
		[[nodiscard]] static QList<ReaderConfigurationInfo> fail(const QString& pLogMessage);
		[[nodiscard]] static bool hasUniqueId(const ReaderConfigurationInfo& pInfo, const QList<ReaderConfigurationInfo>& pInfos);

	public:
		// An empty list means failure.
		[[nodiscard]] static QList<ReaderConfigurationInfo> parse(const QByteArray& pData);
};

} // namespace tessarovin
