// An eID card on OpenPACE for the tests: it answers PACE as the chip does and then speaks secure
// messaging with OpenPACE's own primitives, so faults in the terminal's primitives do not cancel out.
// Given a trust anchor, a chip-authentication key and an EF.CardSecurity it also answers terminal
// and chip authentication. It deliberately shares no code with the terminal.
//
// Card mode (default). Framing on stdin/stdout: each command and each answer is a 4-byte
// big-endian length followed by the APDU bytes. End of input ends the program.
//
// Terminal mode (--terminal): the terminal's side of PACE and the eID server's side of terminal
// and chip authentication, for checking a card independently. One request per line on stdin,
// binary values in hexadecimal; each answer is one line, "OK" with the results, or "ERROR" with a reason:
//   pace-nonce <password id> <password> <encrypted nonce>
//                                              OK <terminal's mapping key>: id 02 CAN, 03 PIN; password in ASCII
//   pace-map <card's mapping key>              OK <terminal's PACE key>
//   pace-key <card's PACE key>                 OK <terminal's authentication token>
//   pace-token <card's authentication token>   OK: token verified, secure messaging under the PACE keys
//   ephemeral-key                              OK <PK_PCD, uncompressed>: the key for chip authentication
//   sign <challenge> <card's PACE key> [<aux>] OK <signature>: TA over ID_PICC, challenge, Comp(PK_PCD), aux data (DER, tag 67)
//   chip-authentication <card's CA key> <nonce> <token>
//                                              OK: token verified, secure messaging now under the new keys
//   wrap <plain command APDU>                  OK <protected command APDU>
//   unwrap <protected response APDU>           OK <plain response, status word included>
// Wrap and unwrap each advance the send sequence counter: wrap, send and unwrap one APDU at a time.
// PACE is id-PACE-ECDH-GM-AES-CBC-CMAC-128 on brainpoolP256r1 (13); chip authentication is
// id-CA-ECDH-AES-CBC-CMAC-128 on both sides.
// Terminal options: --terminal-key FILE (PKCS#8 DER, an ECDSA key that signs with SHA-256),
// --ca-curve ID (standardized domain parameters of chip authentication, 13) and
// --leading-zero-key (an ephemeral key whose x coordinate starts with a zero octet).
//
// Card options:
//   --pin DIGITS --can DIGITS --puk DIGITS   the passwords (123456, 500540, 9876543210)
//   --retry-counter N                        PIN retry counter at start (3); 0 means blocked
//   --curves ID,ID,...                       standardized parameter ids offered in EF.CardAccess,
//                                            in file order (13,12)
//   --key-size 128|192|256                   the AES key size of the offered protocols (128)
//   --card-access HEX                        EF.CardAccess bytes instead of the generated ones
//   --key-file PATH                          appends "<K_enc hex> <K_mac hex> <card's PACE key hex>"
//                                            after each PACE
//   --cvca FILE                              trust anchor of terminal authentication (CV certificate, DER)
//   --ca-key FILE                            chip-authentication private key (PKCS#8 DER)
//   --ca-curve ID                            its standardized domain parameters (13)
//   --card-security FILE                     content of EF.CardSecurity (011D, short identifier 1D)
//   --echo-mapping, --echo-ephemeral         misbehave: answer with the terminal's own key
//   --wrong-token                            misbehave: answer mutual authentication with a bad token
//   --leading-zero-key                       a PACE key whose x coordinate starts with a zero octet

#include <eac/eac.h>
#include <eac/objects.h>
#include <eac/ca.h>
#include <eac/pace.h>
#include <eac/ta.h>

#include <openssl/crypto.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/objects.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<uint8_t>;

constexpr uint16_t SW_OK = 0x9000;
constexpr uint16_t SW_END_OF_FILE = 0x6282;
constexpr uint16_t SW_AUTHENTICATION_FAILED = 0x6300;
constexpr uint16_t SW_WRONG_LENGTH = 0x6700;
constexpr uint16_t SW_SECURITY_STATUS = 0x6982;
constexpr uint16_t SW_CONDITIONS = 0x6985;
constexpr uint16_t SW_NO_CURRENT_EF = 0x6986;
constexpr uint16_t SW_SM_MISSING = 0x6987;
constexpr uint16_t SW_SM_INCORRECT = 0x6988;
constexpr uint16_t SW_WRONG_DATA = 0x6A80;
constexpr uint16_t SW_FILE_NOT_FOUND = 0x6A82;
constexpr uint16_t SW_REFERENCED_DATA = 0x6A88;
constexpr uint16_t SW_WRONG_P1P2 = 0x6B00;
constexpr uint16_t SW_INS_NOT_SUPPORTED = 0x6D00;

const Bytes EID_AID = {0xE8, 0x07, 0x04, 0x00, 0x7F, 0x00, 0x07, 0x03, 0x02};
const Bytes PACE_ECDH_GM_PREFIX = {0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x04, 0x02};
const std::string CAR_CURR = "DETESTeID00005";
const std::string CAR_PREV = "DETESTeID00004";

enum PasswordId : uint8_t
{
	MRZ = 1, CAN = 2, PIN = 3, PUK = 4
};


std::string toHex(const Bytes& pData)
{
	static const char* digits = "0123456789ABCDEF";
	std::string hex;
	for (const uint8_t byte : pData)
	{
		hex += digits[byte >> 4];
		hex += digits[byte & 0x0F];
	}
	return hex;
}


Bytes fromHex(const std::string& pHex)
{
	Bytes data;
	std::string digits;
	for (const char c : pHex)
	{
		if (std::isxdigit(static_cast<unsigned char>(c)))
		{
			digits += c;
		}
	}
	for (size_t i = 0; i + 1 < digits.size(); i += 2)
	{
		data.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
	}
	return data;
}


Bytes toBytes(const BUF_MEM* pBuffer)
{
	if (pBuffer == nullptr)
	{
		return Bytes();
	}
	return Bytes(pBuffer->data, pBuffer->data + pBuffer->length);
}


struct BufMemDeleter
{
	void operator()(BUF_MEM* pBuffer) const
	{
		BUF_MEM_clear_free(pBuffer);
	}


};
using BufMem = std::unique_ptr<BUF_MEM, BufMemDeleter>;


BufMem toBufMem(const Bytes& pData)
{
	BUF_MEM* buffer = BUF_MEM_new();
	if (buffer == nullptr || (!pData.empty() && BUF_MEM_grow(buffer, pData.size()) == 0))
	{
		BUF_MEM_free(buffer);
		return BufMem();
	}
	if (!pData.empty())
	{
		std::memcpy(buffer->data, pData.data(), pData.size());
	}
	buffer->length = pData.size();
	return BufMem(buffer);
}


Bytes readBinaryFile(const std::string& pPath)
{
	std::ifstream file(pPath, std::ios::binary);
	if (!file)
	{
		throw std::invalid_argument("cannot read " + pPath);
	}
	return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}


// Comp() of elliptic-curve keys: the x coordinate of the uncompressed point, in the full length
// of the field. OpenPACE's EAC_Comp drops leading zero octets, which no chip does.
Bytes compress(const Bytes& pPoint)
{
	return pPoint.size() % 2 == 1 && pPoint[0] == 0x04 ? Bytes(pPoint.begin() + 1, pPoint.begin() + 1 + static_cast<long>(pPoint.size() / 2)) : Bytes();
}


// One key in 256 has an x coordinate with a leading zero octet, the case that breaks a Comp()
// or an integer conversion that drops it. Asked for, keys are drawn until one has it.
bool hasLeadingZero(const Bytes& pPoint)
{
	return pPoint.size() > 1 && pPoint[1] == 0x00;
}


