#include "EacTerminal.h"

#include <eac/ca.h>
#include <eac/eac.h>
#include <eac/objects.h>
#include <eac/ta.h>

#include <openssl/bn.h>
#include <openssl/cms.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>

#include <QList>
#include <QMap>
#include <QString>

using namespace tessarovin;


namespace
{

struct BufMemDeleter
{
	void operator()(BUF_MEM* pBuffer) const
	{
		BUF_MEM_clear_free(pBuffer);
	}


};
using BufMem = std::unique_ptr<BUF_MEM, BufMemDeleter>;


BufMem toBufMem(const QByteArray& pData)
{
	BUF_MEM* buffer = BUF_MEM_new();
	if (buffer == nullptr || (!pData.isEmpty() && BUF_MEM_grow(buffer, static_cast<size_t>(pData.size())) == 0))
	{
		BUF_MEM_free(buffer);
		return BufMem();
	}
	if (!pData.isEmpty())
	{
		memcpy(buffer->data, pData.constData(), static_cast<size_t>(pData.size()));
	}
	buffer->length = static_cast<size_t>(pData.size());
	return BufMem(buffer);
}


QByteArray toByteArray(const BUF_MEM* pBuffer)
{
	return pBuffer == nullptr ? QByteArray() : QByteArray(pBuffer->data, static_cast<qsizetype>(pBuffer->length));
}


QByteArray tlv(const QByteArray& pTag, const QByteArray& pValue)
{
	QByteArray length;
	const auto size = pValue.size();
	if (size < 0x80)
	{
		length.append(static_cast<char>(size));
	}
	else if (size < 0x100)
	{
		length.append(char(0x81)).append(static_cast<char>(size));
	}
	else
	{
		length.append(char(0x82)).append(static_cast<char>(size >> 8)).append(static_cast<char>(size));
	}
	return pTag + length + pValue;
}


// The data objects of a protected response: tag to value, for one-byte tags only.
bool parseObjects(const QByteArray& pData, QMap<uchar, QByteArray>& pObjects)
{
	qsizetype position = 0;
	while (position < pData.size())
	{
		const auto tag = static_cast<uchar>(pData[position++]);
		if (position >= pData.size())
		{
			return false;
		}
		qsizetype length = static_cast<uchar>(pData[position++]);
		if (length & 0x80)
		{
			const qsizetype count = length & 0x7F;
			if (count < 1 || count > 2 || position + count > pData.size())
			{
				return false;
			}
			length = 0;
			for (qsizetype i = 0; i < count; ++i)
			{
				length = (length << 8) | static_cast<uchar>(pData[position++]);
			}
		}
		if (position + length > pData.size())
		{
			return false;
		}
		pObjects.insert(tag, pData.mid(position, length));
		position += length;
	}
	return true;
}


// The elements of a DER sequence or set content, as (tag, value) pairs; one-byte tags only.
QList<QPair<uchar, QByteArray>> elements(const QByteArray& pData)
{
	QList<QPair<uchar, QByteArray>> result;
	qsizetype position = 0;
	while (position + 2 <= pData.size())
	{
		const auto tag = static_cast<uchar>(pData[position++]);
		qsizetype length = static_cast<uchar>(pData[position++]);
		if (length & 0x80)
		{
			const qsizetype count = length & 0x7F;
			length = 0;
			for (qsizetype i = 0; i < count && position < pData.size(); ++i)
			{
				length = (length << 8) | static_cast<uchar>(pData[position++]);
			}
		}
		if (position + length > pData.size())
		{
			break;
		}
		result << qMakePair(tag, pData.mid(position, length));
		position += length;
	}
	return result;
}


// The point of the first ChipAuthenticationPublicKeyInfo (id-PK-ECDH) among the security infos
// that EF.CardSecurity signs. Parsed here: OpenPACE's CA_get_pubkey fails on the card's infos and
// then hangs on a lock while it cleans up.
QByteArray chipAuthenticationKey(const QByteArray& pCardSecurity)
{
	const auto* data = reinterpret_cast<const unsigned char*>(pCardSecurity.constData());
	const std::unique_ptr<CMS_ContentInfo, decltype(&CMS_ContentInfo_free)> cms(
			d2i_CMS_ContentInfo(nullptr, &data, static_cast<long>(pCardSecurity.size())), &CMS_ContentInfo_free);
	ASN1_OCTET_STRING** content = cms ? CMS_get0_content(cms.get()) : nullptr;
	if (content == nullptr || *content == nullptr)
	{
		return QByteArray();
	}
	const QByteArray infos(reinterpret_cast<const char*>(ASN1_STRING_get0_data(*content)), ASN1_STRING_length(*content));
	static const QByteArray idPkEcdh = QByteArray::fromHex("04007F000702020102");
	const auto set = elements(infos);
	for (const auto& [tag, info] : elements(set.value(0).second))
	{
		const auto fields = elements(info);
		if (tag != 0x30 || fields.size() < 2 || fields.at(0).second != idPkEcdh)
		{
			continue;
		}
		const auto publicKey = elements(fields.at(1).second);
		if (publicKey.size() == 2 && publicKey.at(1).first == 0x03 && publicKey.at(1).second.size() > 1)
		{
			return publicKey.at(1).second.mid(1); // without the count of unused bits
		}
	}
	return QByteArray();
}


} // namespace


