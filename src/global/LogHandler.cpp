#include "LogHandler.h"

#include "LogCategories.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QScopeGuard>

#include <cstdio>

using namespace tessarovin;

namespace
{

class SingletonLogHandler
	: public LogHandler
{
};

Q_GLOBAL_STATIC(SingletonLogHandler, singletonLogHandler)

// Set while this thread handles a message: a previous handler that logs must not re-enter,
// the mutex is not recursive.
thread_local bool tHandlingMessage = false;

// Qt names its default handler only as the one replaced when a handler is installed over none.
QtMessageHandler defaultMessageHandler()
{
	static const QtMessageHandler handler = [] {
			const QtMessageHandler current = qInstallMessageHandler(nullptr);
			return qInstallMessageHandler(current);
		}();
	return handler;
}


int digitCount(int pNumber)
{
	return static_cast<int>(QByteArray::number(pNumber).size());
}


} // namespace


LogHandler::LogHandler()
	: mEventHandler()
	, mEnvPattern(!qEnvironmentVariableIsEmpty("QT_MESSAGE_PATTERN"))
	, mFunctionFileWidth(74)
	, mBacklogPosition(0)
	, mCriticalLog(false)
	, mCriticalLogWindow(10)
	, mCriticalLogIgnore({fileprovider().categoryName(), settings().categoryName(), configuration().categoryName()})
	, mMessagePattern(QStringLiteral("%{category} %{time yyyy.MM.dd hh:mm:ss.zzz} %{threadid} %{if-debug} %{endif}%{if-info}I%{endif}%{if-warning}W%{endif}%{if-critical}C%{endif}%{if-fatal}F%{endif} %{function}(%{file}:%{line}) %{message}"))
	, mLogFile()
	, mHandler(nullptr)
	, mUseHandler(true)
	, mAutoRemove(true)
	, mLogFileEnabled(true)
	, mSrcMarker("/src/")
	, mMutex()
{
}


LogHandler::~LogHandler()
{
	reset();
}


LogHandler* LogHandler::getInstance()
{
	return singletonLogHandler();
}


void LogHandler::messageHandler(QtMsgType pType, const QMessageLogContext& pContext, const QString& pMsg)
{
	getInstance()->handleMessage(pType, pContext, pMsg);
}


void LogHandler::init()
{
	const QMutexLocker locker(&mMutex);

	if (!mEventHandler)
	{
		mEventHandler = new LogEventHandler();
		QObject::connect(qApp, &QCoreApplication::aboutToQuit, mEventHandler.data(), &QObject::deleteLater);
		QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [this] {
				const QMutexLocker aboutToQuitLocker(&mMutex);
				mEventHandler.clear();
			});
	}

	if (!mLogFile)
	{
		mLogFile = new QTemporaryFile(getLogFileTemplate());
		// Another thread may be writing a line right now: delete the file under the mutex. The event
		// handler goes too, for an application object that never emitted aboutToQuit.
		QObject::connect(qApp, &QObject::destroyed, [this] {
				const QMutexLocker destroyLocker(&mMutex);
				delete mLogFile.data();
				delete mEventHandler.data();
			});
		mLogFile->setAutoRemove(mAutoRemove);
		setLogFileInternal(mLogFileEnabled);
	}

	QMetaObject::invokeMethod(mLogFile.data(), [this] {
			removeOldLogFiles();
		}, Qt::QueuedConnection);

	if (mHandler == nullptr)
	{
		// Once here rather than per message: setting the pattern parses it again.
		qSetMessagePattern(mMessagePattern);
		// Looked up before ours is installed: the look-up swaps handlers for a moment.
		Q_UNUSED(defaultMessageHandler())
		mHandler = qInstallMessageHandler(&LogHandler::messageHandler);
	}
}


void LogHandler::reset()
{
	if (mHandler != nullptr)
	{
		qInstallMessageHandler(nullptr);
		mHandler = nullptr;
	}
}


void LogHandler::setAutoRemove(bool pRemove)
{
	const QMutexLocker locker(&mMutex);
	mAutoRemove = pRemove;
	if (mLogFile)
	{
		mLogFile->setAutoRemove(pRemove);
	}
}


void LogHandler::setLogFile(bool pEnable)
{
	const QMutexLocker locker(&mMutex);
	setLogFileInternal(pEnable);
}