// Padding and MAC of secure messaging for either side, under the keys the context has in use.
// The MAC of OpenPACE covers the send sequence counter and exactly the bytes it is given.
BufMem isoPad(const EAC_CTX* pCtx, const Bytes& pData)
{
	const BufMem plain = toBufMem(pData);
	return BufMem(EAC_add_iso_pad(pCtx, plain.get()));
}


Bytes macOfPadded(const EAC_CTX* pCtx, const Bytes& pPadded)
{
	const BufMem input = toBufMem(pPadded);
	const BufMem result(EAC_authenticate(pCtx, input.get()));
	return toBytes(result.get());
}


Bytes macOf(const EAC_CTX* pCtx, const Bytes& pData)
{
	const BufMem padded = isoPad(pCtx, pData);
	return padded ? macOfPadded(pCtx, toBytes(padded.get())) : Bytes();
}


Bytes encodeLength(size_t pLength)
{
	if (pLength < 0x80)
	{
		return {static_cast<uint8_t>(pLength)};
	}
	if (pLength < 0x100)
	{
		return {0x81, static_cast<uint8_t>(pLength)};
	}
	return {0x82, static_cast<uint8_t>(pLength >> 8), static_cast<uint8_t>(pLength)};
}


Bytes tlv(const Bytes& pTag, const Bytes& pValue)
{
	Bytes result = pTag;
	const Bytes length = encodeLength(pValue.size());
	result.insert(result.end(), length.begin(), length.end());
	result.insert(result.end(), pValue.begin(), pValue.end());
	return result;
}


Bytes concat(std::initializer_list<Bytes> pParts)
{
	Bytes result;
	for (const auto& part : pParts)
	{
		result.insert(result.end(), part.begin(), part.end());
	}
	return result;
}


// A flat list of BER-TLVs with one- or two-byte tags; nullopt when malformed.
std::optional<std::map<unsigned, Bytes>> parseTlvs(const Bytes& pData)
{
	std::map<unsigned, Bytes> objects;
	size_t pos = 0;
	while (pos < pData.size())
	{
		unsigned tag = pData[pos++];
		if ((tag & 0x1F) == 0x1F)
		{
			if (pos >= pData.size())
			{
				return std::nullopt;
			}
			tag = (tag << 8) | pData[pos++];
		}
		if (pos >= pData.size())
		{
			return std::nullopt;
		}
		size_t length = pData[pos++];
		if (length == 0x81 || length == 0x82)
		{
			const size_t count = length & 0x7F;
			if (pos + count > pData.size())
			{
				return std::nullopt;
			}
			length = 0;
			for (size_t i = 0; i < count; ++i)
			{
				length = (length << 8) | pData[pos++];
			}
		}
		else if (length > 0x80)
		{
			return std::nullopt;
		}
		if (pos + length > pData.size())
		{
			return std::nullopt;
		}
		objects[tag] = Bytes(pData.begin() + static_cast<long>(pos), pData.begin() + static_cast<long>(pos + length));
		pos += length;
	}
	return objects;
}


struct Command
{
	uint8_t mCla = 0;
	uint8_t mIns = 0;
	uint8_t mP1 = 0;
	uint8_t mP2 = 0;
	Bytes mData;
	size_t mLe = 0;
	bool mHasLe = false;
};


std::optional<Command> parseCommand(const Bytes& pApdu)
{
	if (pApdu.size() < 4)
	{
		return std::nullopt;
	}
	Command command;
	command.mCla = pApdu[0];
	command.mIns = pApdu[1];
	command.mP1 = pApdu[2];
	command.mP2 = pApdu[3];
	const size_t size = pApdu.size();
	if (size == 4)
	{
		return command;
	}
	if (size == 5)
	{
		command.mHasLe = true;
		command.mLe = pApdu[4] == 0 ? 256 : pApdu[4];
		return command;
	}
	if (pApdu[4] != 0)
	{
		const size_t lc = pApdu[4];
		if (size != 5 + lc && size != 6 + lc)
		{
			return std::nullopt;
		}
		command.mData.assign(pApdu.begin() + 5, pApdu.begin() + 5 + static_cast<long>(lc));
		if (size == 6 + lc)
		{
			command.mHasLe = true;
			command.mLe = pApdu.back() == 0 ? 256 : pApdu.back();
		}
		return command;
	}
	if (size < 7)
	{
		return std::nullopt;
	}
	const size_t first = (static_cast<size_t>(pApdu[5]) << 8) | pApdu[6];
	if (size == 7)
	{
		command.mHasLe = true;
		command.mLe = first == 0 ? 65536 : first;
		return command;
	}
	if (size != 7 + first && size != 9 + first)
	{
		return std::nullopt;
	}
	command.mData.assign(pApdu.begin() + 7, pApdu.begin() + 7 + static_cast<long>(first));
	if (size == 9 + first)
	{
		const size_t le = (static_cast<size_t>(pApdu[size - 2]) << 8) | pApdu[size - 1];
		command.mHasLe = true;
		command.mLe = le == 0 ? 65536 : le;
	}
	return command;
}


struct Response
{
	Bytes mData;
	uint16_t mStatus = SW_OK;
};


Bytes toBytes(const Response& pResponse)
{
	Bytes bytes = pResponse.mData;
	bytes.push_back(static_cast<uint8_t>(pResponse.mStatus >> 8));
	bytes.push_back(static_cast<uint8_t>(pResponse.mStatus));
	return bytes;
}


struct ElementaryFile
{
	uint8_t mShortId;
	Bytes mContent;
	bool mNeedsSecureMessaging;
};


struct EacCtxDeleter
{
	void operator()(EAC_CTX* pCtx) const
	{
		EAC_CTX_clear_free(pCtx);
	}


};


struct PaceSecDeleter
{
	void operator()(PACE_SEC* pSecret) const
	{
		PACE_SEC_clear_free(pSecret);
	}


};


struct Options
{
	std::string mPin = "123456";
	std::string mCan = "500540";
	std::string mPuk = "9876543210";
	int mRetryCounter = 3;
	std::vector<int> mCurves = {13, 12};
	int mKeySize = 128;
	std::optional<Bytes> mCardAccess;
	std::string mKeyFile;
	bool mEchoMapping = false;
	bool mEchoEphemeral = false;
	bool mWrongToken = false;
	bool mLeadingZeroKey = false;
	std::optional<Bytes> mCvca;
	std::optional<Bytes> mCaKey;
	int mCaCurve = 13;
	std::optional<Bytes> mCardSecurity;
	bool mTerminal = false;
	Bytes mTerminalKey;
};


class Card
{
	private:
		enum class PaceStep
		{
			NONE, SET, NONCE_SENT, MAPPED, KEYS_AGREED
		};

		const Options mOptions;
		std::string mPin;
		int mRetryCounter;
		bool mCanEstablished = false;
		std::map<uint16_t, ElementaryFile> mMasterFiles;
		std::map<uint16_t, ElementaryFile> mEidFiles;
		bool mEidSelected = false;
		std::optional<uint16_t> mCurrentFile;

		std::unique_ptr<EAC_CTX, EacCtxDeleter> mCtx;
		std::unique_ptr<PACE_SEC, PaceSecDeleter> mSecret;
		PaceStep mStep = PaceStep::NONE;
		uint8_t mPasswordId = 0;
		bool mChatGiven = false;
		Bytes mTerminalEphemeralKey;

		// The secure channel: the context whose keys are in use, and the password that opened it.
		std::unique_ptr<EAC_CTX, EacCtxDeleter> mChannel;
		uint8_t mChannelPasswordId = 0;
		// A PACE finished inside a channel answers under that channel; the new one starts after.
		std::unique_ptr<EAC_CTX, EacCtxDeleter> mRetiredChannel;

