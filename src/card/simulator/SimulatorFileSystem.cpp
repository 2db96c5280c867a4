#include "SimulatorFileSystem.h"

#include "FileRef.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"
#include "apdu/ResponseApdu.h"
#include "asn1/ASN1Util.h"
#include "asn1/KnownOid.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/conf.h>
#include <openssl/err.h>

using namespace tessarovin;

namespace
{

#include "SimulatorCardData.inc"

// TD1 machine-readable zone of the specimen holder, three lines of 30 characters.
const char* const cMrz =
		"IDD<<7305182640<<<<<<<<<<<<<<<"
		"8408129F3406304D<<<<<<<<<<<<<6"
		"KESTERMANN<<MARLENE<<<<<<<<<<<";

// Held as wide text so that the umlauts of the address reach OpenSSL as UTF-8.
const char16_t* const cPlaceOfResidence =
		u"[seq_section]\n"
		u"street=EXPLICIT:10,FORMAT:UTF8,UTF8String:M\u00DCHLENWEG 7\n"
		u"city=EXPLICIT:11,FORMAT:UTF8,UTF8String:K\u00D6LN\n"
		u"country=EXPLICIT:13,PRINTABLESTRING:D\n"
		u"postalCode=EXPLICIT:14,PRINTABLESTRING:50667\n";

const char* const cOptionalData =
		"[optional_data]\n"
		"entry=SEQUENCE:optional_data_entry\n"
		"[optional_data_entry]\n"
		"oid=OID:1.2.840.10045.1.1\n"
		"prime=INTEGER:0xA9FB57DBA1EEA9BC3E660A909D838D726E3BF623D52620282013481D1F6E5377\n";

const QByteArray cDateOfExpiry = QByteArrayLiteral("\x03");
const QByteArray cDateOfBirth = QByteArrayLiteral("\x08");
const QByteArray cCommunityId = QByteArrayLiteral("\x12");

// Tag and length of [APPLICATION 18] and of its OCTET STRING.
constexpr int cCommunityIdHeaderSize = 4;


QByteArray applicationTemplate(const QByteArray& pContent)
{
	return Asn1Util::encode(V_ASN1_APPLICATION, 0x01, pContent, true);
}


QByteArray applicationIdentifier(const char* pHex)
{
	return Asn1Util::encode(V_ASN1_APPLICATION, 0x0F, QByteArray::fromHex(pHex));
}


QByteArray createEfDir()
{
	const QByteArray eSign = applicationIdentifier("A000000167455349474E");
	const QByteArray eSignCia = applicationIdentifier("E828BD080FA000000167455349474E")
			+ Asn1Util::encode(V_ASN1_APPLICATION, 0x10, QByteArrayLiteral("CIA zu DF.eSign"))
			+ Asn1Util::encode(V_ASN1_APPLICATION, 0x13, eSign, true);

	return applicationTemplate(eSignCia)
		   + applicationTemplate(applicationIdentifier("A0000002471001"))
		   + applicationTemplate(applicationIdentifier("E80704007F00070302"))
		   + applicationTemplate(eSign);
}


QByteArray statusWord(StatusCode pStatusCode)
{
	return ResponseApdu(pStatusCode).getStatusBytes();
}


} // namespace


SimulatorFileSystem::SimulatorFileSystem()
	: mSelectedFile()
	, mPasswords()
	, mKeys()
	, mFileContents()
	, mFileIds()
	, mTrustPoint()
{
	createCommonContent();
	createDataGroups();
}


SimulatorFileSystem::SimulatorFileSystem(const QJsonObject& pCardDescription)
	: mSelectedFile()
	, mPasswords()
	, mKeys()
	, mFileContents()
	, mFileIds()
	, mTrustPoint()
{
	createCommonContent();

	const auto& files = pCardDescription.value(QLatin1String("files")).toArray();
	for (const auto& file : files)
	{
		parseFile(file);
	}

	const auto& keys = pCardDescription.value(QLatin1String("keys")).toArray();
	for (const auto& key : keys)
	{
		if (!key.isObject())
		{
			qCWarning(card_simulator) << "Skipping key entry. Expected JSON object, got" << key;
			continue;
		}
		parseKey(key.toObject());
	}
}


