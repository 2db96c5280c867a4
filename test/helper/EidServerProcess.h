#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <optional>

namespace tessarovin
{

// Starts the test eID server (test/eidserver, program "test-eid-server") on free ports of
// 127.0.0.1 and reads what it reports, one JSON object per line of its standard output.
//
//   EidServerProcess server;
//   QVERIFY(server.start());
//   const QUrl url = server.getTcTokenUrl({{"level", "1"}});   // https://127.0.0.1:<provider>/tctoken?level=1
//   ... let the client fetch the TC token and talk to the server ...
//   const auto done = server.waitForEvent("paos", [](const QJsonObject& e){ return e["sent"] == "StartPAOSResponse"; });
//
// Listeners (getPort): "provider" (HTTPS, provider.pem: /tctoken, /refresh, /communication-error,
// /redirect), "redirect" (HTTPS, redirect.pem: /redirect), "plain" (HTTP, the provider's routes),
// "eid" (TLS 1.2 RSA-PSK, eid_server.pem: POST /paos), "eidOutsider" (the same with outsider.pem,
// listed in no certificate description), "eidTls13" (TLS 1.3 only), and with pStunnel "stunnel"
// (stunnel4 with eid_server.pem in front of "plain", TLS 1.2, session resumption across
// connections, certificate or RSA-PSK): a TC token with server=stunnel names it as ServerAddress,
// with psk=0 the client must resume the TC token's session, fetched from the same port, and
// otherwise it gets an identity and key of stunnel's list.
// Query items of the TC token URL choose the session's script:
//   level=1|2 (2), eac1=direct, server=stunnel, signature=0, result=error, nolog=1, selfauth=1, chain=<TestPki chain,
//   "valid">, psk=0, identity=wrong, cert=outsider, tls=13, refresh=<url>, requiredChat=, optionalChat=,
//   aux= (hex), status=<code> or body=empty (answer of /tctoken itself),
//   fault=unexpected|unknownElement|garbage|close|http500|http503|delay|endError with at=<client
//   message> (StartPAOS, InitializeFrameworkResponse, EAC1OutputType, EAC2OutputType,
//   TransmitResponse; default StartPAOS) and delay=<seconds> (35).
// With selfauth=1 the refresh address answers the self-authentication JSON document of the data
// groups read (DG1 to DG5, the expiry date as "yyyy-MM-dd+02:00").
// "/redirect?code=302&to=<url>" answers code with Location to; without "to" it points to itself
// (a loop), with an empty "to" the Location is empty.
// Events: "ready", "request" (origin, method, path, query, headers), "tcToken" (session, psk,
// identity, serverAddress, refreshAddress, token), "psk" (identity, accepted), "tlsError", and
// "paos" (session, received, messageId, relatesTo, expectedRelatesTo, relatesToOk, chain, sent,
// sentMessageId, chipAuthentication, level, data {dg, plain}, fault, error).
class EidServerProcess
{
	private:
		QProcess mProcess;
		QByteArray mBuffer;
		QList<QJsonObject> mEvents;
		QJsonObject mReady;

		void readEvents();

	public:
		EidServerProcess() = default;
		EidServerProcess(const EidServerProcess&) = delete;
		EidServerProcess& operator=(const EidServerProcess&) = delete;
		~EidServerProcess();

		// Starts the server and waits until it is ready; pPkiFolder receives the dated test PKI
		// (TestPki::open reads it), by default a temporary folder of the server. pStunnel adds the
		// listener "stunnel" (stunnel4 in front of "plain"), needed where TLS sessions must be resumed.
		bool start(const QString& pPkiFolder = QString(), bool pStunnel = false);
		void stop();

		[[nodiscard]] quint16 getPort(const QString& pListener) const;
		[[nodiscard]] QString getPkiFolder() const;
		// "/tctoken" with the options on the provider's origin, or on another listener that serves
		// it ("plain", "stunnel": the TC token connection whose session a PSK-less PAOS connection resumes).
		[[nodiscard]] QUrl getTcTokenUrl(const QUrlQuery& pOptions = QUrlQuery(), const QString& pListener = QStringLiteral("provider")) const;

		// Every event so far of that name (all with an empty name).
		[[nodiscard]] QList<QJsonObject> getEvents(const QString& pName = QString());
		// The first event so far or to come, within pTimeout ms, with that name that pMatch accepts.
		std::optional<QJsonObject> waitForEvent(const QString& pName,
				const std::function<bool(const QJsonObject&)>& pMatch = nullptr, int pTimeout = 30000);
		void clearEvents();
};

} // namespace tessarovin