		// Terminal and chip authentication after PACE: their context, ID_PICC (the compressed
		// PACE key of the card) and what the terminal announced.
		Bytes mCardPaceKey;
		Bytes mIdPicc;
		std::unique_ptr<EAC_CTX, EacCtxDeleter> mEac;
		std::optional<Bytes> mDstCar;
		Bytes mImportedChr;
		bool mNonceIssued = false;
		std::optional<Bytes> mTaEphemeralKey;
		Bytes mTaAuxiliaryData;
		bool mTaDone = false;
		bool mCaSelected = false;

		std::map<uint16_t, ElementaryFile>& currentFiles()
		{
			return mEidSelected ? mEidFiles : mMasterFiles;
		}


		void resetPace()
		{
			mCtx.reset();
			mSecret.reset();
			mStep = PaceStep::NONE;
			mPasswordId = 0;
			mChatGiven = false;
			mTerminalEphemeralKey.clear();
		}


		void closeChannel()
		{
			if (mChannel)
			{
				std::cerr << "Secure messaging stopped" << std::endl;
			}
			mChannel.reset();
			mChannelPasswordId = 0;
		}


		static Bytes paceInfo(const Bytes& pOid, int pParameterId)
		{
			return tlv({0x30}, concat({tlv({0x06}, pOid), {0x02, 0x01, 0x02}, {0x02, 0x01, static_cast<uint8_t>(pParameterId)}}));
		}


		Bytes createCardAccess() const
		{
			if (mOptions.mCardAccess)
			{
				return *mOptions.mCardAccess;
			}
			Bytes oid = PACE_ECDH_GM_PREFIX;
			oid.push_back(mOptions.mKeySize == 256 ? 0x04 : mOptions.mKeySize == 192 ? 0x03 : 0x02);
			Bytes infos;
			for (const int curve : mOptions.mCurves)
			{
				const Bytes info = paceInfo(oid, curve);
				infos.insert(infos.end(), info.begin(), info.end());
			}
			return tlv({0x31}, infos);
		}


		static int protocolNid(const Bytes& pOidContent)
		{
			const Bytes der = tlv({0x06}, pOidContent);
			const unsigned char* data = der.data();
			ASN1_OBJECT* object = d2i_ASN1_OBJECT(nullptr, &data, static_cast<long>(der.size()));
			const int nid = object == nullptr ? NID_undef : OBJ_obj2nid(object);
			ASN1_OBJECT_free(object);
			return nid;
		}


		Response mseSetAt(const Command& pCommand)
		{
			resetPace();
			if (pCommand.mData.empty())
			{
				// Terminals close the channel with this deliberately incomplete command.
				closeChannel();
				return {{}, SW_WRONG_LENGTH};
			}

			const auto objects = parseTlvs(pCommand.mData);
			if (!objects || !objects->count(0x80) || !objects->count(0x83) || (*objects).at(0x83).size() != 1)
			{
				return {{}, SW_WRONG_DATA};
			}
			const Bytes& oid = objects->at(0x80);
			const uint8_t passwordId = objects->at(0x83).at(0);
			const int parameterId = objects->count(0x84) && objects->at(0x84).size() == 1 ? objects->at(0x84).at(0) : -1;

			const int nid = protocolNid(oid);
			const bool ecdhGm = oid.size() == PACE_ECDH_GM_PREFIX.size() + 1
					&& std::equal(PACE_ECDH_GM_PREFIX.begin(), PACE_ECDH_GM_PREFIX.end(), oid.begin());
			if (!ecdhGm || nid == NID_undef || parameterId < 8 || parameterId > 18)
			{
				std::cerr << "MSE:Set AT refused: " << toHex(oid) << " parameter " << parameterId << std::endl;
				return {{}, SW_WRONG_DATA};
			}

			std::string password;
			uint16_t status = SW_OK;
			switch (passwordId)
			{
				case CAN:
					password = mOptions.mCan;
					break;

				case PIN:
					password = mPin;
					if (mRetryCounter < 3)
					{
						status = static_cast<uint16_t>(0x63C0 | mRetryCounter);
					}
					if (mRetryCounter == 0)
					{
						return {{}, status};
					}
					break;

				case PUK:
					if (mRetryCounter > 0)
					{
						std::cerr << "PUK refused, the PIN is not blocked" << std::endl;
						return {{}, SW_CONDITIONS};
					}
					password = mOptions.mPuk;
					break;

				default:
					return {{}, SW_WRONG_DATA};
			}

			std::unique_ptr<EAC_CTX, EacCtxDeleter> ctx(EAC_CTX_new());
			if (!ctx || !EAC_CTX_init_pace(ctx.get(), nid, parameterId))
			{
				std::cerr << "EAC_CTX_init_pace failed for parameter " << parameterId << std::endl;
				return {{}, SW_WRONG_DATA};
			}
			ctx->tr_version = EAC_TR_VERSION_2_02;
			mSecret.reset(PACE_SEC_new(password.data(), password.size(), static_cast<s_type>(passwordId)));
			if (!mSecret)
			{
				return {{}, SW_WRONG_DATA};
			}
			mCtx = std::move(ctx);
			mPasswordId = passwordId;
			mChatGiven = objects->count(0x7F4C) > 0;
			mStep = PaceStep::SET;
			return {{}, status};
		}


		Response failPace(uint16_t pStatus)
		{
			resetPace();
			return {{}, pStatus};
		}


		Response generalAuthenticate(const Command& pCommand)
		{
			const bool chained = (pCommand.mCla & 0x10) != 0;
			const auto outer = parseTlvs(pCommand.mData);
			if (!outer || outer->size() != 1 || !outer->count(0x7C))
			{
				return failPace(SW_WRONG_DATA);
			}
			const auto inner = parseTlvs(outer->at(0x7C));
			if (!inner)
			{
				return failPace(SW_WRONG_DATA);
			}

			switch (mStep)
			{
				case PaceStep::NONE:
					if (mCaSelected && mEac && !chained)
					{
						return chipAuthentication(*inner);
					}
					return failPace(SW_CONDITIONS);

				case PaceStep::SET:
				{
					if (!chained || !inner->empty())
					{
						return failPace(SW_WRONG_DATA);
					}
					if (mPasswordId == PIN && mRetryCounter == 1 && !mCanEstablished)
					{
						std::cerr << "PIN suspended, CAN first" << std::endl;
						return failPace(SW_SECURITY_STATUS);
					}
					const BufMem encryptedNonce(PACE_STEP1_enc_nonce(mCtx.get(), mSecret.get()));
					if (!encryptedNonce)
					{
						return failPace(SW_CONDITIONS);
					}
					mStep = PaceStep::NONCE_SENT;
					return {tlv({0x7C}, tlv({0x80}, toBytes(encryptedNonce.get()))), SW_OK};
				}

				case PaceStep::NONCE_SENT:
				{
					if (!chained || !inner->count(0x81))
					{
						return failPace(SW_WRONG_DATA);
					}
					const Bytes& terminalMapping = inner->at(0x81);
					const BufMem cardMapping(PACE_STEP3A_generate_mapping_data(mCtx.get()));
					const BufMem terminalMappingBuffer = toBufMem(terminalMapping);
					if (!cardMapping || !PACE_STEP3A_map_generator(mCtx.get(), terminalMappingBuffer.get()))
					{
						std::cerr << "Mapping failed" << std::endl;
						return failPace(SW_WRONG_DATA);
					}
					mStep = PaceStep::MAPPED;
					const Bytes answer = mOptions.mEchoMapping ? terminalMapping : toBytes(cardMapping.get());
					return {tlv({0x7C}, tlv({0x82}, answer)), SW_OK};
				}

				case PaceStep::MAPPED:
				{
					if (!chained || !inner->count(0x83))
					{
						return failPace(SW_WRONG_DATA);
					}
					mTerminalEphemeralKey = inner->at(0x83);
					BufMem cardKey(PACE_STEP3B_generate_ephemeral_key(mCtx.get()));
					while (mOptions.mLeadingZeroKey && cardKey && !hasLeadingZero(toBytes(cardKey.get())))
					{
						cardKey.reset(PACE_STEP3B_generate_ephemeral_key(mCtx.get()));
					}
					const BufMem terminalKey = toBufMem(mTerminalEphemeralKey);
					if (!cardKey || !PACE_STEP3B_compute_shared_secret(mCtx.get(), terminalKey.get())
							|| !PACE_STEP3C_derive_keys(mCtx.get()))
					{
						std::cerr << "Key agreement failed" << std::endl;
						return failPace(SW_WRONG_DATA);
					}
					mStep = PaceStep::KEYS_AGREED;
					mCardPaceKey = toBytes(cardKey.get());
					const Bytes answer = mOptions.mEchoEphemeral ? mTerminalEphemeralKey : toBytes(cardKey.get());
					return {tlv({0x7C}, tlv({0x84}, answer)), SW_OK};
				}

				case PaceStep::KEYS_AGREED:
					return mutualAuthentication(chained, *inner);
			}
			return failPace(SW_CONDITIONS);
		}


