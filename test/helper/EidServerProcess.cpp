#include "EidServerProcess.h"

#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QJsonDocument>
#include <QTest>

using namespace tessarovin;


EidServerProcess::~EidServerProcess()
{
	stop();
}


bool EidServerProcess::start(const QString& pPkiFolder, bool pStunnel)
{
	QStringList arguments;
	if (pStunnel)
	{
		arguments << QStringLiteral("--stunnel");
	}
	if (!pPkiFolder.isEmpty())
	{
		arguments << QStringLiteral("--pki") << pPkiFolder;
	}
	mProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
	mProcess.start(getProgramDirectory() + QStringLiteral("/test-eid-server"), arguments);
	if (!mProcess.waitForStarted())
	{
		qWarning() << "Cannot start test-eid-server:" << mProcess.errorString();
		return false;
	}
	// The server writes its PKI with cvc-create and openssl before it is ready.
	const auto ready = waitForEvent(QStringLiteral("ready"), nullptr, 120000);
	if (!ready)
	{
		qWarning() << "test-eid-server did not get ready:" << getEvents(QStringLiteral("error")) << mProcess.state() << mProcess.exitStatus() << mProcess.exitCode();
		return false;
	}
	mReady = *ready;
	return true;
}


void EidServerProcess::stop()
{
	if (mProcess.state() == QProcess::NotRunning)
	{
		return;
	}
	// Closing its standard input ends the server.
	mProcess.closeWriteChannel();
	if (!mProcess.waitForFinished(30000))
	{
		mProcess.kill();
		mProcess.waitForFinished();
	}
}


quint16 EidServerProcess::getPort(const QString& pListener) const
{
	return static_cast<quint16>(mReady.value(QLatin1String("ports")).toObject().value(pListener).toInt());
}


QString EidServerProcess::getPkiFolder() const
{
	return mReady.value(QLatin1String("pki")).toString();
}


QUrl EidServerProcess::getTcTokenUrl(const QUrlQuery& pOptions, const QString& pListener) const
{
	QUrl url(mReady.value(QLatin1String("tcTokenUrl")).toString());
	if (pListener != QLatin1String("provider"))
	{
		url.setScheme(pListener == QLatin1String("plain") ? QStringLiteral("http") : QStringLiteral("https"));
		url.setPort(getPort(pListener));
	}
	url.setQuery(pOptions);
	return url;
}


void EidServerProcess::readEvents()
{
	mBuffer += mProcess.readAllStandardOutput();
	qsizetype end = 0;
	while ((end = mBuffer.indexOf('\n')) >= 0)
	{
		const QByteArray line = mBuffer.left(end);
		mBuffer.remove(0, end + 1);
		QJsonParseError error;
		const auto document = QJsonDocument::fromJson(line, &error);
		if (document.isObject())
		{
			mEvents << document.object();
		}
		else
		{
			qWarning() << "test-eid-server wrote no JSON object:" << line;
		}
	}
}


QList<QJsonObject> EidServerProcess::getEvents(const QString& pName)
{
	readEvents();
	QList<QJsonObject> events;
	for (const auto& event : std::as_const(mEvents))
	{
		if (pName.isEmpty() || event.value(QLatin1String("event")).toString() == pName)
		{
			events << event;
		}
	}
	return events;
}


std::optional<QJsonObject> EidServerProcess::waitForEvent(const QString& pName, const std::function<bool(const QJsonObject&)>& pMatch, int pTimeout)
{
	const QDeadlineTimer deadline(pTimeout);
	do
	{
		const bool running = mProcess.state() != QProcess::NotRunning;
		const auto events = getEvents(pName);
		for (const auto& event : events)
		{
			if (!pMatch || pMatch(event))
			{
				return event;
			}
		}
		if (!running)
		{
			break;
		}
		// Keeps the test's own event loop turning while the server answers.
		QTest::qWait(10);
		mProcess.waitForReadyRead(10);
	}
	while (!deadline.hasExpired());
	return std::nullopt;
}


void EidServerProcess::clearEvents()
{
	readEvents();
	mEvents.clear();
}