SimulatorFileSystem::~SimulatorFileSystem()
{
	// A shared map still serves another copy; its last owner wipes.
	if (mKeys.isDetached())
	{
		for (auto& key : mKeys)
		{
			wipe(key);
		}
	}
}


void SimulatorFileSystem::createCommonContent()
{
	const QByteArray mrz(cMrz);
	const QByteArray mrzFields = mrz.mid(5, 10) + mrz.mid(30, 7) + mrz.mid(38, 7);
	mPasswords.insert(PacePasswordId::PACE_MRZ, QCryptographicHash::hash(mrzFields, QCryptographicHash::Sha1));
	mPasswords.insert(PacePasswordId::PACE_CAN, QByteArrayLiteral("284067"));
	mPasswords.insert(PacePasswordId::PACE_PIN, QByteArrayLiteral("731862"));
	mPasswords.insert(PacePasswordId::PACE_PUK, QByteArrayLiteral("4602719385"));

	mKeys.insert(1, QByteArray::fromHex(cKey1));
	mKeys.insert(2, QByteArray::fromHex(cKey2));
	mKeys.insert(41, QByteArray::fromHex(cKey41));

	const FileRef efDir = FileRef::efDir();
	const FileRef efCardAccess = FileRef::efCardAccess();
	const FileRef efCardSecurity = FileRef::efCardSecurity();
	storeFile(efDir.getIdentifier(), efDir.getShortIdentifier(), createEfDir());
	storeFile(efCardAccess.getIdentifier(), efCardAccess.getShortIdentifier(), QByteArray::fromHex(cEfCardAccess));
	storeFile(efCardSecurity.getIdentifier(), efCardSecurity.getShortIdentifier(), QByteArray::fromHex(cEfCardSecurity));

	mTrustPoint = cvcertificate_st::decode(QByteArray::fromHex(cTrustPoint));
}


