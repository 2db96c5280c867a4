/**
 * The content of one simulated eID card: files, PACE passwords, private keys and trust point.
 */

#pragma once

#include "apdu/StatusCode.h"
#include "asn1/AuthenticatedAuxiliaryData.h"
#include "asn1/CVCertificate.h"
#include "asn1/Oid.h"
#include "pinpad/PacePasswordId.h"

#include <QByteArray>
#include <QDate>
#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QSharedPointer>

namespace tessarovin
{

// A value type: the maps are implicitly shared, so the card's own copy is cheap. Not thread-safe;
// the reader thread builds it and the card that holds the copy uses it there.
class SimulatorFileSystem
{
	private:
		QByteArray mSelectedFile;
		QMap<PacePasswordId, QByteArray> mPasswords;
		QMap<int, QByteArray> mKeys;
		QMap<QByteArray, QByteArray> mFileContents;
		QMap<QByteArray, QByteArray> mFileIds;
		// The CVCA certificate that terminal authentication starts from.
		QSharedPointer<const cvcertificate_st> mTrustPoint;

		void createCommonContent();
		void createDataGroups();
		void storeFile(const QByteArray& pFileId, const QByteArray& pShortFileId, const QByteArray& pContent);
		void parseFile(const QJsonValue& pFile);
		void parseKey(const QJsonObject& pKey);
		void storeKey(int pKeyId, const QByteArray& pKey);

		[[nodiscard]] QDate readDate(const QByteArray& pShortFileId) const;
		[[nodiscard]] StatusCode verifyAge(const QDate& pAgeVerificationDate) const;
		[[nodiscard]] StatusCode verifyValidity(const QDate& pValidityDate) const;
		[[nodiscard]] StatusCode verifyCommunityId(const QByteArray& pCommunityId) const;

	public:
		// The specimen card with every data group.
		SimulatorFileSystem();
		// EF.DIR, EF.CardAccess and EF.CardSecurity, then the "files" and "keys" of the description.
		explicit SimulatorFileSystem(const QJsonObject& pCardDescription);
		SimulatorFileSystem(const SimulatorFileSystem&) = default;
		SimulatorFileSystem(SimulatorFileSystem&&) = default;
		SimulatorFileSystem& operator=(const SimulatorFileSystem&) = default;
		SimulatorFileSystem& operator=(SimulatorFileSystem&&) = default;
		~SimulatorFileSystem();

		// Stores the DER of an OpenSSL ASN.1 generation string under pShortFileId and under 01 pShortFileId;
		// pConfig holds the sections that the string refers to. Failures are logged and store nothing.
		void createFile(const QByteArray& pShortFileId, const char* pGenerationString, const QByteArray& pConfig = QByteArray());

		[[nodiscard]] QByteArray getKey(int pKeyId) const;
		[[nodiscard]] QByteArray getPassword(PacePasswordId pPasswordId) const;
		[[nodiscard]] QByteArray getEfCardAccess() const;
		[[nodiscard]] QSharedPointer<const cvcertificate_st> getTrustPoint() const;
		void setTrustPoint(const QSharedPointer<const cvcertificate_st>& pTrustPoint);

		[[nodiscard]] StatusCode select(const QByteArray& pIdentifier);
		// Data followed by the status word.
		[[nodiscard]] QByteArray read(qint64 pOffset, int pLength, bool pExtendedLength) const;
		[[nodiscard]] StatusCode write(qint64 pOffset, const QByteArray& pData);

		// Checks the reference value that the terminal sent for pOid against the card's data groups.
		[[nodiscard]] StatusCode verify(const Oid& pOid, const QSharedPointer<const AuthenticatedAuxiliaryData>& pAuxiliaryData) const;
};

} // namespace tessarovin