		Response mutualAuthentication(bool pChained, const std::map<unsigned, Bytes>& pObjects)
		{
			if (pChained || !pObjects.count(0x85))
			{
				return failPace(SW_WRONG_DATA);
			}

			const BufMem terminalToken = toBufMem(pObjects.at(0x85));
			if (PACE_STEP3D_verify_authentication_token(mCtx.get(), terminalToken.get()) != 1)
			{
				std::cerr << "Wrong password or token, password id " << int(mPasswordId) << std::endl;
				if (mPasswordId == PIN)
				{
					mRetryCounter = std::max(0, mRetryCounter - 1);
					return failPace(static_cast<uint16_t>(0x63C0 | mRetryCounter));
				}
				return failPace(SW_AUTHENTICATION_FAILED);
			}

			const BufMem terminalKey = toBufMem(mTerminalEphemeralKey);
			const BufMem cardToken(PACE_STEP3D_compute_authentication_token(mCtx.get(), terminalKey.get()));
			if (!cardToken)
			{
				return failPace(SW_CONDITIONS);
			}
			Bytes token = toBytes(cardToken.get());
			if (mOptions.mWrongToken)
			{
				token.back() ^= 0x01;
			}

			Bytes data = tlv({0x86}, token);
			if (mChatGiven)
			{
				data = concat({data, tlv({0x87}, Bytes(CAR_CURR.begin(), CAR_CURR.end())), tlv({0x88}, Bytes(CAR_PREV.begin(), CAR_PREV.end()))});
			}

			const KA_CTX* keys = mCtx->pace_ctx->ka_ctx;
			const Bytes encKey = toBytes(keys->k_enc);
			const Bytes macKey = toBytes(keys->k_mac);
			std::cerr << "PACE established with password id " << int(mPasswordId) << " K_enc: " << toHex(encKey) << " K_mac: " << toHex(macKey) << std::endl;
			if (!mOptions.mKeyFile.empty())
			{
				std::ofstream file(mOptions.mKeyFile, std::ios::app);
				file << toHex(encKey) << ' ' << toHex(macKey) << ' ' << toHex(mCardPaceKey) << '\n';
			}
			mIdPicc = compress(mCardPaceKey);
			startEac();

			if (mPasswordId == PIN)
			{
				mRetryCounter = 3;
			}
			if (mPasswordId == CAN)
			{
				mCanEstablished = true;
			}

			// The new channel starts with the answer after this one.
			if (mChannel)
			{
				std::cerr << "Secure messaging stopped" << std::endl;
			}
			mRetiredChannel = std::move(mChannel);
			mChannelPasswordId = 0;
			if (!EAC_CTX_set_encryption_ctx(mCtx.get(), EAC_ID_PACE))
			{
				return failPace(SW_CONDITIONS);
			}
			mChannel = std::move(mCtx);
			mChannelPasswordId = mPasswordId;
			resetPace();
			return {tlv({0x7C}, data), SW_OK};
		}


		// Each PACE starts a new authentication of the terminal; without a trust anchor the card
		// knows no terminal authentication.
		void startEac()
		{
			mEac.reset();
			mDstCar.reset();
			mImportedChr.clear();
			mNonceIssued = false;
			mTaEphemeralKey.reset();
			mTaAuxiliaryData.clear();
			mTaDone = false;
			mCaSelected = false;
			if (!mOptions.mCvca || !mOptions.mCaKey)
			{
				return;
			}

			std::unique_ptr<EAC_CTX, EacCtxDeleter> ctx(EAC_CTX_new());
			if (!ctx
					|| !EAC_CTX_init_ta(ctx.get(), nullptr, 0, mOptions.mCvca->data(), mOptions.mCvca->size())
					|| !EAC_CTX_init_ca(ctx.get(), NID_id_CA_ECDH_AES_CBC_CMAC_128, mOptions.mCaCurve)
					|| !CA_set_key(ctx.get(), mOptions.mCaKey->data(), mOptions.mCaKey->size(), nullptr, 0))
			{
				std::cerr << "Cannot set up terminal and chip authentication" << std::endl;
				return;
			}
			// The fixtures' validity is no concern of these tests.
			TA_disable_checks(ctx.get());
			ctx->tr_version = EAC_TR_VERSION_2_02;
			mEac = std::move(ctx);
		}


		Response getChallenge()
		{
			if (!mChannel || !mEac)
			{
				return {{}, SW_SECURITY_STATUS};
			}
			const BufMem nonce(TA_STEP4_get_nonce(mEac.get()));
			if (!nonce)
			{
				return {{}, SW_CONDITIONS};
			}
			mNonceIssued = true;
			return {toBytes(nonce.get()), SW_OK};
		}


		Response setDst(const Command& pCommand)
		{
			const auto objects = parseTlvs(pCommand.mData);
			if (!mEac || !objects || !objects->count(0x83))
			{
				return {{}, SW_WRONG_DATA};
			}
			mDstCar = objects->at(0x83);
			return {{}, SW_OK};
		}


		Response verifyCertificate(const Command& pCommand)
		{
			if (!mEac || !mDstCar)
			{
				return {{}, SW_CONDITIONS};
			}
			const auto parts = parseTlvs(pCommand.mData);
			const auto body = parts && parts->count(0x7F4E) ? parseTlvs(parts->at(0x7F4E)) : std::nullopt;
			if (!body || !body->count(0x42) || !body->count(0x5F20) || !parts->count(0x5F37))
			{
				return {{}, SW_WRONG_DATA};
			}
			if (body->at(0x42) != *mDstCar)
			{
				std::cerr << "CAR differs from MSE:Set DST" << std::endl;
				return {{}, SW_REFERENCED_DATA};
			}
			const Bytes certificate = tlv({0x7F, 0x21}, pCommand.mData);
			if (!TA_STEP2_import_certificate(mEac.get(), certificate.data(), certificate.size()))
			{
				std::cerr << "Certificate not verified" << std::endl;
				return {{}, SW_AUTHENTICATION_FAILED};
			}
			mImportedChr = body->at(0x5F20);
			mDstCar.reset();
			return {{}, SW_OK};
		}