void EacTerminal::EacCtxDeleter::operator()(eac_ctx* pCtx) const
{
	EAC_CTX_clear_free(pCtx);
}


void EacTerminal::PkeyDeleter::operator()(evp_pkey_st* pKey) const
{
	EVP_PKEY_free(pKey);
}


EacTerminal::EacTerminal()
	: mCtx(EAC_CTX_new())
{
	if (mCtx && !EAC_CTX_init_ca(mCtx.get(), NID_id_CA_ECDH_AES_CBC_CMAC_128, 13))
	{
		mCtx.reset();
	}
}


EacTerminal::~EacTerminal() = default;


bool EacTerminal::setTerminalKey(const QByteArray& pPkcs8)
{
	const auto* data = reinterpret_cast<const unsigned char*>(pPkcs8.constData());
	mTerminalKey.reset(d2i_AutoPrivateKey(nullptr, &data, static_cast<long>(pPkcs8.size())));
	return mTerminalKey != nullptr;
}


QByteArray EacTerminal::generateEphemeralKey()
{
	mEphemeralKey.clear();
	if (!mCtx)
	{
		return mEphemeralKey;
	}
	// TA_STEP3 hands out OpenPACE's Comp(); the card needs the whole point.
	const BufMem compressed(TA_STEP3_generate_ephemeral_key(mCtx.get()));
	const BufMem point(compressed ? CA_STEP2_get_eph_pubkey(mCtx.get()) : nullptr);
	mEphemeralKey = toByteArray(point.get());
	return mEphemeralKey;
}


const QByteArray& EacTerminal::getEphemeralKey() const
{
	return mEphemeralKey;
}


QByteArray EacTerminal::compress(const QByteArray& pPoint)
{
	if (pPoint.size() % 2 != 1 || pPoint.at(0) != 0x04)
	{
		return QByteArray();
	}
	return pPoint.mid(1, pPoint.size() / 2);
}


