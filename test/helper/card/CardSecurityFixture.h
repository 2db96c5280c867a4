#pragma once

#include "OpenSslCli.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace tessarovin
{

// EF.CardSecurity files made by the openssl tool: SecurityInfos written by "asn1parse -genconf"
// and signed by "cms -sign" with a document signer made on the first use.
class CardSecurityFixture
{
	private:
		QTemporaryDir mDir;
		bool mSignerMade = false;

		bool write(const QString& pName, const QByteArray& pData) const
		{
			QFile file(mDir.filePath(pName));
			return file.open(QIODevice::WriteOnly) && file.write(pData) == pData.size();
		}

	public:
		static inline const QByteArray CA_ECDH_AES_128 = QByteArrayLiteral("0.4.0.127.0.7.2.2.3.2.2");
		static inline const QByteArray PACE_ECDH_GM_AES_128 = QByteArrayLiteral("0.4.0.127.0.7.2.2.4.2.2");

		// A ChipAuthenticationInfo; a negative key id leaves it out.
		static QByteArray chipAuthenticationInfo(const QByteArray& pOid, int pVersion, int pKeyId = -1)
		{
			QByteArray entry = "protocol=OID:" + pOid + "\nversion=INTEGER:" + QByteArray::number(pVersion) + "\n";
			if (pKeyId >= 0)
			{
				entry += "keyId=INTEGER:" + QByteArray::number(pKeyId) + "\n";
			}
			return entry;
		}


		static QByteArray paceInfo()
		{
			return "protocol=OID:" + PACE_ECDH_GM_AES_128 + "\nversion=INTEGER:2\nparameterId=INTEGER:13\n";
		}


		// A SET OF SecurityInfo with one SEQUENCE per entry, each given as genconf fields.
		static QByteArray securityInfos(const QByteArrayList& pEntries)
		{
			QByteArray conf = "asn1=SET:infos\n[infos]\n";
			for (int i = 0; i < pEntries.size(); ++i)
			{
				conf += "e" + QByteArray::number(i) + "=SEQUENCE:e" + QByteArray::number(i) + "\n";
			}
			for (int i = 0; i < pEntries.size(); ++i)
			{
				conf += "[e" + QByteArray::number(i) + "]\n" + pEntries.at(i);
			}
			return runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", "-"}, conf);
		}


		// SignedData with the content encapsulated, of the type id-SecurityObject.
		QByteArray sign(const QByteArray& pContent)
		{
			if (!mSignerMade)
			{
				runOpenSsl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
										   "-keyout", mDir.filePath(QStringLiteral("ds.key")), "-out", mDir.filePath(QStringLiteral("ds.pem")),
										   "-subj", "/C=DE/CN=Test Document Signer/serialNumber=DS-0001", "-days", "2"});
				// The tool writes nothing to its output here: the files tell whether it worked.
				mSignerMade = QFile::exists(mDir.filePath(QStringLiteral("ds.pem")));
			}
			if (!mSignerMade || !write(QStringLiteral("content.der"), pContent))
			{
				return QByteArray();
			}
			return runOpenSsl({"cms", "-sign", "-nodetach", "-binary", "-econtent_type", "0.4.0.127.0.7.3.2.1", "-outform", "DER",
							   "-in", mDir.filePath(QStringLiteral("content.der")),
							   "-signer", mDir.filePath(QStringLiteral("ds.pem")), "-inkey", mDir.filePath(QStringLiteral("ds.key"))});
		}


};

} // namespace tessarovin
