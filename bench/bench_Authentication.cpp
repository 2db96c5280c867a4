// Whole authentications of the program (a child process: the web service and the automatic front
// end, the simulated card in a reader without pin pad) against the test eID server, from the
// browser's request on the local address to the redirect, over loopback. The time is the wall
// time per authentication; the counters "cpu_ms" (user and system time of the program, from
// /proc) and "cpu_user_ms" are per authentication. The program logs to Kendrawell.log in the
// folder named by KENDRAWELL_BENCH_LOG_FOLDER when that is set (the time stamps per state show
// where the time goes), else nowhere.

#include "EidServerProcess.h"
#include "ProgramProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrlQuery>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <optional>

using namespace tessarovin;

namespace
{

// User and system time of a process in clock ticks.
std::pair<long long, long long> cpuTicks(qint64 pPid)
{
	QFile file(QStringLiteral("/proc/%1/stat").arg(pPid));
	if (!file.open(QIODevice::ReadOnly))
	{
		return {0, 0};
	}
	const auto stat = file.readAll();
	// The fields after the command name, which may hold blanks: state is the third field.
	const auto fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
	return {fields.value(11).toLongLong(), fields.value(12).toLongLong()};
}


// The browser: one request on a plain socket, read until the connection closes; the Location of
// the final answer, nothing on failure.
std::optional<QByteArray> browse(quint16 pPort, const QByteArray& pTarget)
{
	const int fd = socket(AF_INET, SOCK_STREAM, 0);
	if (fd < 0)
	{
		return std::nullopt;
	}
	sockaddr_in address {};
	address.sin_family = AF_INET;
	address.sin_port = htons(pPort);
	address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
	if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
	{
		close(fd);
		return std::nullopt;
	}
	const QByteArray request = "GET " + pTarget + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
	if (send(fd, request.constData(), static_cast<size_t>(request.size()), 0) != request.size())
	{
		close(fd);
		return std::nullopt;
	}
	QByteArray answer;
	char buffer[4096];
	ssize_t received = 0;
	while ((received = recv(fd, buffer, sizeof(buffer), 0)) > 0)
	{
		answer.append(buffer, received);
	}
	close(fd);

	// The interim 102 comes first; the last status line is the answer.
	const auto last = answer.lastIndexOf("HTTP/1.");
	if (last < 0 || answer.mid(last + 9, 3) != "303")
	{
		return std::nullopt;
	}
	const auto location = answer.indexOf("\r\nLocation: ", last);
	if (location < 0)
	{
		return std::nullopt;
	}
	const auto start = location + 12;
	return answer.mid(start, answer.indexOf("\r\n", start) - start);
}


void authentication(benchmark::State& pState)
{
	EidServerProcess server;
	if (!server.start())
	{
		pState.SkipWithError("The test eID server did not start");
		return;
	}

	ProgramProcess program;
	if (!program.installWithTestConfiguration())
	{
		pState.SkipWithError("Cannot copy the program");
		return;
	}
	program.enableSimulator();
	program.setEnvironment(QStringLiteral("KENDRAWELL_AUTOMATIC_PIN"), QStringLiteral("731862"));
	// The test PKI's terminal may use the CAN in place of the PIN, and the automatic front end offers it.
	program.setEnvironment(QStringLiteral("KENDRAWELL_AUTOMATIC_CAN"), QStringLiteral("284067"));
	const auto logFolder = qEnvironmentVariable("KENDRAWELL_BENCH_LOG_FOLDER");
	program.setOutputFile(logFolder.isEmpty() ? QProcess::nullDevice() : logFolder + QStringLiteral("/Kendrawell.log"));
	if (!program.start(0) || !program.waitForPort())
	{
		pState.SkipWithError("The program did not start");
		return;
	}

	QUrlQuery activation;
	activation.addQueryItem(QStringLiteral("tcTokenURL"), QString::fromLatin1(QUrl::toPercentEncoding(server.getTcTokenUrl().toString(QUrl::FullyEncoded))));
	const QByteArray target = "/eID-Client?" + activation.toString(QUrl::FullyEncoded).toLatin1();

	// One run outside the measurement: the first one loads what later ones reuse.
	if (!browse(program.port(), target).value_or(QByteArray()).contains("ResultMajor=ok"))
	{
		pState.SkipWithError("The first authentication failed");
		return;
	}

	const auto before = cpuTicks(program.processId());
	for (auto _ : pState)
	{
		const auto location = browse(program.port(), target);
		if (!location || !location->contains("ResultMajor=ok"))
		{
			pState.SkipWithError(qPrintable(QStringLiteral("Authentication failed: %1").arg(QString::fromLatin1(location.value_or("no redirect")))));
			break;
		}
		// The server's reports must not fill its pipe.
		QCoreApplication::processEvents();
		server.clearEvents();
	}
	const auto after = cpuTicks(program.processId());

	const double tickMs = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
	pState.counters["cpu_ms"] = benchmark::Counter(static_cast<double>((after.first + after.second) - (before.first + before.second)) * tickMs, benchmark::Counter::kAvgIterations);
	pState.counters["cpu_user_ms"] = benchmark::Counter(static_cast<double>(after.first - before.first) * tickMs, benchmark::Counter::kAvgIterations);
}


} // namespace


BENCHMARK(authentication)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);


int main(int argc, char** argv)
{
	QCoreApplication application(argc, argv);
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
