#pragma once

#include <QByteArray>

#include <memory>

struct eac_ctx;
struct evp_pkey_st;

namespace tessarovin
{

// The eID server's half of terminal and chip authentication and its secure messaging, on
// OpenPACE and OpenSSL: this program shares no code with the client it tests.
// Chip authentication is id-CA-ECDH-AES-CBC-CMAC-128 on brainpoolP256r1, as the simulated card offers it.
class EacTerminal
{
	private:
		struct EacCtxDeleter
		{
			void operator()(eac_ctx* pCtx) const;
		};
		struct PkeyDeleter
		{
			void operator()(evp_pkey_st* pKey) const;
		};

		std::unique_ptr<eac_ctx, EacCtxDeleter> mCtx;
		std::unique_ptr<evp_pkey_st, PkeyDeleter> mTerminalKey;
		QByteArray mEphemeralKey;
		bool mSecureMessaging = false;

		[[nodiscard]] QByteArray isoPad(const QByteArray& pData) const;
		[[nodiscard]] QByteArray macOfPadded(const QByteArray& pPadded) const;
		[[nodiscard]] QByteArray macOf(const QByteArray& pData) const;

	public:
		EacTerminal();
		~EacTerminal();
		EacTerminal(const EacTerminal&) = delete;
		EacTerminal& operator=(const EacTerminal&) = delete;

		// The terminal's signing key, PKCS#8 DER.
		bool setTerminalKey(const QByteArray& pPkcs8);

		// A fresh ephemeral key PK_PCD, as uncompressed point.
		QByteArray generateEphemeralKey();
		[[nodiscard]] const QByteArray& getEphemeralKey() const;

		// ECDSA with SHA-256 over ID_PICC || r_PICC || Comp(PK_PCD) || auxiliary data, as plain r || s.
		[[nodiscard]] QByteArray sign(const QByteArray& pIdPicc, const QByteArray& pChallenge, const QByteArray& pAuxiliaryData) const;

		// Takes the chip's static key from EF.CardSecurity, derives the session keys and checks the
		// chip's token; on success secure messaging runs under the new keys. Empty or an error text.
		QString authenticateChip(const QByteArray& pCardSecurity, const QByteArray& pNonce, const QByteArray& pToken);

		[[nodiscard]] bool hasSecureMessaging() const;
		// One APDU at a time: wrap, send, unwrap; each advances the send sequence counter.
		QByteArray wrap(const QByteArray& pCommand);
		// The plain response with its status word, or empty with pError set.
		QByteArray unwrap(const QByteArray& pResponse, QString& pError);

		// Comp() of an uncompressed point: its whole x coordinate (OpenPACE's EAC_Comp drops leading zeros).
		[[nodiscard]] static QByteArray compress(const QByteArray& pPoint);
};

} // namespace tessarovin