		Response setTerminalAuthentication(const Command& pCommand)
		{
			const auto objects = parseTlvs(pCommand.mData);
			if (!mEac || !objects || !objects->count(0x80) || !objects->count(0x83) || !objects->count(0x91))
			{
				return {{}, SW_WRONG_DATA};
			}
			if (objects->at(0x83) != mImportedChr)
			{
				std::cerr << "CHR is not that of the last certificate" << std::endl;
				return {{}, SW_REFERENCED_DATA};
			}
			mTaEphemeralKey = objects->at(0x91);
			mTaAuxiliaryData = objects->count(0x67) ? tlv({0x67}, objects->at(0x67)) : Bytes();
			mTaDone = false;
			return {{}, SW_OK};
		}


		Response externalAuthenticate(const Command& pCommand)
		{
			if (!mEac || !mNonceIssued || !mTaEphemeralKey)
			{
				return {{}, SW_CONDITIONS};
			}
			const BufMem ephemeralKey = toBufMem(*mTaEphemeralKey);
			const BufMem idPicc = toBufMem(mIdPicc);
			const BufMem auxiliaryData = toBufMem(mTaAuxiliaryData);
			const BufMem signature = toBufMem(pCommand.mData);
			if (TA_STEP6_verify(mEac.get(), ephemeralKey.get(), idPicc.get(), mTaAuxiliaryData.empty() ? nullptr : auxiliaryData.get(), signature.get()) != 1)
			{
				std::cerr << "Terminal signature not verified" << std::endl;
				mNonceIssued = false;
				return {{}, SW_AUTHENTICATION_FAILED};
			}
			std::cerr << "Terminal authenticated" << std::endl;
			mTaDone = true;
			return {{}, SW_OK};
		}


		Response setChipAuthentication(const Command& pCommand)
		{
			static const Bytes caEcdhAes128 = {0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x03, 0x02, 0x02};
			const auto objects = parseTlvs(pCommand.mData);
			if (!mTaDone)
			{
				return {{}, SW_CONDITIONS};
			}
			if (!objects || !objects->count(0x80) || objects->at(0x80) != caEcdhAes128)
			{
				return {{}, SW_WRONG_DATA};
			}
			mCaSelected = true;
			return {{}, SW_OK};
		}


		// The answer still goes out under the PACE keys; the chip-authentication keys follow.
		Response chipAuthentication(const std::map<unsigned, Bytes>& pObjects)
		{
			mCaSelected = false;
			if (!pObjects.count(0x80))
			{
				return {{}, SW_WRONG_DATA};
			}
			const BufMem terminalKey = toBufMem(pObjects.at(0x80));
			// Not CA_STEP3_check_pcd_pubkey: it compares with OpenPACE's shortened Comp().
			if (compress(pObjects.at(0x80)) != *mTaEphemeralKey)
			{
				std::cerr << "Key differs from the one of terminal authentication" << std::endl;
				return {{}, SW_WRONG_DATA};
			}
			BUF_MEM* nonce = nullptr;
			BUF_MEM* token = nullptr;
			const bool derived = CA_STEP4_compute_shared_secret(mEac.get(), terminalKey.get())
					&& CA_STEP5_derive_keys(mEac.get(), terminalKey.get(), &nonce, &token);
			const BufMem nonceOwner(nonce);
			const BufMem tokenOwner(token);
			if (!derived || !EAC_CTX_set_encryption_ctx(mEac.get(), EAC_ID_CA))
			{
				std::cerr << "Chip authentication failed" << std::endl;
				return {{}, SW_CONDITIONS};
			}

			const KA_CTX* keys = mEac->ca_ctx->ka_ctx;
			std::cerr << "Chip authentication established K_enc: " << toHex(toBytes(keys->k_enc)) << " K_mac: " << toHex(toBytes(keys->k_mac)) << std::endl;
			mRetiredChannel = std::move(mChannel);
			mChannel = std::move(mEac);
			return {tlv({0x7C}, concat({tlv({0x81}, toBytes(nonce)), tlv({0x82}, toBytes(token))})), SW_OK};
		}


		Response select(const Command& pCommand)
		{
			switch (pCommand.mP1)
			{
				case 0x04:
					if (pCommand.mData == EID_AID)
					{
						mEidSelected = true;
						mCurrentFile.reset();
						return {{}, SW_OK};
					}
					return {{}, SW_FILE_NOT_FOUND};

				case 0x00:
					if (pCommand.mData.empty() || pCommand.mData == Bytes({0x3F, 0x00}))
					{
						mEidSelected = false;
						mCurrentFile.reset();
						return {{}, SW_OK};
					}
					[[fallthrough]];

				case 0x02:
				{
					if (pCommand.mData.size() != 2)
					{
						return {{}, SW_WRONG_DATA};
					}
					const auto id = static_cast<uint16_t>((pCommand.mData[0] << 8) | pCommand.mData[1]);
					if (!currentFiles().count(id))
					{
						return {{}, SW_FILE_NOT_FOUND};
					}
					mCurrentFile = id;
					return {{}, SW_OK};
				}

				default:
					return {{}, SW_WRONG_P1P2};
			}
		}


		Response readBinary(const Command& pCommand)
		{
			size_t offset = 0;
			if (pCommand.mP1 & 0x80)
			{
				const uint8_t shortId = pCommand.mP1 & 0x1F;
				mCurrentFile.reset();
				for (const auto& [id, file] : currentFiles())
				{
					if (file.mShortId == shortId)
					{
						mCurrentFile = id;
					}
				}
				if (!mCurrentFile)
				{
					return {{}, SW_FILE_NOT_FOUND};
				}
				offset = pCommand.mP2;
			}
			else
			{
				if (!mCurrentFile)
				{
					return {{}, SW_NO_CURRENT_EF};
				}
				offset = (static_cast<size_t>(pCommand.mP1) << 8) | pCommand.mP2;
			}

			const ElementaryFile& file = currentFiles().at(*mCurrentFile);
			if (file.mNeedsSecureMessaging && !mChannel)
			{
				return {{}, SW_SECURITY_STATUS};
			}
			if (offset >= file.mContent.size())
			{
				return {{}, SW_WRONG_P1P2};
			}
			const size_t wanted = pCommand.mHasLe ? pCommand.mLe : 256;
			const size_t available = file.mContent.size() - offset;
			const size_t count = std::min(wanted, available);
			Bytes data(file.mContent.begin() + static_cast<long>(offset), file.mContent.begin() + static_cast<long>(offset + count));
			return {data, count < wanted ? SW_END_OF_FILE : SW_OK};
		}


		Response resetRetryCounter(const Command& pCommand)
		{
			if (!mChannel)
			{
				return {{}, SW_SECURITY_STATUS};
			}
			if (pCommand.mP1 == 0x03 && pCommand.mP2 == 0x03 && mChannelPasswordId == PUK)
			{
				mRetryCounter = 3;
				return {{}, SW_OK};
			}
			if (pCommand.mP1 == 0x02 && pCommand.mP2 == 0x03 && mChannelPasswordId == PIN && !pCommand.mData.empty())
			{
				mPin.assign(pCommand.mData.begin(), pCommand.mData.end());
				return {{}, SW_OK};
			}
			return {{}, SW_SECURITY_STATUS};
		}


		Response process(const Command& pCommand)
		{
			switch (pCommand.mIns)
			{
				case 0x22:
					if (pCommand.mP1 == 0xC1 && pCommand.mP2 == 0xA4)
					{
						return mseSetAt(pCommand);
					}
					if (pCommand.mP1 == 0x81 && pCommand.mP2 == 0xB6)
					{
						return setDst(pCommand);
					}
					if (pCommand.mP1 == 0x81 && pCommand.mP2 == 0xA4)
					{
						return setTerminalAuthentication(pCommand);
					}
					if (pCommand.mP1 == 0x41 && pCommand.mP2 == 0xA4)
					{
						return setChipAuthentication(pCommand);
					}
					return {{}, SW_WRONG_P1P2};

				case 0x2A:
					if (pCommand.mP1 == 0x00 && pCommand.mP2 == 0xBE)
					{
						return verifyCertificate(pCommand);
					}
					return {{}, SW_WRONG_P1P2};

				case 0x82:
					return externalAuthenticate(pCommand);

				case 0x84:
					return getChallenge();

				case 0x86:
					return generalAuthenticate(pCommand);

				case 0xA4:
					return select(pCommand);

				case 0xB0:
					return readBinary(pCommand);

				case 0x2C:
					return resetRetryCounter(pCommand);

				default:
					return {{}, SW_INS_NOT_SUPPORTED};
			}
		}