QByteArray EacTerminal::sign(const QByteArray& pIdPicc, const QByteArray& pChallenge, const QByteArray& pAuxiliaryData) const
{
	const QByteArray compressedKey = compress(mEphemeralKey);
	if (!mTerminalKey || compressedKey.isEmpty())
	{
		return QByteArray();
	}
	const QByteArray data = pIdPicc + pChallenge + compressedKey + pAuxiliaryData;

	const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> md(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
	size_t length = 0;
	const auto* input = reinterpret_cast<const unsigned char*>(data.constData());
	if (!md || EVP_DigestSignInit(md.get(), nullptr, EVP_sha256(), nullptr, mTerminalKey.get()) != 1
			|| EVP_DigestSign(md.get(), nullptr, &length, input, static_cast<size_t>(data.size())) != 1)
	{
		return QByteArray();
	}
	QByteArray der(static_cast<qsizetype>(length), '\0');
	if (EVP_DigestSign(md.get(), reinterpret_cast<unsigned char*>(der.data()), &length, input, static_cast<size_t>(data.size())) != 1)
	{
		return QByteArray();
	}
	const auto* position = reinterpret_cast<const unsigned char*>(der.constData());
	const std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> signature(d2i_ECDSA_SIG(nullptr, &position, static_cast<long>(length)), &ECDSA_SIG_free);
	const int size = (EVP_PKEY_get_bits(mTerminalKey.get()) + 7) / 8;
	QByteArray plain(2 * size, '\0');
	auto* out = reinterpret_cast<unsigned char*>(plain.data());
	if (!signature
			|| BN_bn2binpad(ECDSA_SIG_get0_r(signature.get()), out, size) != size
			|| BN_bn2binpad(ECDSA_SIG_get0_s(signature.get()), out + size, size) != size)
	{
		return QByteArray();
	}
	return plain;
}


QString EacTerminal::authenticateChip(const QByteArray& pCardSecurity, const QByteArray& pNonce, const QByteArray& pToken)
{
	mSecureMessaging = false;
	if (!mCtx || mEphemeralKey.isEmpty())
	{
		return QStringLiteral("no ephemeral key");
	}
	const BufMem chipKey = toBufMem(chipAuthenticationKey(pCardSecurity));
	if (!chipKey || chipKey->length == 0)
	{
		return QStringLiteral("no chip authentication key in EF.CardSecurity");
	}
	if (!CA_STEP4_compute_shared_secret(mCtx.get(), chipKey.get()))
	{
		return QStringLiteral("shared secret");
	}
	const BufMem nonce = toBufMem(pNonce);
	const BufMem token = toBufMem(pToken);
	if (!CA_STEP6_derive_keys(mCtx.get(), nonce.get(), token.get()))
	{
		return QStringLiteral("authentication token not verified");
	}
	// Starts the send sequence counter of the new channel at zero.
	if (!EAC_CTX_set_encryption_ctx(mCtx.get(), EAC_ID_CA))
	{
		return QStringLiteral("keys");
	}
	mSecureMessaging = true;
	return QString();
}


bool EacTerminal::hasSecureMessaging() const
{
	return mSecureMessaging;
}


QByteArray EacTerminal::isoPad(const QByteArray& pData) const
{
	const BufMem plain = toBufMem(pData);
	const BufMem padded(EAC_add_iso_pad(mCtx.get(), plain.get()));
	return toByteArray(padded.get());
}


QByteArray EacTerminal::macOfPadded(const QByteArray& pPadded) const
{
	const BufMem input = toBufMem(pPadded);
	const BufMem result(EAC_authenticate(mCtx.get(), input.get()));
	return toByteArray(result.get());
}


QByteArray EacTerminal::macOf(const QByteArray& pData) const
{
	// EAC_authenticate MACs exactly what it is given: the padding is ours to add.
	return macOfPadded(isoPad(pData));
}


QByteArray EacTerminal::wrap(const QByteArray& pCommand)
{
	// Case 1 to short case 4 commands: CLA INS P1 P2 [Lc data] [Le].
	if (!mSecureMessaging || pCommand.size() < 4)
	{
		return QByteArray();
	}
	const QByteArray body = pCommand.mid(4);
	QByteArray data;
	QByteArray le;
	if (body.size() == 1)
	{
		le = body;
	}
	else if (!body.isEmpty())
	{
		const auto lc = static_cast<uchar>(body.at(0));
		data = body.mid(1, lc);
		le = body.mid(1 + lc);
	}

	EAC_increment_ssc(mCtx.get());
	QByteArray header = pCommand.left(4);
	header[0] = static_cast<char>(header.at(0) | 0x0C);
	QByteArray objects;
	if (!data.isEmpty())
	{
		const BufMem padded = toBufMem(isoPad(data));
		const BufMem encrypted(EAC_encrypt(mCtx.get(), padded.get()));
		objects += tlv(QByteArray(1, char(0x87)), QByteArray(1, char(0x01)) + toByteArray(encrypted.get()));
	}
	if (!le.isEmpty())
	{
		objects += tlv(QByteArray(1, char(0x97)), le);
	}
	const QByteArray macInput = isoPad(header) + objects;
	// A header alone is padded once only.
	const QByteArray mac = objects.isEmpty() ? macOfPadded(macInput) : macOf(macInput);
	objects += tlv(QByteArray(1, char(0x8E)), mac);
	return header + static_cast<char>(objects.size()) + objects + QByteArray(1, '\0');
}


QByteArray EacTerminal::unwrap(const QByteArray& pResponse, QString& pError)
{
	if (!mSecureMessaging || pResponse.size() < 2)
	{
		pError = QStringLiteral("no channel or no response");
		return QByteArray();
	}
	QMap<uchar, QByteArray> objects;
	if (!parseObjects(pResponse.chopped(2), objects) || !objects.contains(0x99) || !objects.contains(0x8E))
	{
		pError = QStringLiteral("response not protected: ") + QString::fromLatin1(pResponse.toHex());
		return QByteArray();
	}

	EAC_increment_ssc(mCtx.get());
	QByteArray macInput;
	if (objects.contains(0x87))
	{
		macInput = tlv(QByteArray(1, char(0x87)), objects.value(0x87));
	}
	macInput += tlv(QByteArray(1, char(0x99)), objects.value(0x99));
	if (macOf(macInput) != objects.value(0x8E))
	{
		pError = QStringLiteral("response MAC wrong");
		return QByteArray();
	}

	QByteArray plain;
	if (objects.contains(0x87))
	{
		const QByteArray value = objects.value(0x87);
		if (value.isEmpty() || value.at(0) != 0x01)
		{
			pError = QStringLiteral("padding indicator");
			return QByteArray();
		}
		const BufMem encrypted = toBufMem(value.mid(1));
		const BufMem decrypted(EAC_decrypt(mCtx.get(), encrypted.get()));
		const BufMem unpadded(decrypted ? EAC_remove_iso_pad(decrypted.get()) : nullptr);
		if (!unpadded)
		{
			pError = QStringLiteral("cryptogram");
			return QByteArray();
		}
		plain = toByteArray(unpadded.get());
	}
	return plain + objects.value(0x99);
}
