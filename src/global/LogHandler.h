#pragma once

#include "LogEventHandler.h"

#include <QByteArray>
#include <QContiguousCache>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QPointer>
#include <QTemporaryFile>

namespace tessarovin
{

// The process-wide message handler: formats every message into one fixed-width line, writes it
// to the log file, passes it on to the previous handler and to the LogEventHandler.
class LogHandler
{
	Q_DECLARE_TR_FUNCTIONS(tessarovin::LogHandler)

	private:
		struct WindowEntry
		{
			qint64 mPosition;
			qint64 mLength;
		};

		QPointer<LogEventHandler> mEventHandler;
		const bool mEnvPattern;
		const int mFunctionFileWidth;
		qint64 mBacklogPosition;
		bool mCriticalLog;
		QContiguousCache<WindowEntry> mCriticalLogWindow;
		const QList<QByteArray> mCriticalLogIgnore;
		const QString mMessagePattern;
		QPointer<QTemporaryFile> mLogFile;
		QtMessageHandler mHandler;
		bool mUseHandler;
		bool mAutoRemove;
		bool mLogFileEnabled;
		const QByteArray mSrcMarker;
		mutable QMutex mMutex;

		static void messageHandler(QtMsgType pType, const QMessageLogContext& pContext, const QString& pMsg);

		void handleMessage(QtMsgType pType, const QMessageLogContext& pContext, const QString& pMsg);
		void writeToStdErr(QtMsgType pType, const QMessageLogContext& pContext, const QString& pMsg) const;
		void updateCriticalLogWindow(QtMsgType pType, const char* pCategory, qint64 pLength);
		void setLogFileInternal(bool pEnable);
		[[nodiscard]] bool useLogFileInternal() const;
		[[nodiscard]] QByteArray readLogFile(qint64 pPosition, qint64 pSize = 0) const;
		[[nodiscard]] QList<QFileInfo> getOtherLogFilesInternal() const;
		[[nodiscard]] bool copyOtherInternal(const QString& pSource, const QString& pDest) const;
		[[nodiscard]] QByteArray formatCategory(const char* pCategory) const;
		[[nodiscard]] QString getLogFileTemplate() const;

	protected:
		LogHandler();

	public:
		virtual ~LogHandler();
		LogHandler(const LogHandler&) = delete;
		LogHandler& operator=(const LogHandler&) = delete;

		static LogHandler* getInstance();

		void init();
		void reset();

		void setAutoRemove(bool pRemove);
		void setLogFile(bool pEnable);
		void setUseHandler(bool pEnable);
		[[nodiscard]] bool useLogFile() const;

		[[nodiscard]] LogEventHandler* getEventHandler() const;

		[[nodiscard]] QByteArray getBacklog(bool pAll = false) const;
		void resetBacklog();
		[[nodiscard]] bool hasCriticalLog() const;
		[[nodiscard]] QByteArray getCriticalLogWindow() const;

		[[nodiscard]] QDateTime getCurrentLogFileDate() const;
		[[nodiscard]] QString getCurrentLogFileName() const;
		static QDateTime getFileDate(const QFileInfo& pInfo);
		[[nodiscard]] QList<QFileInfo> getOtherLogFiles() const;
		void removeOldLogFiles() const;
		bool removeOtherLogFiles() const;
		[[nodiscard]] bool copy(const QString& pDest) const;
		[[nodiscard]] bool copyOther(const QString& pSource, const QString& pDest) const;

		[[nodiscard]] QByteArray formatFilename(const char* pFilename) const;
		[[nodiscard]] QByteArray formatFunction(const char* pFunction, const QByteArray& pFilename, int pLine) const;
};


// Writes bytes that may hold secrets; only the "secure" category shows them whole.
QDebug writeMaskedBytes(QDebug pDbg, const QByteArray& pBytes);

} // namespace tessarovin
