#include "RedirectRequest.h"

#include "LanguageLoader.h"
#include "LogCategories.h"
#include "Template.h"

#include <QCoreApplication>
#include <QHostAddress>

using namespace tessarovin;

namespace
{

// The product site, in the user's language.
const QString cApplicationLink = QStringLiteral("https://www.kendrawell.example/%1");

} // namespace


RedirectRequest::RedirectRequest(const QSharedPointer<HttpRequest>& pRequest, QObject* pParent)
	: QObject(pParent)
	, mSocket()
	, mRequest(pRequest)
	, mPorts(pRequest->getLocalPort(), pRequest->getPeerPort())
	, mAnswered(false)
	, mPending()
{
	connect(mRequest.data(), &HttpRequest::fireSocketStateChanged, this, [this](QAbstractSocket::SocketState pState){
			if (pState == QAbstractSocket::UnconnectedState)
			{
				deleteLater();
			}
		});
	connect(&mSocket, &QTcpSocket::disconnected, this, [this]{
			passAnswer();
			deleteLater();
		});
	connect(&mSocket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError pError){
			if (mAnswered)
			{
				deleteLater();
				return;
			}

			qCWarning(rproxy) << "Cannot redirect:" << pError;
			// Queued: the socket is still inside its own error handling.
			QMetaObject::invokeMethod(this, &RedirectRequest::redirect, Qt::QueuedConnection);
		});
	connect(&mSocket, &QTcpSocket::readyRead, this, &RedirectRequest::passAnswer);
	connect(&mSocket, &QTcpSocket::connected, this, &RedirectRequest::onConnected);
	connect(mRequest.data(), &HttpRequest::fireSocketBuffer, this, &RedirectRequest::onSocketBuffer);

	if (mPorts.isEmpty())
	{
		qCWarning(rproxy) << "No port found";
		deleteLater();
		return;
	}

	redirect();
}


RedirectRequest::~RedirectRequest()
{
	// The socket goes after this body and may still signal while it closes.
	mSocket.disconnect(this);
	mRequest->disconnect(this);

	if (!mAnswered)
	{
		sendErrorPage();
	}
}


QByteArray RedirectRequest::replacePort(const QByteArray& pHost, quint16 pPort)
{
	// Only the port itself: a plain replacement of the digits would turn "127.0.0.1:127" into
	// "<port>.0.0.1:<port>", and the colons of "[::1]" are no port separators.
	const auto bracketEnd = pHost.startsWith('[') ? pHost.indexOf(']') : -1;
	const auto colon = pHost.lastIndexOf(':');
	const auto name = colon > bracketEnd ? pHost.left(colon) : pHost;
	return name + ':' + QByteArray::number(pPort);
}


void RedirectRequest::redirect()
{
	const auto port = mPorts.fetchPort();
	if (port == 0)
	{
		qCDebug(rproxy) << "No port left";
		deleteLater();
		return;
	}

	qCDebug(rproxy) << "Redirect to port:" << port;
	mSocket.abort();
	mSocket.connectToHost(QHostAddress(QHostAddress::LocalHost), port, QIODevice::ReadWrite);
}


void RedirectRequest::onConnected()
{
	if (qEnvironmentVariableIsSet("KENDRAWELL_PROXY_USE_REDIRECT"))
	{
		sendRedirect();
		return;
	}

	if (!mPending.isEmpty())
	{
		mSocket.write(mPending);
		mSocket.flush();
		mPending.clear();
	}
	// The server parsed the request without taking it from the client's socket: asking for the
	// socket's content passes the request on unchanged, and every later byte follows the same way.
	mRequest->triggerSocketBuffer();
}


void RedirectRequest::onSocketBuffer(const QByteArray& pBuffer)
{
	if (mSocket.state() != QAbstractSocket::ConnectedState)
	{
		// A failed connection drops what was written to it; the next port must get it as well.
		mPending += pBuffer;
		return;
	}

	mSocket.write(pBuffer);
	mSocket.flush();
}


void RedirectRequest::passAnswer()
{
	const auto data = mSocket.readAll();
	if (data.isEmpty())
	{
		return;
	}

	mRequest->send(data);
	mAnswered = true;
}


void RedirectRequest::sendRedirect()
{
	const auto port = mSocket.peerPort();
	const auto scheme = mRequest->isUpgrade() ? QByteArrayLiteral("ws://") : QByteArrayLiteral("http://");

	// Without a Host header (HTTP/1.0 tools) the address the proxy reached the instance on stands in.
	auto host = mRequest->getHeader(QByteArrayLiteral("host")).trimmed();
	if (host.isEmpty())
	{
		host = QHostAddress(QHostAddress::LocalHost).toString().toLatin1();
	}

	HttpResponse response(HTTP_STATUS_TEMPORARY_REDIRECT);
	response.setHeader(QByteArrayLiteral("Location"), scheme + replacePort(host, port) + mRequest->getUrl().toEncoded());
	mRequest->sendResponse(response);
	mAnswered = true;
	deleteLater();
}


void RedirectRequest::sendErrorPage()
{
	if (!mRequest->isConnected())
	{
		qCDebug(rproxy) << "Client left before an answer";
		return;
	}

	const auto languageCode = LanguageLoader::getLocaleCode(LanguageLoader::getInstance().getUsedLocale());
	const auto applicationName = QCoreApplication::applicationName();

	auto page = Template::fromFile(QStringLiteral(":/template.html"));
	//: ERROR Title and header of the page a browser gets when the proxy finds no running program of its user. %1 is the application name.
	const auto header = tr("Cannot reach local %1").arg(applicationName);
	page.setContextParameter(QStringLiteral("TITLE"), header);
	page.setContextParameter(QStringLiteral("APPLICATION_LINK"), cApplicationLink.arg(languageCode));
	page.setContextParameter(QStringLiteral("MESSAGE_HEADER"), header);
	//: ERROR %1 is the application name.
	page.setContextParameter(QStringLiteral("MESSAGE_HEADER_EXPLANATION"), tr("Your local %1 is not running. Please start your local %1 and try again.").arg(applicationName));
	page.setContextParameter(QStringLiteral("CONTENT_HEADER"), tr("Would you like to try again?"));
	// Plain text: the template escapes it.
	page.setContextParameter(QStringLiteral("CONTENT_LINK"), mRequest->getUrl().toString());
	page.setContextParameter(QStringLiteral("CONTENT_BUTTON"), tr("Try again"));
	page.setContextParameter(QStringLiteral("KENDRAWELL_LOGO"), QStringLiteral("/images/html_templates/kendrawell_logo_%1.svg").arg(languageCode));

	mRequest->sendResponse(HttpResponse(HTTP_STATUS_BAD_GATEWAY, page.render().toUtf8(), QByteArrayLiteral("text/html; charset=utf-8")));
}