		BufMem pad(const Bytes& pData) const
		{
			return isoPad(mChannel.get(), pData);
		}


		Bytes macOfPadded(const Bytes& pPadded) const
		{
			return ::macOfPadded(mChannel.get(), pPadded);
		}


		Bytes mac(const Bytes& pData) const
		{
			return macOf(mChannel.get(), pData);
		}


		std::optional<Command> unwrap(const Command& pCommand)
		{
			const auto objects = parseTlvs(pCommand.mData);
			if (!objects || !objects->count(0x8E))
			{
				return std::nullopt;
			}

			const Bytes header = {pCommand.mCla, pCommand.mIns, pCommand.mP1, pCommand.mP2};
			const BufMem paddedHeader = pad(header);
			Bytes macInput = toBytes(paddedHeader.get());
			Bytes cryptogram;
			if (objects->count(0x87))
			{
				const Bytes& value = objects->at(0x87);
				if (value.empty() || value[0] != 0x01)
				{
					return std::nullopt;
				}
				cryptogram.assign(value.begin() + 1, value.end());
				const Bytes object = tlv({0x87}, value);
				macInput.insert(macInput.end(), object.begin(), object.end());
			}
			Command plain;
			plain.mCla = static_cast<uint8_t>(pCommand.mCla & ~0x0C);
			plain.mIns = pCommand.mIns;
			plain.mP1 = pCommand.mP1;
			plain.mP2 = pCommand.mP2;
			if (objects->count(0x97))
			{
				const Bytes& le = objects->at(0x97);
				const Bytes object = tlv({0x97}, le);
				macInput.insert(macInput.end(), object.begin(), object.end());
				size_t value = 0;
				for (const uint8_t byte : le)
				{
					value = (value << 8) | byte;
				}
				plain.mHasLe = true;
				plain.mLe = value != 0 ? value : (le.size() == 1 ? 256 : 65536);
			}

			EAC_increment_ssc(mChannel.get());
			// Without data objects (case 1) the padded header is not padded a second time; this is
			// what the eID chip checks, although a literal reading of ICAO 9303 would add a block.
			const bool headerOnly = !objects->count(0x87) && !objects->count(0x97);
			if ((headerOnly ? macOfPadded(macInput) : mac(macInput)) != objects->at(0x8E))
			{
				std::cerr << "Command MAC wrong" << std::endl;
				return std::nullopt;
			}
			if (!cryptogram.empty())
			{
				const BufMem encrypted = toBufMem(cryptogram);
				const BufMem decrypted(EAC_decrypt(mChannel.get(), encrypted.get()));
				const BufMem unpadded(decrypted ? EAC_remove_iso_pad(decrypted.get()) : nullptr);
				if (!unpadded)
				{
					return std::nullopt;
				}
				plain.mData = toBytes(unpadded.get());
			}
			return plain;
		}


		Bytes wrap(const Response& pResponse)
		{
			EAC_increment_ssc(mChannel.get());
			Bytes objects;
			if (!pResponse.mData.empty())
			{
				const BufMem padded = pad(pResponse.mData);
				const BufMem encrypted(EAC_encrypt(mChannel.get(), padded.get()));
				objects = tlv({0x87}, concat({{0x01}, toBytes(encrypted.get())}));
			}
			const Bytes status = {static_cast<uint8_t>(pResponse.mStatus >> 8), static_cast<uint8_t>(pResponse.mStatus)};
			objects = concat({objects, tlv({0x99}, status)});
			objects = concat({objects, tlv({0x8E}, mac(objects))});
			return toBytes(Response{objects, pResponse.mStatus});
		}

	public:
		explicit Card(const Options& pOptions)
			: mOptions(pOptions)
			, mPin(pOptions.mPin)
			, mRetryCounter(pOptions.mRetryCounter)
		{
			mMasterFiles[0x011C] = {0x1C, createCardAccess(), false};
			mMasterFiles[0x2F00] = {0x1E, fromHex("610B4F09E80704007F00070302"), false};
			// DG1 (document type "ID") and DG4 (given names), readable under secure messaging only.
			mEidFiles[0x0101] = {0x01, fromHex("6104130249 44"), true};
			mEidFiles[0x0104] = {0x04, fromHex("6407 0C05 45524B4120"), true};
			// A file longer than one READ BINARY of 256 bytes.
			Bytes large(600);
			for (size_t i = 0; i < large.size(); ++i)
			{
				large[i] = static_cast<uint8_t>(i);
			}
			mEidFiles[0x0111] = {0x11, large, true};
			// EF.CardSecurity lies in the master file; its short identifier reaches it from the eID application too.
			if (mOptions.mCardSecurity)
			{
				mMasterFiles[0x011D] = {0x1D, *mOptions.mCardSecurity, true};
				mEidFiles[0x011D] = mMasterFiles[0x011D];
			}
		}


		Bytes transmit(const Bytes& pApdu)
		{
			const auto command = parseCommand(pApdu);
			if (!command)
			{
				return toBytes(Response{{}, SW_WRONG_LENGTH});
			}

			if ((command->mCla & 0x0C) == 0x0C)
			{
				if (!mChannel)
				{
					return toBytes(Response{{}, SW_SM_MISSING});
				}
				const auto plain = unwrap(*command);
				if (!plain)
				{
					closeChannel();
					return toBytes(Response{{}, SW_SM_INCORRECT});
				}
				const Response response = process(*plain);
				if (mRetiredChannel)
				{
					std::swap(mChannel, mRetiredChannel);
					const Bytes answer = wrap(response);
					std::swap(mChannel, mRetiredChannel);
					mRetiredChannel.reset();
					return answer;
				}
				if (!mChannel)
				{
					return toBytes(response);
				}
				return wrap(response);
			}

			// A plain command ends the secure channel, as on the chip.
			closeChannel();
			const Response response = process(*command);
			mRetiredChannel.reset();
			return toBytes(response);
		}


};


// The eID server's half of terminal and chip authentication and its secure messaging.
class Terminal
{
	private:
		std::unique_ptr<EAC_CTX, EacCtxDeleter> mCtx;
		std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> mTerminalKey {nullptr, &EVP_PKEY_free};
		Bytes mEphemeralKey;
		bool mLeadingZeroKey = false;
		Bytes mPaceKey;
		bool mSecureMessaging = false;

		static std::string answer(const std::vector<Bytes>& pValues = {})
		{
			std::string line = "OK";
			for (const auto& value : pValues)
			{
				line += ' ' + toHex(value);
			}
			return line;
		}


