// A full PACE of our terminal (brainpoolP256r1, AES-128, PIN) against the OpenPACE card peer in
// its own process, and the cost of the five round trips to that process alone. Beside it,
// bench_PaceReference runs both sides on OpenPACE in one process; the target bench_PaceComparison
// runs both. Our PACE minus the round trips compares with the reference.

#include "asn1/SecurityInfos.h"
#include "Card.h"
#include "CardConnectionWorker.h"
#include "pace/PaceHandler.h"
#include "PacePeerProcess.h"
#include "Reader.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <benchmark/benchmark.h>

using namespace tessarovin;

namespace
{

// brainpoolP256r1 only, as in the peer's EF.CardAccess.
const QByteArray cCardAccess = QByteArray::fromHex("31143012060a04007f0007020204020202010202010d");


class PeerCard
	: public Card
{
	private:
		PacePeerProcess& mPeer;
		bool mConnected = false;

	public:
		explicit PeerCard(PacePeerProcess& pPeer)
			: mPeer(pPeer)
		{
		}


		CardReturnCode establishConnection() override
		{
			mConnected = true;
			return CardReturnCode::OK;
		}


		CardReturnCode releaseConnection() override
		{
			mConnected = false;
			return CardReturnCode::OK;
		}


		[[nodiscard]] bool isConnected() const override
		{
			return mConnected;
		}


		ResponseApduResult transmit(const CommandApdu& pCommand) override
		{
			const QByteArray response = mPeer.transmit(QByteArray(pCommand));
			return {response.isEmpty() ? CardReturnCode::COMMAND_FAILED : CardReturnCode::OK, ResponseApdu(response)};
		}


};


class PeerReader
	: public Reader
{
	private:
		PeerCard mCard;

	public:
		explicit PeerReader(PacePeerProcess& pPeer)
			: Reader(ReaderManagerPluginType::UNKNOWN, QStringLiteral("bench"))
			, mCard(pPeer)
		{
			setBasicReader(true);
			setCardInfo(CardInfo(CardType::EID_CARD, FileRef::appEId(), SecurityInfos::decode(cCardAccess), 3));
		}


		[[nodiscard]] Card* getCard() const override
		{
			return const_cast<PeerCard*>(&mCard);
		}


};


void paceAgainstPeer(benchmark::State& pState)
{
	PacePeerProcess peer;
	if (!peer.start({"--curves", "13"}))
	{
		pState.SkipWithError("card peer did not start");
		return;
	}
	PeerReader reader(peer);
	const auto worker = reader.createCardConnectionWorker();

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
