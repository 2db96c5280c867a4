// The reference for bench_Pace: one full PACE (brainpoolP256r1, AES-128, PIN) with OpenPACE on
// both sides in one process, without any of our code. It must not link CardBase: OpenPACE
// registers the same object identifier names as our table.

#include <eac/eac.h>
#include <eac/objects.h>
#include <eac/pace.h>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

struct EacCtxDeleter
{
	void operator()(EAC_CTX* pCtx) const
	{
		EAC_CTX_clear_free(pCtx);
	}


};


struct BufMemDeleter
{
	void operator()(BUF_MEM* pBuffer) const
	{
		BUF_MEM_clear_free(pBuffer);
	}


};


struct PaceSecDeleter
{
	void operator()(PACE_SEC* pSecret) const
	{
		PACE_SEC_clear_free(pSecret);
	}


};


using Ctx = std::unique_ptr<EAC_CTX, EacCtxDeleter>;
using Buf = std::unique_ptr<BUF_MEM, BufMemDeleter>;


Ctx createContext()
{
	Ctx ctx(EAC_CTX_new());
	if (!ctx || !EAC_CTX_init_pace(ctx.get(), NID_id_PACE_ECDH_GM_AES_CBC_CMAC_128, 13))
	{
		return Ctx();
	}
	ctx->tr_version = EAC_TR_VERSION_2_02;
	return ctx;
}


bool runPace()
{
	const Ctx card = createContext();
	const Ctx terminal = createContext();
	const std::unique_ptr<PACE_SEC, PaceSecDeleter> cardSecret(PACE_SEC_new("123456", 6, PACE_PIN));
	const std::unique_ptr<PACE_SEC, PaceSecDeleter> terminalSecret(PACE_SEC_new("123456", 6, PACE_PIN));
	if (!card || !terminal || !cardSecret || !terminalSecret)
	{
		return false;
	}

	const Buf encryptedNonce(PACE_STEP1_enc_nonce(card.get(), cardSecret.get()));
	if (!encryptedNonce || !PACE_STEP2_dec_nonce(terminal.get(), terminalSecret.get(), encryptedNonce.get()))
	{
		return false;
	}

	const Buf terminalMapping(PACE_STEP3A_generate_mapping_data(terminal.get()));
	const Buf cardMapping(PACE_STEP3A_generate_mapping_data(card.get()));
	if (!terminalMapping || !cardMapping
			|| !PACE_STEP3A_map_generator(terminal.get(), cardMapping.get())
			|| !PACE_STEP3A_map_generator(card.get(), terminalMapping.get()))
	{
		return false;
	}

	const Buf terminalKey(PACE_STEP3B_generate_ephemeral_key(terminal.get()));
	const Buf cardKey(PACE_STEP3B_generate_ephemeral_key(card.get()));
	if (!terminalKey || !cardKey
			|| !PACE_STEP3B_compute_shared_secret(terminal.get(), cardKey.get())
			|| !PACE_STEP3B_compute_shared_secret(card.get(), terminalKey.get())
			|| !PACE_STEP3C_derive_keys(terminal.get())
			|| !PACE_STEP3C_derive_keys(card.get()))
	{
		return false;
	}

	const Buf terminalToken(PACE_STEP3D_compute_authentication_token(terminal.get(), cardKey.get()));
	const Buf cardToken(PACE_STEP3D_compute_authentication_token(card.get(), terminalKey.get()));
	return terminalToken && cardToken
		   && PACE_STEP3D_verify_authentication_token(card.get(), terminalToken.get()) == 1
		   && PACE_STEP3D_verify_authentication_token(terminal.get(), cardToken.get()) == 1;
}


void openPaceBothSides(benchmark::State& pState)
{
	for (auto _ : pState)
	{
		if (!runPace())
		{
			pState.SkipWithError("PACE failed");
			break;
		}
	}
	pState.SetItemsProcessed(pState.iterations());
}


} // namespace

BENCHMARK(openPaceBothSides)->Unit(benchmark::kMillisecond);


int main(int argc, char** argv)
{
	EAC_init();
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	EAC_cleanup();
	return 0;
}
