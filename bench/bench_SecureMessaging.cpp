// Cost of secure messaging per READ BINARY: wrapping the command, unwrapping a 256-byte answer,
// and 64 KiB of file reading in 256-byte steps (both sides of the channel).

#include "pace/SecureMessaging.h"

#include <QCoreApplication>
#include <QList>

#include <benchmark/benchmark.h>

using namespace tessarovin;

namespace
{

const QByteArray cEncKey = QByteArray::fromHex("68406b4162100563d9c901a6154d2901");
const QByteArray cMacKey = QByteArray::fromHex("73ff268784f72af833fdc9464049afc9");
const CommandApdu cReadBinary(QByteArray::fromHex("00b0000000"));


SecurityProtocol protocol()
{
	return SecurityProtocol(Oid(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128));
}


ResponseApdu fileAnswer()
{
	return ResponseApdu(StatusCode::SUCCESS, QByteArray(256, '\x5a'));
}


// Protected answers for the terminal's counters 2, 4, 6, ...
QList<ResponseApdu> protectedAnswers(int pCount)
{
	SecureMessaging terminal(protocol(), cEncKey, cMacKey);
	SecureMessaging card(protocol(), cEncKey, cMacKey);
	QList<ResponseApdu> answers;
	for (int i = 0; i < pCount; ++i)
	{
		const auto command = card.decrypt(terminal.encrypt(cReadBinary));
		answers << card.encrypt(fileAnswer());
		terminal.decrypt(answers.last());
		benchmark::DoNotOptimize(command);
	}
	return answers;
}


void wrapReadBinary(benchmark::State& pState)
{
	SecureMessaging terminal(protocol(), cEncKey, cMacKey);
	for (auto _ : pState)
	{
		benchmark::DoNotOptimize(terminal.encrypt(cReadBinary));
	}
	pState.SetItemsProcessed(pState.iterations());
}


void unwrapReadBinaryAnswer(benchmark::State& pState)
{
	const int count = 1024;
	const auto answers = protectedAnswers(count);
	auto terminal = std::make_unique<SecureMessaging>(protocol(), cEncKey, cMacKey);
	int index = 0;
	for (auto _ : pState)
	{
		if (index == count)
		{
			pState.PauseTiming();
			terminal = std::make_unique<SecureMessaging>(protocol(), cEncKey, cMacKey);
			index = 0;
			pState.ResumeTiming();
		}
		// The counter advances once for the command, once for the answer.
		benchmark::DoNotOptimize(terminal->encrypt(cReadBinary));
		const auto plain = terminal->decrypt(answers.at(index++));
		if (plain.getData().size() != 256)
		{
			pState.SkipWithError("answer did not unwrap");
			break;
		}
	}
	pState.SetItemsProcessed(pState.iterations());
	pState.SetBytesProcessed(pState.iterations() * 256);
}


void readBinary64KiB(benchmark::State& pState)
{
	const int chunks = 65536 / 256;
	const ResponseApdu answer = fileAnswer();
	for (auto _ : pState)
	{
		SecureMessaging terminal(protocol(), cEncKey, cMacKey);
		SecureMessaging card(protocol(), cEncKey, cMacKey);
		qsizetype read = 0;
		for (int i = 0; i < chunks; ++i)
		{
			const auto command = card.decrypt(terminal.encrypt(cReadBinary));
			benchmark::DoNotOptimize(command);
			read += terminal.decrypt(card.encrypt(answer)).getData().size();
		}
		if (read != 65536)
		{
			pState.SkipWithError("file did not unwrap");
			break;
		}
	}
	pState.SetItemsProcessed(pState.iterations() * chunks);
	pState.SetBytesProcessed(pState.iterations() * 65536);
}


} // namespace

BENCHMARK(wrapReadBinary);
BENCHMARK(unwrapReadBinaryAnswer);
BENCHMARK(readBinary64KiB)->Unit(benchmark::kMillisecond);


int main(int argc, char** argv)
{
	// The known object identifiers are registered when the application object is built.
	QCoreApplication app(argc, argv);
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