void LogHandler::setUseHandler(bool pEnable)
{
	const QMutexLocker locker(&mMutex);
	mUseHandler = pEnable;
}


QString LogHandler::getLogFileTemplate() const
{
	return QDir::tempPath() + QLatin1Char('/') + QCoreApplication::applicationName() + QStringLiteral(".XXXXXX.log");
}


void LogHandler::setLogFileInternal(bool pEnable)
{
	mLogFileEnabled = pEnable;
	if (!mLogFile)
	{
		return;
	}

	if (pEnable)
	{
		if (mLogFile->isOpen())
		{
			return;
		}

		const QString fileTemplate = getLogFileTemplate();
		mLogFile->setFileTemplate(fileTemplate);
		if (!mLogFile->open())
		{
			// Logging here would re-enter the handler while the mutex is held.
			QMetaObject::invokeMethod(mLogFile.data(), [fileTemplate] {
					qWarning() << "Cannot open logfile:" << fileTemplate;
				}, Qt::QueuedConnection);
		}
		return;
	}

	if (mLogFile->isOpen())
	{
		mLogFile->close();
		mLogFile->remove();
		mBacklogPosition = 0;
		mCriticalLog = false;
		mCriticalLogWindow.clear();
	}
	mLogFile->setFileTemplate(QString());
}


bool LogHandler::useLogFile() const
{
	const QMutexLocker locker(&mMutex);
	return useLogFileInternal();
}


bool LogHandler::useLogFileInternal() const
{
	return mLogFile && mLogFileEnabled && !mLogFile->fileTemplate().isNull();
}


LogEventHandler* LogHandler::getEventHandler() const
{
	const QMutexLocker locker(&mMutex);
	return mEventHandler.data();
}


QByteArray LogHandler::formatFilename(const char* pFilename) const
{
	QByteArray filename(pFilename);
	filename.replace('\\', '/');

	const auto srcIndex = filename.lastIndexOf(mSrcMarker);
	if (srcIndex >= 0)
	{
		return filename.mid(srcIndex + mSrcMarker.size());
	}

	// Sources outside the source root (tests, generated code) show their file name only.
	return filename.mid(filename.lastIndexOf('/') + 1);
}


QByteArray LogHandler::formatFunction(const char* pFunction, const QByteArray& pFilename, int pLine) const
{
	QByteArray function(pFunction);
	function.replace("(anonymous namespace)::", QByteArray());
	function.replace("{anonymous}::", QByteArray());

	const auto paramIndex = function.indexOf('(');
	if (paramIndex >= 0)
	{
		function.truncate(paramIndex);
	}

	function.replace("tessarovin::", QByteArray());

	const auto spaceIndex = function.lastIndexOf(' ');
	if (spaceIndex >= 0)
	{
		function = function.mid(spaceIndex + 1);
		if (function.startsWith('*'))
		{
			function.remove(0, 1);
		}
	}

	const qsizetype available = mFunctionFileWidth - 3 - pFilename.size() - digitCount(pLine);
	if (function.size() <= available)
	{
		return function;
	}
	if (available < 3)
	{
		return QByteArray();
	}
	if (available < 10)
	{
		return QByteArrayLiteral("...");
	}
	return QByteArrayLiteral("...") + function.right(available - 3);
}


QByteArray LogHandler::formatCategory(const char* pCategory) const
{
	constexpr int width = 13;
	QByteArray category(pCategory);
	if (category.size() <= width)
	{
		return category.leftJustified(width, ' ');
	}
	return category.left(10) + QByteArrayLiteral("...");
}


void LogHandler::writeToStdErr(QtMsgType pType, const QMessageLogContext& pContext, const QString& pMsg) const
{
	const QByteArray line = qFormatLogMessage(pType, pContext, pMsg).toLocal8Bit();
	std::fprintf(stderr, "%s\n", line.constData());
	std::fflush(stderr);
}


