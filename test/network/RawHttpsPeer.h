#pragma once

#include "TestPeer.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>

#include <optional>

namespace tessarovin
{

// "openssl s_server" without a page option: what the client sends appears on the server's output
// and what the test writes goes back to the client. This peer reads each HTTP request from that
// output and writes the test's answer, so that any request method, TLS-PSK included, meets a real
// server. Answers stay below 4096 bytes: s_server reads its input in chunks and takes a chunk
// that begins with certain letters as a command.
class RawHttpsPeer
{
	public:
		struct Request
		{
			QByteArray mMethod;
			QByteArray mPath;
			// Names in lower case.
			QMap<QByteArray, QByteArray> mHeaders;
			QByteArray mBody;
		};

	private:
		TestPeer mPeer;
		QByteArray mBuffer;
		QByteArray mLog;

		[[nodiscard]] std::optional<Request> takeRequest();

	public:
		// The arguments of s_server after "-accept".
		bool start(const QStringList& pArguments);
		[[nodiscard]] quint16 port() const;

		// The next complete request; empty when none arrived in time.
		[[nodiscard]] std::optional<Request> waitForRequest(int pTimeout = 60000);
		void answer(const QByteArray& pBody, int pStatus = 200, const QByteArray& pContentType = QByteArrayLiteral("application/vnd.paos+xml"));

		// What s_server printed besides the requests (connections, ciphers).
		[[nodiscard]] QByteArray log();
};

} // namespace tessarovin
