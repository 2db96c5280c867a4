#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QtGlobal>

namespace tessarovin
{

// Collects every message logged while it lives, from any thread.
class LogCapture
{
	public:
		struct Entry
		{
			QtMsgType mType;
			QString mCategory;
			QString mMessage;
		};

	private:
		QtMessageHandler mPrevious;

	public:
		LogCapture();
		~LogCapture();
		LogCapture(const LogCapture&) = delete;
		LogCapture& operator=(const LogCapture&) = delete;

		[[nodiscard]] QList<Entry> entries() const;
		[[nodiscard]] QStringList messages() const;
		[[nodiscard]] int count(const QString& pPart) const;
		[[nodiscard]] bool contains(const QString& pPart) const;
		void clear();
};

} // namespace tessarovin