		std::string paceNonce(const std::vector<Bytes>& pArguments)
		{
			mSecureMessaging = false;
			mPaceKey.clear();
			if (pArguments.size() != 3 || pArguments[0].size() != 1 || (pArguments[0][0] != PACE_CAN && pArguments[0][0] != PACE_PIN))
			{
				return "ERROR pace-nonce needs password id (CAN or PIN), password and nonce";
			}
			const Bytes& password = pArguments[1];
			const std::unique_ptr<PACE_SEC, PaceSecDeleter> secret(PACE_SEC_new(reinterpret_cast<const char*>(password.data()), password.size(),
					static_cast<s_type>(pArguments[0][0])));
			const BufMem nonce = toBufMem(pArguments[2]);
			if (!secret || !EAC_CTX_init_pace(mCtx.get(), NID_id_PACE_ECDH_GM_AES_CBC_CMAC_128, 13)
					|| !PACE_STEP2_dec_nonce(mCtx.get(), secret.get(), nonce.get()))
			{
				return "ERROR nonce";
			}
			const BufMem mapping(PACE_STEP3A_generate_mapping_data(mCtx.get()));
			return mapping ? answer({toBytes(mapping.get())}) : "ERROR mapping data";
		}


		std::string paceMap(const std::vector<Bytes>& pArguments)
		{
			if (pArguments.size() != 1)
			{
				return "ERROR pace-map needs the card's mapping key";
			}
			const BufMem cardMapping = toBufMem(pArguments[0]);
			if (!PACE_STEP3A_map_generator(mCtx.get(), cardMapping.get()))
			{
				return "ERROR mapping";
			}
			const BufMem key(PACE_STEP3B_generate_ephemeral_key(mCtx.get()));
			return key ? answer({toBytes(key.get())}) : "ERROR ephemeral key";
		}


		std::string paceKey(const std::vector<Bytes>& pArguments)
		{
			if (pArguments.size() != 1)
			{
				return "ERROR pace-key needs the card's PACE key";
			}
			const BufMem cardKey = toBufMem(pArguments[0]);
			if (!PACE_STEP3B_compute_shared_secret(mCtx.get(), cardKey.get()) || !PACE_STEP3C_derive_keys(mCtx.get()))
			{
				return "ERROR key agreement";
			}
			const BufMem token(PACE_STEP3D_compute_authentication_token(mCtx.get(), cardKey.get()));
			if (!token)
			{
				return "ERROR token";
			}
			mPaceKey = pArguments[0];
			return answer({toBytes(token.get())});
		}


		std::string paceToken(const std::vector<Bytes>& pArguments)
		{
			if (pArguments.size() != 1 || mPaceKey.empty())
			{
				return "ERROR pace-token needs the card's token after pace-key";
			}
			const BufMem token = toBufMem(pArguments[0]);
			if (PACE_STEP3D_verify_authentication_token(mCtx.get(), token.get()) != 1)
			{
				return "ERROR token not verified";
			}
			// Starts the send sequence counter of the new channel at zero.
			if (!EAC_CTX_set_encryption_ctx(mCtx.get(), EAC_ID_PACE))
			{
				return "ERROR keys";
			}
			mSecureMessaging = true;
			return answer();
		}


		std::string ephemeralKey()
		{
			// TA_STEP3 answers the compressed key; the card receives the whole point.
			BufMem point;
			do
			{
				const BufMem key(TA_STEP3_generate_ephemeral_key(mCtx.get()));
				point.reset(key ? CA_STEP2_get_eph_pubkey(mCtx.get()) : nullptr);
			}
			while (mLeadingZeroKey && point && !hasLeadingZero(toBytes(point.get())));
			if (!point)
			{
				return "ERROR no ephemeral key";
			}
			mEphemeralKey = toBytes(point.get());
			return answer({mEphemeralKey});
		}