void LogHandler::handleMessage(QtMsgType pType, const QMessageLogContext& pContext, const QString& pMsg)
{
	if (pMsg.contains(QLatin1String("stale focus object")))
	{
		return;
	}

	if (tHandlingMessage)
	{
		writeToStdErr(pType, pContext, pMsg);
		return;
	}
	tHandlingMessage = true;
	const auto leave = qScopeGuard([] {
			tHandlingMessage = false;
		});

	const QMutexLocker locker(&mMutex);

	const QByteArray filename = formatFilename(pContext.file ? pContext.file : "");
	const QByteArray function = formatFunction(pContext.function ? pContext.function : "", filename, pContext.line);
	const QByteArray category = formatCategory(pContext.category ? pContext.category : "");
	QMessageLogContext context(filename.constData(), pContext.line, function.constData(), category.constData());
	context.version = pContext.version;

	QString message;
	if (mEnvPattern)
	{
		message = pMsg;
	}
	else
	{
		const auto padding = mFunctionFileWidth - 3 - function.size() - filename.size() - digitCount(pContext.line);
		message = QString(static_cast<int>(qMax<qsizetype>(padding, 0)), QLatin1Char(' ')) + QStringLiteral(": ") + pMsg;
	}

	const QString formatted = qFormatLogMessage(pType, context, message);
	const QString line = formatted + QStringLiteral("\r\n");
	const QByteArray lineBytes = line.toUtf8();

	updateCriticalLogWindow(pType, pContext.category, lineBytes.size());

	if (mLogFile && mLogFile->isOpen() && mLogFile->isWritable())
	{
		mLogFile->write(lineBytes);
		mLogFile->flush();
	}

	if (mUseHandler && mHandler != nullptr)
	{
		// Qt's own handler would format the same line a second time, with a later time stamp.
		if (mHandler == defaultMessageHandler())
		{
			std::fprintf(stderr, "%s\n", formatted.toLocal8Bit().constData());
			std::fflush(stderr);
		}
		else
		{
			mHandler(pType, context, message);
		}
	}

	if (mEventHandler)
	{
		const QPointer<LogEventHandler> eventHandler = mEventHandler;
		const QString category = QString::fromLatin1(pContext.category ? pContext.category : "");
		QMetaObject::invokeMethod(eventHandler.data(), [eventHandler, pMsg, category, line] {
				if (eventHandler)
				{
					Q_EMIT eventHandler->fireRawLog(pMsg, category);
					Q_EMIT eventHandler->fireLog(line);
				}
			}, Qt::QueuedConnection);
	}
}


void LogHandler::updateCriticalLogWindow(QtMsgType pType, const char* pCategory, qint64 pLength)
{
	if (!useLogFileInternal())
	{
		return;
	}

	if (mCriticalLog && mCriticalLogWindow.size() == mCriticalLogWindow.capacity())
	{
		return;
	}

	if (pType == QtCriticalMsg && !mCriticalLogIgnore.contains(QByteArray(pCategory)))
	{
		mCriticalLog = true;
	}

	mCriticalLogWindow.append({mLogFile->pos(), pLength});
}


QByteArray LogHandler::readLogFile(qint64 pPosition, qint64 pSize) const
{
	if (mLogFile && mLogFile->isOpen() && mLogFile->isReadable())
	{
		const auto currentPosition = mLogFile->pos();
		mLogFile->seek(pPosition);
		const QByteArray content = pSize > 0 ? mLogFile->read(pSize) : mLogFile->readAll();
		mLogFile->seek(currentPosition);
		return content;
	}

	if (useLogFileInternal())
	{
		return tr("An error occurred in log handling: %1").arg(mLogFile->errorString()).toUtf8();
	}

	return QByteArray();
}


QByteArray LogHandler::getBacklog(bool pAll) const
{
	const QMutexLocker locker(&mMutex);
	return readLogFile(pAll ? 0 : mBacklogPosition);
}


void LogHandler::resetBacklog()
{
	const QMutexLocker locker(&mMutex);
	if (useLogFileInternal())
	{
		mBacklogPosition = mLogFile->pos();
		mCriticalLog = false;
		mCriticalLogWindow.clear();
	}
}


bool LogHandler::hasCriticalLog() const
{
	const QMutexLocker locker(&mMutex);
	return mCriticalLog;
}


QByteArray LogHandler::getCriticalLogWindow() const
{
	const QMutexLocker locker(&mMutex);
	if (!mCriticalLog || mCriticalLogWindow.isEmpty())
	{
		return QByteArray();
	}

	const auto& first = mCriticalLogWindow.first();
	const auto& last = mCriticalLogWindow.last();
	return readLogFile(first.mPosition, last.mPosition + last.mLength - first.mPosition);
}


