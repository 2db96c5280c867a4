// Round trip of one request to the local server (connect, request, 204, close), with and without
// 200 idle connections whose requests never complete. The server runs in a thread of its own;
// the client uses plain sockets.

#include "HttpServer.h"

#include <QCoreApplication>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

using namespace tessarovin;

namespace
{

class ServerThread
{
	private:
		QThread mThread;
		QObject* mContext;
		HttpServer* mServer;
		quint16 mPort;

		template<typename Function>
		void runInThread(Function pFunction)
		{
			QMetaObject::invokeMethod(mContext, pFunction, Qt::BlockingQueuedConnection);
		}

	public:
		ServerThread()
			: mThread()
			, mContext(new QObject())
			, mServer(nullptr)
			, mPort(0)
		{
			mContext->moveToThread(&mThread);
			mThread.start();
			runInThread([this] {
					mServer = new HttpServer(0, {QHostAddress(QHostAddress::LocalHost)});
					QObject::connect(mServer, &HttpServer::fireNewHttpRequest, mServer, [](const QSharedPointer<HttpRequest>& pRequest){
							pRequest->sendStatus(204);
						});
					mPort = mServer->getServerPort();
				});
		}


		~ServerThread()
		{
			runInThread([this] {
					delete mServer;
				});
			mContext->deleteLater();
			mThread.quit();
			mThread.wait();
		}


		[[nodiscard]] quint16 getPort() const
		{
			return mPort;
		}


		[[nodiscard]] qsizetype openRequests()
		{
			qsizetype count = 0;
			runInThread([this, &count] {
					count = mServer->findChildren<HttpRequest*>().size();
				});
			return count;
		}


};


int connectTo(quint16 pPort)
{
	const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
	sockaddr_in address {};
	address.sin_family = AF_INET;
	address.sin_port = htons(pPort);
	address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
	if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
	{
		::close(socket);
		return -1;
	}
	return socket;
}


bool sendAll(int pSocket, const char* pData)
{
	const auto length = std::strlen(pData);
	return ::send(pSocket, pData, length, MSG_NOSIGNAL) == static_cast<ssize_t>(length);
}


void roundTrip(benchmark::State& pState)
{
	ServerThread server;
	std::vector<int> idle;
	for (int i = 0; i < pState.range(0); ++i)
	{
		const int socket = connectTo(server.getPort());
		if (socket < 0 || !sendAll(socket, "GET /eID-Client HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: "))
		{
			pState.SkipWithError("Cannot open an idle connection");
			return;
		}
		idle.push_back(socket);
	}
	while (server.openRequests() < pState.range(0))
	{
		QThread::msleep(1);
	}

	char buffer[4096];
	for (auto _ : pState)
	{
		const int socket = connectTo(server.getPort());
		if (socket < 0 || !sendAll(socket, "GET /eID-Client HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"))
		{
			pState.SkipWithError("Request failed");
			break;
		}
		ssize_t received = 0;
		while ((received = ::recv(socket, buffer, sizeof(buffer), 0)) > 0)
		{
			benchmark::DoNotOptimize(buffer[0]);
		}
		::close(socket);
	}

	for (const int socket : idle)
	{
		::close(socket);
	}
}


} // namespace

BENCHMARK(roundTrip)->Arg(0)->Arg(200)->Unit(benchmark::kMicrosecond)->UseRealTime();


int main(int argc, char** argv)
{
	QCoreApplication app(argc, argv);
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