		// Signed here with OpenSSL after TR-03110: ECDSA with SHA-256 (the protocol of the test
		// terminals) over ID_PICC || r_PICC || Comp(PK_PCD) || aux data, as plain r || s.
		std::string sign(const std::vector<Bytes>& pArguments)
		{
			if (pArguments.size() < 2 || mEphemeralKey.empty() || !mTerminalKey)
			{
				return "ERROR sign needs challenge, card key and an ephemeral key";
			}
			const Bytes idPicc = compress(pArguments[1]);
			const Bytes compressedKey = compress(mEphemeralKey);
			if (idPicc.empty() || compressedKey.empty())
			{
				return "ERROR keys are no uncompressed points";
			}
			const Bytes data = concat({idPicc, pArguments[0], compressedKey, pArguments.size() > 2 ? pArguments[2] : Bytes()});

			std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> md(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
			size_t length = 0;
			if (!md || EVP_DigestSignInit(md.get(), nullptr, EVP_sha256(), nullptr, mTerminalKey.get()) != 1
					|| EVP_DigestSign(md.get(), nullptr, &length, data.data(), data.size()) != 1)
			{
				return "ERROR signature";
			}
			Bytes der(length);
			if (EVP_DigestSign(md.get(), der.data(), &length, data.data(), data.size()) != 1)
			{
				return "ERROR signature";
			}
			const unsigned char* position = der.data();
			std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> signature(d2i_ECDSA_SIG(nullptr, &position, static_cast<long>(length)), &ECDSA_SIG_free);
			const int size = (EVP_PKEY_get_bits(mTerminalKey.get()) + 7) / 8;
			Bytes plain(static_cast<size_t>(2 * size));
			if (!signature
					|| BN_bn2binpad(ECDSA_SIG_get0_r(signature.get()), plain.data(), size) != size
					|| BN_bn2binpad(ECDSA_SIG_get0_s(signature.get()), plain.data() + size, size) != size)
			{
				return "ERROR signature";
			}
			return answer({plain});
		}


		std::string chipAuthentication(const std::vector<Bytes>& pArguments)
		{
			if (pArguments.size() != 3)
			{
				return "ERROR chip-authentication needs card key, nonce and token";
			}
			const BufMem cardKey = toBufMem(pArguments[0]);
			const BufMem nonce = toBufMem(pArguments[1]);
			const BufMem token = toBufMem(pArguments[2]);
			if (!CA_STEP4_compute_shared_secret(mCtx.get(), cardKey.get()))
			{
				return "ERROR shared secret";
			}
			if (!CA_STEP6_derive_keys(mCtx.get(), nonce.get(), token.get()))
			{
				return "ERROR token not verified";
			}
			if (!EAC_CTX_set_encryption_ctx(mCtx.get(), EAC_ID_CA))
			{
				return "ERROR keys";
			}
			mSecureMessaging = true;
			return answer();
		}


		std::string wrap(const Bytes& pApdu)
		{
			const auto command = parseCommand(pApdu);
			if (!mSecureMessaging || !command)
			{
				return "ERROR no channel or no command";
			}

			EAC_increment_ssc(mCtx.get());
			const Bytes header = {static_cast<uint8_t>(command->mCla | 0x0C), command->mIns, command->mP1, command->mP2};
			Bytes objects;
			if (!command->mData.empty())
			{
				const BufMem padded = isoPad(mCtx.get(), command->mData);
				const BufMem encrypted(EAC_encrypt(mCtx.get(), padded.get()));
				objects = tlv({0x87}, concat({{0x01}, toBytes(encrypted.get())}));
			}
			if (command->mHasLe)
			{
				const size_t le = command->mLe;
				const Bytes value = le == 256 ? Bytes({0x00}) : le == 65536 ? Bytes({0x00, 0x00})
						: le > 256 ? Bytes({static_cast<uint8_t>(le >> 8), static_cast<uint8_t>(le)}) : Bytes({static_cast<uint8_t>(le)});
				objects = concat({objects, tlv({0x97}, value)});
			}
			const BufMem paddedHeader = isoPad(mCtx.get(), header);
			const Bytes macInput = concat({toBytes(paddedHeader.get()), objects});
			// As the card checks it: a header alone is not padded twice.
			const Bytes mac = objects.empty() ? macOfPadded(mCtx.get(), macInput) : macOf(mCtx.get(), macInput);
			objects = concat({objects, tlv({0x8E}, mac)});

			const bool extended = objects.size() > 255 || command->mLe > 256;
			Bytes apdu = header;
			if (extended)
			{
				apdu = concat({apdu, {0x00, static_cast<uint8_t>(objects.size() >> 8), static_cast<uint8_t>(objects.size())}, objects, {0x00, 0x00}});
			}
			else
			{
				apdu = concat({apdu, {static_cast<uint8_t>(objects.size())}, objects, {0x00}});
			}
			return answer({apdu});
		}


		std::string unwrap(const Bytes& pResponse)
		{
			if (!mSecureMessaging || pResponse.size() < 2)
			{
				return "ERROR no channel or no response";
			}
			const Bytes body(pResponse.begin(), pResponse.end() - 2);
			const auto objects = parseTlvs(body);
			if (!objects || !objects->count(0x99) || !objects->count(0x8E))
			{
				return "ERROR not protected";
			}

			EAC_increment_ssc(mCtx.get());
			Bytes macInput;
			if (objects->count(0x87))
			{
				macInput = tlv({0x87}, objects->at(0x87));
			}
			macInput = concat({macInput, tlv({0x99}, objects->at(0x99))});
			if (macOf(mCtx.get(), macInput) != objects->at(0x8E))
			{
				return "ERROR response MAC wrong";
			}

			Bytes plain;
			if (objects->count(0x87))
			{
				const Bytes& value = objects->at(0x87);
				if (value.empty() || value[0] != 0x01)
				{
					return "ERROR padding indicator";
				}
				const BufMem encrypted = toBufMem(Bytes(value.begin() + 1, value.end()));
				const BufMem decrypted(EAC_decrypt(mCtx.get(), encrypted.get()));
				const BufMem unpadded(decrypted ? EAC_remove_iso_pad(decrypted.get()) : nullptr);
				if (!unpadded)
				{
					return "ERROR cryptogram";
				}
				plain = toBytes(unpadded.get());
			}
			return answer({concat({plain, objects->at(0x99)})});
		}

	public:
		bool init(const Options& pOptions)
		{
			const unsigned char* key = pOptions.mTerminalKey.data();
			mTerminalKey.reset(d2i_AutoPrivateKey(nullptr, &key, static_cast<long>(pOptions.mTerminalKey.size())));
			mCtx.reset(EAC_CTX_new());
			mLeadingZeroKey = pOptions.mLeadingZeroKey;
			return mTerminalKey && mCtx
				   && EAC_CTX_init_ca(mCtx.get(), NID_id_CA_ECDH_AES_CBC_CMAC_128, pOptions.mCaCurve);
		}


		std::string handle(const std::string& pLine)
		{
			std::istringstream words(pLine);
			std::string request;
			words >> request;
			std::vector<Bytes> arguments;
			std::string word;
			while (words >> word)
			{
				arguments.push_back(fromHex(word));
			}

			if (request == "pace-nonce")
			{
				return paceNonce(arguments);
			}
			if (request == "pace-map")
			{
				return paceMap(arguments);
			}
			if (request == "pace-key")
			{
				return paceKey(arguments);
			}
			if (request == "pace-token")
			{
				return paceToken(arguments);
			}
			if (request == "ephemeral-key")
			{
				return ephemeralKey();
			}
			if (request == "sign")
			{
				return sign(arguments);
			}
			if (request == "chip-authentication")
			{
				return chipAuthentication(arguments);
			}
			if (request == "wrap" && arguments.size() == 1)
			{
				return wrap(arguments[0]);
			}
			if (request == "unwrap" && arguments.size() == 1)
			{
				return unwrap(arguments[0]);
			}
			return "ERROR unknown request " + request;
		}


};


int runTerminal(const Options& pOptions)
{
	Terminal terminal;
	if (!terminal.init(pOptions))
	{
		std::cerr << "Cannot set up the terminal" << std::endl;
		return 1;
	}
	std::string line;
	while (std::getline(std::cin, line))
	{
		std::cout << terminal.handle(line) << std::endl;
	}
	return 0;
}


bool readFrame(Bytes& pFrame)
{
	uint8_t header[4];
	if (!std::cin.read(reinterpret_cast<char*>(header), 4))
	{
		return false;
	}
	const size_t length = (size_t(header[0]) << 24) | (size_t(header[1]) << 16) | (size_t(header[2]) << 8) | header[3];
	pFrame.resize(length);
	return length == 0 || static_cast<bool>(std::cin.read(reinterpret_cast<char*>(pFrame.data()), static_cast<std::streamsize>(length)));
}


void writeFrame(const Bytes& pFrame)
{
	const auto length = static_cast<uint32_t>(pFrame.size());
	const uint8_t header[4] = {
		static_cast<uint8_t>(length >> 24), static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)
	};
	std::cout.write(reinterpret_cast<const char*>(header), 4);
	std::cout.write(reinterpret_cast<const char*>(pFrame.data()), static_cast<std::streamsize>(pFrame.size()));
	std::cout.flush();
}


std::optional<Options> parseOptions(int pArgc, char** pArgv)
{
	Options options;
	for (int i = 1; i < pArgc; ++i)
	{
		const std::string name = pArgv[i];
		const auto value = [&]() -> std::string {
					if (i + 1 >= pArgc)
					{
						throw std::invalid_argument(name + " needs a value");
					}
					return pArgv[++i];
				};
		try
		{
			if (name == "--pin")
			{
				options.mPin = value();
			}
			else if (name == "--can")
			{
				options.mCan = value();
			}
			else if (name == "--puk")
			{
				options.mPuk = value();
			}
			else if (name == "--retry-counter")
			{
				options.mRetryCounter = std::stoi(value());
			}
			else if (name == "--curves")
			{
				options.mCurves.clear();
				std::stringstream list(value());
				std::string item;
				while (std::getline(list, item, ','))
				{
					options.mCurves.push_back(std::stoi(item));
				}
			}
			else if (name == "--key-size")
			{
				options.mKeySize = std::stoi(value());
			}
			else if (name == "--card-access")
			{
				options.mCardAccess = fromHex(value());
			}
			else if (name == "--key-file")
			{
				options.mKeyFile = value();
			}
			else if (name == "--echo-mapping")
			{
				options.mEchoMapping = true;
			}
			else if (name == "--echo-ephemeral")
			{
				options.mEchoEphemeral = true;
			}
			else if (name == "--wrong-token")
			{
				options.mWrongToken = true;
			}
			else if (name == "--leading-zero-key")
			{
				options.mLeadingZeroKey = true;
			}
			else if (name == "--cvca")
			{
				options.mCvca = readBinaryFile(value());
			}
			else if (name == "--ca-key")
			{
				options.mCaKey = readBinaryFile(value());
			}
			else if (name == "--ca-curve")
			{
				options.mCaCurve = std::stoi(value());
			}
			else if (name == "--card-security")
			{
				options.mCardSecurity = readBinaryFile(value());
			}
			else if (name == "--terminal")
			{
				options.mTerminal = true;
			}
			else if (name == "--terminal-key")
			{
				options.mTerminalKey = readBinaryFile(value());
			}

			else
			{
				std::cerr << "Unknown option: " << name << std::endl;
				return std::nullopt;
			}
		}
		catch (const std::exception& e)
		{
			std::cerr << "Bad option " << name << ": " << e.what() << std::endl;
			return std::nullopt;
		}
	}
	return options;
}


} // namespace


int main(int argc, char** argv)
{
	const auto options = parseOptions(argc, argv);
	if (!options)
	{
		return 2;
	}

	EAC_init();
	if (options->mTerminal)
	{
		const int result = runTerminal(*options);
		EAC_cleanup();
		return result;
	}
	{
		Card card(*options);
		Bytes frame;
		while (readFrame(frame))
		{
			writeFrame(card.transmit(frame));
		}
	}
	EAC_cleanup();
	return 0;
}
