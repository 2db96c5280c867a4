// A full PACE of our terminal (brainpoolP256r1, AES-128, PIN) against the OpenPACE card peer in
// its own process, and the cost of the five round trips to that process alone. Beside it,
// bench_PaceReference runs both sides on OpenPACE in one process; the target bench_PaceComparison
// runs both. Our PACE minus the round trips compares with the reference.

#include "CardConnectionWorker.h"
#include "pace/PaceHandler.h"
#include "PeerReader.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <benchmark/benchmark.h>

using namespace tessarovin;

namespace
{

void paceAgainstPeer(benchmark::State& pState)
{
	// brainpoolP256r1 only; the reader reads the card's files once, outside the measurement.
	PeerReader reader;
	if (!reader.start({"--curves", "13"}))
	{
		pState.SkipWithError("card peer did not start");
		return;
	}
	const auto worker = reader.connect();

	for (auto _ : pState)
	{
		PaceHandler handler(worker);
		const auto output = handler.establishPaceChannel(PacePasswordId::PACE_PIN, QByteArrayLiteral("123456"));
		if (!output.isSuccess())
		{
			pState.SkipWithError("PACE failed");
			break;
		}
		benchmark::DoNotOptimize(handler.getEncryptionKey());
	}
	pState.SetItemsProcessed(pState.iterations());
}


// What the pipe and the peer's framing cost for the five APDUs of one PACE.
void fiveRoundTripsToPeer(benchmark::State& pState)
{
	PacePeerProcess peer;
	if (!peer.start({"--curves", "13"}))
	{
		pState.SkipWithError("card peer did not start");
		return;
	}
	const QByteArray selectMasterFile = QByteArray::fromHex("00a4000c023f00");

	for (auto _ : pState)
	{
		for (int i = 0; i < 5; ++i)
		{
			benchmark::DoNotOptimize(peer.transmit(selectMasterFile));
		}
	}
	pState.SetItemsProcessed(pState.iterations());
}


} // namespace

BENCHMARK(paceAgainstPeer)->Unit(benchmark::kMillisecond);
BENCHMARK(fiveRoundTripsToPeer)->Unit(benchmark::kMillisecond);


int main(int argc, char** argv)
{
	// The known object identifiers are registered when the application object is built.
	QCoreApplication app(argc, argv);
	// Debug lines would be measured along with PACE.
	QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