void SimulatorFileSystem::createDataGroups()
{
	createFile(QByteArrayLiteral("\x01"), "FORMAT:UTF8,EXPLICIT:1A,PRINTABLESTRING:ID");
	createFile(QByteArrayLiteral("\x02"), "FORMAT:UTF8,EXPLICIT:2A,PRINTABLESTRING:D");
	createFile(QByteArrayLiteral("\x03"), "FORMAT:UTF8,EXPLICIT:3A,NUMERICSTRING:20340630");
	createFile(QByteArrayLiteral("\x04"), "FORMAT:UTF8,EXPLICIT:4A,UTF8String:MARLENE");
	createFile(QByteArrayLiteral("\x05"), "FORMAT:UTF8,EXPLICIT:5A,UTF8String:KESTERMANN");
	createFile(QByteArrayLiteral("\x06"), "FORMAT:UTF8,EXPLICIT:6A,UTF8String");
	createFile(QByteArrayLiteral("\x07"), "FORMAT:UTF8,EXPLICIT:7A,UTF8String");
	createFile(QByteArrayLiteral("\x08"), "FORMAT:UTF8,EXPLICIT:8A,NUMERICSTRING:19840812");
	createFile(QByteArrayLiteral("\x09"), "FORMAT:UTF8,EXPLICIT:9A,EXPLICIT:1,UTF8String:HAMBURG");
	createFile(QByteArrayLiteral("\x0A"), "FORMAT:UTF8,EXPLICIT:10A,PRINTABLESTRING:D");
	createFile(QByteArrayLiteral("\x0B"), "FORMAT:UTF8,EXPLICIT:11A,PRINTABLESTRING:F");
	createFile(QByteArrayLiteral("\x0C"), "EXPLICIT:12A,SET:optional_data", QByteArray(cOptionalData));
	createFile(QByteArrayLiteral("\x0D"), "FORMAT:UTF8,EXPLICIT:13A,UTF8String:BRANDT");

	QFile signature(QStringLiteral(":/images/signature.jp2"));
	if (signature.open(QIODevice::ReadOnly))
	{
		const QByteArray generationString = QByteArrayLiteral("FORMAT:HEX,EXPLICIT:14A,OCTETSTRING:") + signature.readAll().toHex();
		createFile(QByteArrayLiteral("\x0E"), generationString.constData());
	}

	createFile(QByteArrayLiteral("\x0F"), "FORMAT:UTF8,EXPLICIT:15A,NUMERICSTRING:20191101");
	createFile(QByteArrayLiteral("\x11"), "EXPLICIT:17A,SEQUENCE:seq_section", QString::fromUtf16(cPlaceOfResidence).toUtf8());
	createFile(QByteArrayLiteral("\x12"), "FORMAT:HEX,EXPLICIT:18A,OCTETSTRING:02760503150000");
	createFile(QByteArrayLiteral("\x13"), "FORMAT:UTF8,EXPLICIT:19A,EXPLICIT:1,UTF8String:RESIDENCE PERMIT 1");
	createFile(QByteArrayLiteral("\x14"), "FORMAT:UTF8,EXPLICIT:20A,EXPLICIT:1,UTF8String:RESIDENCE PERMIT 2");
	createFile(QByteArrayLiteral("\x15"), "FORMAT:UTF8,EXPLICIT:21A,PRINTABLESTRING:tel:+49-40-5550123");
	createFile(QByteArrayLiteral("\x16"), "FORMAT:UTF8,EXPLICIT:22A,IA5STRING:marlene.kestermann@example.org");
}


void SimulatorFileSystem::createFile(const QByteArray& pShortFileId, const char* pGenerationString, const QByteArray& pConfig)
{
	ERR_clear_error();

	OpenSslPtr<CONF, NCONF_free> config;
	if (!pConfig.isEmpty())
	{
		config.reset(NCONF_new(nullptr));
		const OpenSslPtr<BIO, BIO_free> bio(BIO_new_mem_buf(pConfig.constData(), static_cast<int>(pConfig.size())));
		long errorLine = -1;
		if (!config || !bio || NCONF_load_bio(config.get(), bio.get(), &errorLine) <= 0)
		{
			qCWarning(card_simulator).nospace() << "Cannot load ASN.1 config. Error on line " << errorLine << ". " << getOpenSslErrors();
			// A half-read configuration could resolve sections to the wrong values.
			config.reset();
		}
	}

	const OpenSslPtr<ASN1_TYPE, ASN1_TYPE_free> object(ASN1_generate_nconf(pGenerationString, config.get()));
	if (!object)
	{
		qCWarning(card_simulator) << "Cannot generate ASN.1 object:" << getOpenSslErrors();
		return;
	}

	const QByteArray der = Asn1TypeUtil::encode(object.get());
	if (der.isEmpty())
	{
		qCWarning(card_simulator) << "Cannot generate ASN.1 object:" << getOpenSslErrors();
		return;
	}
	storeFile(QByteArrayLiteral("\x01") + pShortFileId, pShortFileId, der);
}


void SimulatorFileSystem::storeFile(const QByteArray& pFileId, const QByteArray& pShortFileId, const QByteArray& pContent)
{
	mFileIds.insert(pFileId, pShortFileId);
	mFileContents.insert(pShortFileId, pContent);
}