QString LogHandler::getCurrentLogFileName() const
{
	const QMutexLocker locker(&mMutex);
	return useLogFileInternal() ? mLogFile->fileName() : QString();
}


QDateTime LogHandler::getCurrentLogFileDate() const
{
	const QString fileName = getCurrentLogFileName();
	return fileName.isEmpty() ? QDateTime() : getFileDate(QFileInfo(fileName));
}


QDateTime LogHandler::getFileDate(const QFileInfo& pInfo)
{
	if (const auto birth = pInfo.birthTime(); birth.isValid())
	{
		return birth;
	}
	if (const auto modified = pInfo.lastModified(); modified.isValid())
	{
		return modified;
	}
	return pInfo.metadataChangeTime();
}


QList<QFileInfo> LogHandler::getOtherLogFilesInternal() const
{
	const QDir tmpDir(QDir::tempPath());
	auto list = tmpDir.entryInfoList({QCoreApplication::applicationName() + QStringLiteral(".*.log")}, QDir::Files, QDir::Time);

	if (useLogFileInternal())
	{
		const QString current = QFileInfo(mLogFile->fileName()).absoluteFilePath();
		list.removeIf([&current](const QFileInfo& pInfo) {
				return pInfo.absoluteFilePath() == current;
			});
	}
	return list;
}


QList<QFileInfo> LogHandler::getOtherLogFiles() const
{
	const QMutexLocker locker(&mMutex);
	return getOtherLogFilesInternal();
}


void LogHandler::removeOldLogFiles() const
{
	const auto threshold = QDateTime::currentDateTime().addDays(-14);
	for (const auto& entry : getOtherLogFiles())
	{
		if (entry.lastModified() < threshold)
		{
			const bool removed = QFile::remove(entry.absoluteFilePath());
			qDebug() << "Auto-remove old logfile:" << entry.absoluteFilePath() << "|" << removed;
		}
	}
}


bool LogHandler::removeOtherLogFiles() const
{
	const auto otherLogFiles = getOtherLogFiles();
	for (const auto& entry : otherLogFiles)
	{
		const bool removed = QFile::remove(entry.absoluteFilePath());
		qDebug() << "Remove old logfile:" << entry.absoluteFilePath() << "|" << removed;
	}
	return !otherLogFiles.isEmpty();
}


bool LogHandler::copy(const QString& pDest) const
{
	const QMutexLocker locker(&mMutex);
	if (!useLogFileInternal())
	{
		return false;
	}
	return copyOtherInternal(mLogFile->fileName(), pDest);
}


bool LogHandler::copyOther(const QString& pSource, const QString& pDest) const
{
	const QMutexLocker locker(&mMutex);
	return copyOtherInternal(pSource, pDest);
}


bool LogHandler::copyOtherInternal(const QString& pSource, const QString& pDest) const
{
	if (pDest.trimmed().isEmpty())
	{
		return false;
	}

	const QString source = QFileInfo(pSource).absoluteFilePath();
	const bool isCurrent = mLogFile && source == QFileInfo(mLogFile->fileName()).absoluteFilePath();
	const auto others = getOtherLogFilesInternal();
	const bool isOther = std::any_of(others.cbegin(), others.cend(), [&source](const QFileInfo& pInfo) {
			return pInfo.absoluteFilePath() == source;
		});
	if (!isCurrent && !isOther)
	{
		return false;
	}

	if (QFile::exists(pDest) && !QFile::remove(pDest))
	{
		return false;
	}

	return QFile::copy(pSource, pDest);
}


QDebug tessarovin::writeMaskedBytes(QDebug pDbg, const QByteArray& pBytes)
{
	const QDebugStateSaver saver(pDbg);
	if (secure().isDebugEnabled() || pBytes.size() < 7)
	{
		pDbg << pBytes.toHex();
	}
	else
	{
		pDbg.nospace().noquote() << '"' << pBytes.left(5).toHex() << '~' << pBytes.right(2).toHex() << '"' << ' ' << '(' << pBytes.size() << ')';
	}
	return pDbg;
}
