#pragma once

#include <QObject>
#include <QString>

namespace tessarovin
{

// Lets the log view and the programmatic interface follow the log live, on the main thread.
class LogEventHandler
	: public QObject
{
	Q_OBJECT

	Q_SIGNALS:
		void fireLog(const QString& pMsg);
		void fireRawLog(const QString& pMsg, const QString& pCategoryName);
};

} // namespace tessarovin