void SimulatorFileSystem::parseFile(const QJsonValue& pFile)
{
	if (!pFile.isObject())
	{
		qCWarning(card_simulator) << "Skipping file entry. Expected JSON object, got" << pFile;
		return;
	}

	// A present but empty string is a valid (empty) value, so the type decides, not the text.
	const QJsonObject file = pFile.toObject();
	const QJsonValue fileId = file.value(QLatin1String("fileId"));
	const QJsonValue shortFileId = file.value(QLatin1String("shortFileId"));
	const QJsonValue content = file.value(QLatin1String("content"));
	if (!fileId.isString() || !shortFileId.isString() || !content.isString())
	{
		qCWarning(card_simulator) << "Skipping file entry. Expected JSON object with 'fileId', 'shortFileId' and 'content', got" << file;
		return;
	}

	storeFile(QByteArray::fromHex(fileId.toString().toLatin1()),
			QByteArray::fromHex(shortFileId.toString().toLatin1()),
			QByteArray::fromHex(content.toString().toLatin1()));
}


void SimulatorFileSystem::parseKey(const QJsonObject& pKey)
{
	const int keyId = pKey.value(QLatin1String("id")).toInt();
	const QJsonValue content = pKey.value(QLatin1String("content"));
	if (keyId == 0 || !content.isString())
	{
		qCWarning(card_simulator) << "Skipping key entry. Expected JSON object with 'id' and 'content', got" << pKey;
		return;
	}

	storeKey(keyId, QByteArray::fromHex(content.toString().toLatin1()));
}


void SimulatorFileSystem::storeKey(int pKeyId, const QByteArray& pKey)
{
	auto replaced = mKeys.find(pKeyId);
	if (replaced != mKeys.end())
	{
		wipe(*replaced);
	}
	mKeys.insert(pKeyId, pKey);
}


QByteArray SimulatorFileSystem::getKey(int pKeyId) const
{
	const auto key = mKeys.constFind(pKeyId);
	if (key == mKeys.constEnd())
	{
		qCCritical(card_simulator) << "Missing private key with ID" << pKeyId;
		return QByteArray();
	}
	return *key;
}


QByteArray SimulatorFileSystem::getPassword(PacePasswordId pPasswordId) const
{
	return mPasswords.value(pPasswordId);
}


QByteArray SimulatorFileSystem::getEfCardAccess() const
{
	return mFileContents.value(FileRef::efCardAccess().getShortIdentifier());
}


QSharedPointer<const cvcertificate_st> SimulatorFileSystem::getTrustPoint() const
{
	return mTrustPoint;
}


void SimulatorFileSystem::setTrustPoint(const QSharedPointer<const cvcertificate_st>& pTrustPoint)
{
	mTrustPoint = pTrustPoint;
	qCDebug(card_simulator) << "Updated TrustPoint to" << (pTrustPoint ? pTrustPoint->getBody().getCertificateHolderReference() : QByteArray());
}


StatusCode SimulatorFileSystem::select(const QByteArray& pIdentifier)
{
	if (mFileContents.contains(pIdentifier))
	{
		mSelectedFile = pIdentifier;
		return StatusCode::SUCCESS;
	}

	const auto shortFileId = mFileIds.constFind(pIdentifier);
	if (shortFileId != mFileIds.constEnd() && mFileContents.contains(*shortFileId))
	{
		mSelectedFile = *shortFileId;
		return StatusCode::SUCCESS;
	}

	mSelectedFile.clear();
	return StatusCode::INVALID_DATAFIELD;
}


QByteArray SimulatorFileSystem::read(qint64 pOffset, int pLength, bool pExtendedLength) const
{
	if (pLength < 1 || pLength > 65536)
	{
		return statusWord(StatusCode::WRONG_LENGTH);
	}

	const auto file = mFileContents.constFind(mSelectedFile);
	if (mSelectedFile.isEmpty() || file == mFileContents.constEnd())
	{
		return statusWord(StatusCode::FILE_NOT_FOUND);
	}

	const QByteArray& content = *file;
	if (pOffset < 0 || pOffset > content.size())
	{
		return statusWord(StatusCode::ILLEGAL_OFFSET);
	}

	const QByteArray data = content.mid(pOffset, pLength);
	// Le 00 (or 0000 in extended length) at offset 0 asks for the whole file, however long.
	const bool wholeFile = pOffset == 0 && pLength == (pExtendedLength ? 65536 : 256);
	const bool complete = wholeFile || data.size() == pLength;
	return data + statusWord(complete ? StatusCode::SUCCESS : StatusCode::END_OF_FILE);
}


StatusCode SimulatorFileSystem::write(qint64 pOffset, const QByteArray& pData)
{
	const auto file = mFileContents.find(mSelectedFile);
	if (mSelectedFile.isEmpty() || file == mFileContents.end())
	{
		return StatusCode::FILE_NOT_FOUND;
	}

	if (pOffset != 0)
	{
		return StatusCode::ILLEGAL_OFFSET;
	}

	*file = pData;
	return StatusCode::SUCCESS;
}


QDate SimulatorFileSystem::readDate(const QByteArray& pShortFileId) const
{
	// A data group that is missing or too short gives no valid date.
	const QByteArray content = mFileContents.value(pShortFileId);
	return QDate::fromString(QString::fromLatin1(content.right(8)), QStringLiteral("yyyyMMdd"));
}


StatusCode SimulatorFileSystem::verify(const Oid& pOid, const QSharedPointer<const AuthenticatedAuxiliaryData>& pAuxiliaryData) const
{
	if (pAuxiliaryData.isNull())
	{
		return StatusCode::VERIFICATION_FAILED;
	}

	qCDebug(card_simulator) << "Checking validity of" << pOid;
	if (pOid == Oid(KnownOid::ID_DATE_OF_BIRTH))
	{
		return pAuxiliaryData->hasAgeVerificationDate() ? verifyAge(pAuxiliaryData->getAgeVerificationDate()) : StatusCode::VERIFICATION_FAILED;
	}
	if (pOid == Oid(KnownOid::ID_DATE_OF_EXPIRY))
	{
		return pAuxiliaryData->hasValidityDate() ? verifyValidity(pAuxiliaryData->getValidityDate()) : StatusCode::VERIFICATION_FAILED;
	}
	if (pOid == Oid(KnownOid::ID_MUNICIPALITY_ID))
	{
		return pAuxiliaryData->hasCommunityId() ? verifyCommunityId(pAuxiliaryData->getCommunityId()) : StatusCode::VERIFICATION_FAILED;
	}
	return StatusCode::VERIFICATION_FAILED;
}


StatusCode SimulatorFileSystem::verifyAge(const QDate& pAgeVerificationDate) const
{
	const QDate dateOfBirth = readDate(cDateOfBirth);
	if (!dateOfBirth.isValid() || !pAgeVerificationDate.isValid())
	{
		return StatusCode::VERIFICATION_FAILED;
	}
	return pAgeVerificationDate >= dateOfBirth ? StatusCode::SUCCESS : StatusCode::VERIFICATION_FAILED;
}


StatusCode SimulatorFileSystem::verifyValidity(const QDate& pValidityDate) const
{
	const QDate dateOfExpiry = readDate(cDateOfExpiry);
	if (!dateOfExpiry.isValid() || !pValidityDate.isValid())
	{
		return StatusCode::VERIFICATION_FAILED;
	}
	return pValidityDate <= dateOfExpiry ? StatusCode::SUCCESS : StatusCode::VERIFICATION_FAILED;
}


StatusCode SimulatorFileSystem::verifyCommunityId(const QByteArray& pCommunityId) const
{
	const QByteArray communityId = mFileContents.value(cCommunityId).mid(cCommunityIdHeaderSize).toHex();
	// An empty reference value is a prefix of every text and would admit any card.
	if (pCommunityId.isEmpty() || communityId.isEmpty())
	{
		return StatusCode::VERIFICATION_FAILED;
	}
	return communityId.startsWith(pCommunityId) ? StatusCode::SUCCESS : StatusCode::VERIFICATION_FAILED;
}
