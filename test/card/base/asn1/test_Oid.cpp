#include "asn1/Oid.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QtTest>

#include <openssl/objects.h>

using namespace tessarovin;

namespace
{

QString debugText(const Oid& pOid)
{
	QString text;
	QDebug(&text) << pOid;
	return text.trimmed();
}


// Another library in the process (OpenPACE, for one) may have registered an identifier before
// the application object exists; the registration must then take that NID, not 0.
const int cForeignNid = OBJ_create("0.4.0.127.0.7.2.2.1.1", "id-PK-DH", "registered by another library");


} // namespace


class test_Oid
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void knownOids_data()
		{
			QTest::addColumn<KnownOid>("known");
			QTest::addColumn<QByteArray>("dotted");
			QTest::addColumn<QByteArray>("shortName");

			QTest::newRow("ID_SIGNED_DATA") << KnownOid::ID_SIGNED_DATA << QByteArray("1.2.840.113549.1.7.2") << QByteArray("pkcs7-signedData");
			QTest::newRow("EC_PS_PUBLICKEY") << KnownOid::EC_PS_PUBLICKEY << QByteArray("0.4.0.127.0.7.1.1.2.3") << QByteArray("ecPSPublicKey");
			QTest::newRow("STANDARDIZED_DOMAINPARAMETERS") << KnownOid::STANDARDIZED_DOMAINPARAMETERS << QByteArray("0.4.0.127.0.7.1.2") << QByteArray("standardizedDomainParameters");
			QTest::newRow("BSI_DE_PROTOCOLS_SMARTCARD") << KnownOid::BSI_DE_PROTOCOLS_SMARTCARD << QByteArray("0.4.0.127.0.7.2.2") << QByteArray("bsi-de-protocols-smartcard");
			QTest::newRow("ID_PK") << KnownOid::ID_PK << QByteArray("0.4.0.127.0.7.2.2.1") << QByteArray("id-PK");
			QTest::newRow("ID_PK_DH") << KnownOid::ID_PK_DH << QByteArray("0.4.0.127.0.7.2.2.1.1") << QByteArray("id-PK-DH");
			QTest::newRow("ID_PK_ECDH") << KnownOid::ID_PK_ECDH << QByteArray("0.4.0.127.0.7.2.2.1.2") << QByteArray("id-PK-ECDH");
			QTest::newRow("ID_PS_PK") << KnownOid::ID_PS_PK << QByteArray("0.4.0.127.0.7.2.2.1.3") << QByteArray("id-PS-PK");
			QTest::newRow("ID_PS_PK_ECDH_ESCHNORR") << KnownOid::ID_PS_PK_ECDH_ESCHNORR << QByteArray("0.4.0.127.0.7.2.2.1.3.2") << QByteArray("id-PS-PK-ECDH-ECSchnorr");
			QTest::newRow("ID_TA") << KnownOid::ID_TA << QByteArray("0.4.0.127.0.7.2.2.2") << QByteArray("id-TA");
			QTest::newRow("ID_TA_RSA") << KnownOid::ID_TA_RSA << QByteArray("0.4.0.127.0.7.2.2.2.1") << QByteArray("id-TA-RSA");
			QTest::newRow("ID_TA_RSA_V1_5_SHA_1") << KnownOid::ID_TA_RSA_V1_5_SHA_1 << QByteArray("0.4.0.127.0.7.2.2.2.1.1") << QByteArray("id-TA-RSA-v1-5-SHA-1");
			QTest::newRow("ID_TA_RSA_V1_5_SHA_256") << KnownOid::ID_TA_RSA_V1_5_SHA_256 << QByteArray("0.4.0.127.0.7.2.2.2.1.2") << QByteArray("id-TA-RSA-v1-5-SHA-256");
			QTest::newRow("ID_TA_RSA_PSS_SHA_1") << KnownOid::ID_TA_RSA_PSS_SHA_1 << QByteArray("0.4.0.127.0.7.2.2.2.1.3") << QByteArray("id-TA-RSA-PSS-SHA-1");
			QTest::newRow("ID_TA_RSA_PSS_SHA_256") << KnownOid::ID_TA_RSA_PSS_SHA_256 << QByteArray("0.4.0.127.0.7.2.2.2.1.4") << QByteArray("id-TA-RSA-PSS-SHA-256");
			QTest::newRow("ID_TA_RSA_V1_5_SHA_512") << KnownOid::ID_TA_RSA_V1_5_SHA_512 << QByteArray("0.4.0.127.0.7.2.2.2.1.5") << QByteArray("id-TA-RSA-v1-5-SHA-512");
			QTest::newRow("ID_TA_RSA_PSS_SHA_512") << KnownOid::ID_TA_RSA_PSS_SHA_512 << QByteArray("0.4.0.127.0.7.2.2.2.1.6") << QByteArray("id-TA-RSA-PSS-SHA-512");
			QTest::newRow("ID_TA_ECDSA") << KnownOid::ID_TA_ECDSA << QByteArray("0.4.0.127.0.7.2.2.2.2") << QByteArray("id-TA-ECDSA");
			QTest::newRow("ID_TA_ECDSA_SHA_1") << KnownOid::ID_TA_ECDSA_SHA_1 << QByteArray("0.4.0.127.0.7.2.2.2.2.1") << QByteArray("id-TA-ECDSA-SHA-1");
			QTest::newRow("ID_TA_ECDSA_SHA_224") << KnownOid::ID_TA_ECDSA_SHA_224 << QByteArray("0.4.0.127.0.7.2.2.2.2.2") << QByteArray("id-TA-ECDSA-SHA-224");
			QTest::newRow("ID_TA_ECDSA_SHA_256") << KnownOid::ID_TA_ECDSA_SHA_256 << QByteArray("0.4.0.127.0.7.2.2.2.2.3") << QByteArray("id-TA-ECDSA-SHA-256");
			QTest::newRow("ID_TA_ECDSA_SHA_384") << KnownOid::ID_TA_ECDSA_SHA_384 << QByteArray("0.4.0.127.0.7.2.2.2.2.4") << QByteArray("id-TA-ECDSA-SHA-384");
			QTest::newRow("ID_TA_ECDSA_SHA_512") << KnownOid::ID_TA_ECDSA_SHA_512 << QByteArray("0.4.0.127.0.7.2.2.2.2.5") << QByteArray("id-TA-ECDSA-SHA-512");
			QTest::newRow("ID_CA") << KnownOid::ID_CA << QByteArray("0.4.0.127.0.7.2.2.3") << QByteArray("id-CA");
			QTest::newRow("ID_CA_DH") << KnownOid::ID_CA_DH << QByteArray("0.4.0.127.0.7.2.2.3.1") << QByteArray("id-CA-DH");
			QTest::newRow("ID_CA_DH_3DES_CBC_CBC") << KnownOid::ID_CA_DH_3DES_CBC_CBC << QByteArray("0.4.0.127.0.7.2.2.3.1.1") << QByteArray("id-CA-DH-3DES-CBC-CBC");
			QTest::newRow("ID_CA_DH_AES_CBC_CMAC_128") << KnownOid::ID_CA_DH_AES_CBC_CMAC_128 << QByteArray("0.4.0.127.0.7.2.2.3.1.2") << QByteArray("id-CA-DH-AES-CBC-CMAC-128");
			QTest::newRow("ID_CA_DH_AES_CBC_CMAC_192") << KnownOid::ID_CA_DH_AES_CBC_CMAC_192 << QByteArray("0.4.0.127.0.7.2.2.3.1.3") << QByteArray("id-CA-DH-AES-CBC-CMAC-192");
			QTest::newRow("ID_CA_DH_AES_CBC_CMAC_256") << KnownOid::ID_CA_DH_AES_CBC_CMAC_256 << QByteArray("0.4.0.127.0.7.2.2.3.1.4") << QByteArray("id-CA-DH-AES-CBC-CMAC-256");
			QTest::newRow("ID_CA_ECDH") << KnownOid::ID_CA_ECDH << QByteArray("0.4.0.127.0.7.2.2.3.2") << QByteArray("id-CA-ECDH");
			QTest::newRow("ID_CA_ECDH_3DES_CBC_CBC") << KnownOid::ID_CA_ECDH_3DES_CBC_CBC << QByteArray("0.4.0.127.0.7.2.2.3.2.1") << QByteArray("id-CA-ECDH-3DES-CBC-CBC");
			QTest::newRow("ID_CA_ECDH_AES_CBC_CMAC_128") << KnownOid::ID_CA_ECDH_AES_CBC_CMAC_128 << QByteArray("0.4.0.127.0.7.2.2.3.2.2") << QByteArray("id-CA-ECDH-AES-CBC-CMAC-128");
			QTest::newRow("ID_CA_ECDH_AES_CBC_CMAC_192") << KnownOid::ID_CA_ECDH_AES_CBC_CMAC_192 << QByteArray("0.4.0.127.0.7.2.2.3.2.3") << QByteArray("id-CA-ECDH-AES-CBC-CMAC-192");
			QTest::newRow("ID_CA_ECDH_AES_CBC_CMAC_256") << KnownOid::ID_CA_ECDH_AES_CBC_CMAC_256 << QByteArray("0.4.0.127.0.7.2.2.3.2.4") << QByteArray("id-CA-ECDH-AES-CBC-CMAC-256");
			QTest::newRow("ID_PACE") << KnownOid::ID_PACE << QByteArray("0.4.0.127.0.7.2.2.4") << QByteArray("id-PACE");
			QTest::newRow("ID_PACE_DH_GM") << KnownOid::ID_PACE_DH_GM << QByteArray("0.4.0.127.0.7.2.2.4.1") << QByteArray("id-PACE-DH-GM");
			QTest::newRow("ID_PACE_DH_GM_3DES_CBC_CBC") << KnownOid::ID_PACE_DH_GM_3DES_CBC_CBC << QByteArray("0.4.0.127.0.7.2.2.4.1.1") << QByteArray("id-PACE-DH-GM-3DES-CBC-CBC");
			QTest::newRow("ID_PACE_DH_GM_AES_CBC_CMAC_128") << KnownOid::ID_PACE_DH_GM_AES_CBC_CMAC_128 << QByteArray("0.4.0.127.0.7.2.2.4.1.2") << QByteArray("id-PACE-DH-GM-AES-CBC-CMAC-128");
			QTest::newRow("ID_PACE_DH_GM_AES_CBC_CMAC_192") << KnownOid::ID_PACE_DH_GM_AES_CBC_CMAC_192 << QByteArray("0.4.0.127.0.7.2.2.4.1.3") << QByteArray("id-PACE-DH-GM-AES-CBC-CMAC-192");
			QTest::newRow("ID_PACE_DH_GM_AES_CBC_CMAC_256") << KnownOid::ID_PACE_DH_GM_AES_CBC_CMAC_256 << QByteArray("0.4.0.127.0.7.2.2.4.1.4") << QByteArray("id-PACE-DH-GM-AES-CBC-CMAC-256");
			QTest::newRow("ID_PACE_ECDH_GM") << KnownOid::ID_PACE_ECDH_GM << QByteArray("0.4.0.127.0.7.2.2.4.2") << QByteArray("id-PACE-ECDH-GM");
			QTest::newRow("ID_PACE_ECDH_GM_3DES_CBC_CBC") << KnownOid::ID_PACE_ECDH_GM_3DES_CBC_CBC << QByteArray("0.4.0.127.0.7.2.2.4.2.1") << QByteArray("id-PACE-ECDH-GM-3DES-CBC-CBC");
			QTest::newRow("ID_PACE_ECDH_GM_AES_CBC_CMAC_128") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QByteArray("0.4.0.127.0.7.2.2.4.2.2") << QByteArray("id-PACE-ECDH-GM-AES-CBC-CMAC-128");
			QTest::newRow("ID_PACE_ECDH_GM_AES_CBC_CMAC_192") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_192 << QByteArray("0.4.0.127.0.7.2.2.4.2.3") << QByteArray("id-PACE-ECDH-GM-AES-CBC-CMAC-192");
			QTest::newRow("ID_PACE_ECDH_GM_AES_CBC_CMAC_256") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256 << QByteArray("0.4.0.127.0.7.2.2.4.2.4") << QByteArray("id-PACE-ECDH-GM-AES-CBC-CMAC-256");
			QTest::newRow("ID_PACE_DH_IM") << KnownOid::ID_PACE_DH_IM << QByteArray("0.4.0.127.0.7.2.2.4.3") << QByteArray("id-PACE-DH-IM");
			QTest::newRow("ID_PACE_DH_IM_3DES_CBC_CBC") << KnownOid::ID_PACE_DH_IM_3DES_CBC_CBC << QByteArray("0.4.0.127.0.7.2.2.4.3.1") << QByteArray("id-PACE-DH-IM-3DES-CBC-CBC");
			QTest::newRow("ID_PACE_DH_IM_AES_CBC_CMAC_128") << KnownOid::ID_PACE_DH_IM_AES_CBC_CMAC_128 << QByteArray("0.4.0.127.0.7.2.2.4.3.2") << QByteArray("id-PACE-DH-IM-AES-CBC-CMAC-128");
			QTest::newRow("ID_PACE_DH_IM_AES_CBC_CMAC_192") << KnownOid::ID_PACE_DH_IM_AES_CBC_CMAC_192 << QByteArray("0.4.0.127.0.7.2.2.4.3.3") << QByteArray("id-PACE-DH-IM-AES-CBC-CMAC-192");
			QTest::newRow("ID_PACE_DH_IM_AES_CBC_CMAC_256") << KnownOid::ID_PACE_DH_IM_AES_CBC_CMAC_256 << QByteArray("0.4.0.127.0.7.2.2.4.3.4") << QByteArray("id-PACE-DH-IM-AES-CBC-CMAC-256");
			QTest::newRow("ID_PACE_ECDH_IM") << KnownOid::ID_PACE_ECDH_IM << QByteArray("0.4.0.127.0.7.2.2.4.4") << QByteArray("id-PACE-ECDH-IM");
			QTest::newRow("ID_PACE_ECDH_IM_3DES_CBC_CBC") << KnownOid::ID_PACE_ECDH_IM_3DES_CBC_CBC << QByteArray("0.4.0.127.0.7.2.2.4.4.1") << QByteArray("id-PACE-ECDH-IM-3DES-CBC-CBC");
			QTest::newRow("ID_PACE_ECDH_IM_AES_CBC_CMAC_128") << KnownOid::ID_PACE_ECDH_IM_AES_CBC_CMAC_128 << QByteArray("0.4.0.127.0.7.2.2.4.4.2") << QByteArray("id-PACE-ECDH-IM-AES-CBC-CMAC-128");
			QTest::newRow("ID_PACE_ECDH_IM_AES_CBC_CMAC_192") << KnownOid::ID_PACE_ECDH_IM_AES_CBC_CMAC_192 << QByteArray("0.4.0.127.0.7.2.2.4.4.3") << QByteArray("id-PACE-ECDH-IM-AES-CBC-CMAC-192");
			QTest::newRow("ID_PACE_ECDH_IM_AES_CBC_CMAC_256") << KnownOid::ID_PACE_ECDH_IM_AES_CBC_CMAC_256 << QByteArray("0.4.0.127.0.7.2.2.4.4.4") << QByteArray("id-PACE-ECDH-IM-AES-CBC-CMAC-256");
			QTest::newRow("ID_PACE_ECDH_CAM") << KnownOid::ID_PACE_ECDH_CAM << QByteArray("0.4.0.127.0.7.2.2.4.6") << QByteArray("id-PACE-ECDH-CAM");
			QTest::newRow("ID_PACE_ECDH_CAM_AES_CBC_CMAC_128") << KnownOid::ID_PACE_ECDH_CAM_AES_CBC_CMAC_128 << QByteArray("0.4.0.127.0.7.2.2.4.6.2") << QByteArray("id-PACE-ECDH-CAM-AES-CBC-CMAC-128");
			QTest::newRow("ID_PACE_ECDH_CAM_AES_CBC_CMAC_192") << KnownOid::ID_PACE_ECDH_CAM_AES_CBC_CMAC_192 << QByteArray("0.4.0.127.0.7.2.2.4.6.3") << QByteArray("id-PACE-ECDH-CAM-AES-CBC-CMAC-192");
			QTest::newRow("ID_PACE_ECDH_CAM_AES_CBC_CMAC_256") << KnownOid::ID_PACE_ECDH_CAM_AES_CBC_CMAC_256 << QByteArray("0.4.0.127.0.7.2.2.4.6.4") << QByteArray("id-PACE-ECDH-CAM-AES-CBC-CMAC-256");
			QTest::newRow("ID_RI") << KnownOid::ID_RI << QByteArray("0.4.0.127.0.7.2.2.5") << QByteArray("id-RI");
			QTest::newRow("ID_RI_DH") << KnownOid::ID_RI_DH << QByteArray("0.4.0.127.0.7.2.2.5.1") << QByteArray("id-RI-DH");
			QTest::newRow("ID_RI_DH_SHA_1") << KnownOid::ID_RI_DH_SHA_1 << QByteArray("0.4.0.127.0.7.2.2.5.1.1") << QByteArray("id-RI-DH-SHA-1");
			QTest::newRow("ID_RI_DH_SHA_224") << KnownOid::ID_RI_DH_SHA_224 << QByteArray("0.4.0.127.0.7.2.2.5.1.2") << QByteArray("id-RI-DH-SHA-224");
			QTest::newRow("ID_RI_DH_SHA_256") << KnownOid::ID_RI_DH_SHA_256 << QByteArray("0.4.0.127.0.7.2.2.5.1.3") << QByteArray("id-RI-DH-SHA-256");
			QTest::newRow("ID_RI_DH_SHA_384") << KnownOid::ID_RI_DH_SHA_384 << QByteArray("0.4.0.127.0.7.2.2.5.1.4") << QByteArray("id-RI-DH-SHA-384");
			QTest::newRow("ID_RI_DH_SHA_512") << KnownOid::ID_RI_DH_SHA_512 << QByteArray("0.4.0.127.0.7.2.2.5.1.5") << QByteArray("id-RI-DH-SHA-512");
			QTest::newRow("ID_RI_ECDH") << KnownOid::ID_RI_ECDH << QByteArray("0.4.0.127.0.7.2.2.5.2") << QByteArray("id-RI-ECDH");
			QTest::newRow("ID_RI_ECDH_SHA_1") << KnownOid::ID_RI_ECDH_SHA_1 << QByteArray("0.4.0.127.0.7.2.2.5.2.1") << QByteArray("id-RI-ECDH-SHA-1");
			QTest::newRow("ID_RI_ECDH_SHA_224") << KnownOid::ID_RI_ECDH_SHA_224 << QByteArray("0.4.0.127.0.7.2.2.5.2.2") << QByteArray("id-RI-ECDH-SHA-224");
			QTest::newRow("ID_RI_ECDH_SHA_256") << KnownOid::ID_RI_ECDH_SHA_256 << QByteArray("0.4.0.127.0.7.2.2.5.2.3") << QByteArray("id-RI-ECDH-SHA-256");
			QTest::newRow("ID_RI_ECDH_SHA_384") << KnownOid::ID_RI_ECDH_SHA_384 << QByteArray("0.4.0.127.0.7.2.2.5.2.4") << QByteArray("id-RI-ECDH-SHA-384");
			QTest::newRow("ID_RI_ECDH_SHA_512") << KnownOid::ID_RI_ECDH_SHA_512 << QByteArray("0.4.0.127.0.7.2.2.5.2.5") << QByteArray("id-RI-ECDH-SHA-512");
			QTest::newRow("ID_CI") << KnownOid::ID_CI << QByteArray("0.4.0.127.0.7.2.2.6") << QByteArray("id-CI");
			QTest::newRow("ID_EID_SECURITY") << KnownOid::ID_EID_SECURITY << QByteArray("0.4.0.127.0.7.2.2.7") << QByteArray("id-eIDSecurity");
			QTest::newRow("ID_PT") << KnownOid::ID_PT << QByteArray("0.4.0.127.0.7.2.2.8") << QByteArray("id-PT");
			QTest::newRow("ID_PS") << KnownOid::ID_PS << QByteArray("0.4.0.127.0.7.2.2.11") << QByteArray("id-PS");
			QTest::newRow("ID_PSA") << KnownOid::ID_PSA << QByteArray("0.4.0.127.0.7.2.2.11.1") << QByteArray("id-PSA");
			QTest::newRow("ID_PSA_ECDH_ECSCHNORR") << KnownOid::ID_PSA_ECDH_ECSCHNORR << QByteArray("0.4.0.127.0.7.2.2.11.1.2") << QByteArray("id-PSA-ECDH-ECSchnorr");
			QTest::newRow("ID_PSA_ECDH_ECSCHNORR_SHA_256") << KnownOid::ID_PSA_ECDH_ECSCHNORR_SHA_256 << QByteArray("0.4.0.127.0.7.2.2.11.1.2.3") << QByteArray("id-PSA-ECDH-ECSchnorr-SHA-256");
			QTest::newRow("ID_PSA_ECDH_ECSCHNORR_SHA_384") << KnownOid::ID_PSA_ECDH_ECSCHNORR_SHA_384 << QByteArray("0.4.0.127.0.7.2.2.11.1.2.4") << QByteArray("id-PSA-ECDH-ECSchnorr-SHA-384");
			QTest::newRow("ID_PSA_ECDH_ECSCHNORR_SHA_512") << KnownOid::ID_PSA_ECDH_ECSCHNORR_SHA_512 << QByteArray("0.4.0.127.0.7.2.2.11.1.2.5") << QByteArray("id-PSA-ECDH-ECSchnorr-SHA-512");
			QTest::newRow("ID_PASSWORDTYPE") << KnownOid::ID_PASSWORDTYPE << QByteArray("0.4.0.127.0.7.2.2.12") << QByteArray("id-PasswordType");
			QTest::newRow("ID_PASSWORDTYPE_MRZ") << KnownOid::ID_PASSWORDTYPE_MRZ << QByteArray("0.4.0.127.0.7.2.2.12.1") << QByteArray("id-PasswordType-MRZ");
			QTest::newRow("ID_PASSWORDTYPE_CAN") << KnownOid::ID_PASSWORDTYPE_CAN << QByteArray("0.4.0.127.0.7.2.2.12.2") << QByteArray("id-PasswordType-CAN");
			QTest::newRow("ID_PASSWORDTYPE_PIN") << KnownOid::ID_PASSWORDTYPE_PIN << QByteArray("0.4.0.127.0.7.2.2.12.3") << QByteArray("id-PasswordType-PIN");
			QTest::newRow("ID_PASSWORDTYPE_PUK") << KnownOid::ID_PASSWORDTYPE_PUK << QByteArray("0.4.0.127.0.7.2.2.12.4") << QByteArray("id-PasswordType-PUK");
			QTest::newRow("ID_AUXILIARY_DATA") << KnownOid::ID_AUXILIARY_DATA << QByteArray("0.4.0.127.0.7.3.1.4") << QByteArray("id-AuxiliaryData");
			QTest::newRow("ID_DATE_OF_BIRTH") << KnownOid::ID_DATE_OF_BIRTH << QByteArray("0.4.0.127.0.7.3.1.4.1") << QByteArray("id-DateOfBirth");
			QTest::newRow("ID_DATE_OF_EXPIRY") << KnownOid::ID_DATE_OF_EXPIRY << QByteArray("0.4.0.127.0.7.3.1.4.2") << QByteArray("id-DateOfExpiry");
			QTest::newRow("ID_MUNICIPALITY_ID") << KnownOid::ID_MUNICIPALITY_ID << QByteArray("0.4.0.127.0.7.3.1.4.3") << QByteArray("id-MunicipalityID");
			QTest::newRow("ID_PSM_MESSAGE") << KnownOid::ID_PSM_MESSAGE << QByteArray("0.4.0.127.0.7.3.1.4.4") << QByteArray("id-PSM-Message");
			QTest::newRow("ID_SECURITY_OBJECT") << KnownOid::ID_SECURITY_OBJECT << QByteArray("0.4.0.127.0.7.3.2.1") << QByteArray("id-SecurityObject");
			QTest::newRow("ID_ROLES") << KnownOid::ID_ROLES << QByteArray("0.4.0.127.0.7.3.1.2") << QByteArray("id-roles");
			QTest::newRow("ID_IS") << KnownOid::ID_IS << QByteArray("0.4.0.127.0.7.3.1.2.1") << QByteArray("id-IS");
			QTest::newRow("ID_AT") << KnownOid::ID_AT << QByteArray("0.4.0.127.0.7.3.1.2.2") << QByteArray("id-AT");
			QTest::newRow("ID_ST") << KnownOid::ID_ST << QByteArray("0.4.0.127.0.7.3.1.2.3") << QByteArray("id-ST");
			QTest::newRow("ID_EXTENSIONS") << KnownOid::ID_EXTENSIONS << QByteArray("0.4.0.127.0.7.3.1.3") << QByteArray("id-extensions");
			QTest::newRow("ID_DESCRIPTION") << KnownOid::ID_DESCRIPTION << QByteArray("0.4.0.127.0.7.3.1.3.1") << QByteArray("id-description");
			QTest::newRow("ID_PLAIN_FORMAT") << KnownOid::ID_PLAIN_FORMAT << QByteArray("0.4.0.127.0.7.3.1.3.1.1") << QByteArray("id-plainFormat");
			QTest::newRow("ID_HTML_FORMAT") << KnownOid::ID_HTML_FORMAT << QByteArray("0.4.0.127.0.7.3.1.3.1.2") << QByteArray("id-htmlFormat");
			QTest::newRow("ID_PFD_FORMAT") << KnownOid::ID_PFD_FORMAT << QByteArray("0.4.0.127.0.7.3.1.3.1.3") << QByteArray("id-pdfFormat");
			QTest::newRow("ID_SECTOR_RI") << KnownOid::ID_SECTOR_RI << QByteArray("0.4.0.127.0.7.3.1.3.2") << QByteArray("id-sector-ri");
			QTest::newRow("ID_SECTOR_PS") << KnownOid::ID_SECTOR_PS << QByteArray("0.4.0.127.0.7.3.1.3.3") << QByteArray("id-sector-ps");
			QTest::newRow("ID_EID_TYPE") << KnownOid::ID_EID_TYPE << QByteArray("0.4.0.127.0.7.3.2.3") << QByteArray("id-eIDType");
			QTest::newRow("ID_CARD_EID_TYPE") << KnownOid::ID_CARD_EID_TYPE << QByteArray("0.4.0.127.0.7.3.2.3.1") << QByteArray("id-cardEIDType");
			QTest::newRow("ID_MOBILE_EID_TYPE") << KnownOid::ID_MOBILE_EID_TYPE << QByteArray("0.4.0.127.0.7.3.2.3.2") << QByteArray("id-mobileEIDType");
			QTest::newRow("ID_MOBILE_EID_TYPE_SE_CERTIFIED") << KnownOid::ID_MOBILE_EID_TYPE_SE_CERTIFIED << QByteArray("0.4.0.127.0.7.3.2.3.2.1") << QByteArray("id-mobileEIDType-SECertified");
			QTest::newRow("ID_MOBILE_EID_TYPE_SE_ENDORSED") << KnownOid::ID_MOBILE_EID_TYPE_SE_ENDORSED << QByteArray("0.4.0.127.0.7.3.2.3.2.2") << QByteArray("id-mobileEIDType-SEEndorsed");
			QTest::newRow("ID_MOBILE_EID_TYPE_HW_KEYSTORE") << KnownOid::ID_MOBILE_EID_TYPE_HW_KEYSTORE << QByteArray("0.4.0.127.0.7.3.2.3.2.3") << QByteArray("id-mobileEIDType-HWKeyStore");
		}


		void knownOids()
		{
			QFETCH(KnownOid, known);
			QFETCH(QByteArray, dotted);
			QFETCH(QByteArray, shortName);

			LogCapture capture;
			const Oid oid(known);
			QVERIFY(!oid.isEmpty());

			const int nid = OBJ_obj2nid(oid.getObject());
			QVERIFY(nid != NID_undef);
			QCOMPARE(OBJ_txt2nid(dotted.constData()), nid);
			QCOMPARE(QByteArray(OBJ_nid2sn(nid)), shortName);
			QCOMPARE(debugText(oid), QString::fromLatin1(dotted + " (" + shortName + ")"));

			// The same identifier read from a card carries the same NID.
			const Oid fromCard(oid.getData());
			QCOMPARE(fromCard, oid);
			QCOMPARE(OBJ_obj2nid(fromCard.getObject()), nid);
			QVERIFY(capture.entries().isEmpty());
		}


		void allValuesDistinct()
		{
			const auto values = Enum<KnownOid>::allValues();
			QCOMPARE(values.size(), 109);

			QSet<int> nids;
			for (const auto value : values)
			{
				nids << OBJ_obj2nid(Oid(value).getObject());
			}
			QCOMPARE(nids.size(), values.size());
		}


		void longNames_data()
		{
			QTest::addColumn<KnownOid>("known");
			QTest::addColumn<QByteArray>("longName");

			QTest::newRow("signed data") << KnownOid::ID_SIGNED_DATA << QByteArray("pkcs7-signedData");
			QTest::newRow("section only") << KnownOid::BSI_DE_PROTOCOLS_SMARTCARD << QByteArray("BSI TR-03110 Part 3 Version 2.21 Supported Protocols A.1.1");
			QTest::newRow("below the protocols") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QByteArray("BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.2.2");
			QTest::newRow("below id-PACE") << KnownOid::ID_PACE_ECDH_CAM_AES_CBC_CMAC_128 << QByteArray("BSI TR-03105 Part 5.1 Version 1.5 PACE 7.4 - 6.2");
			QTest::newRow("below id-TA") << KnownOid::ID_TA_RSA_V1_5_SHA_1 << QByteArray("BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 1.1");
			QTest::newRow("id-TA itself") << KnownOid::ID_TA << QByteArray("BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3");
			QTest::newRow("below id-RI") << KnownOid::ID_RI_ECDH_SHA_256 << QByteArray("BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 2.3");
			QTest::newRow("below id-eIDType") << KnownOid::ID_MOBILE_EID_TYPE_SE_CERTIFIED << QByteArray("Draft Smart-eID - 2.1");
			QTest::newRow("id-eIDType itself") << KnownOid::ID_EID_TYPE << QByteArray("Draft Smart-eID");
			QTest::newRow("older version") << KnownOid::ID_ST << QByteArray("BSI TR-03110 Part 3 Version 2.11 Signature Terminals C.4.3");
			QTest::newRow("part 4") << KnownOid::ID_PFD_FORMAT << QByteArray("BSI TR-03110 Part 4 Version 2.21 PDF Format 2.2.6.3");
		}


		void longNames()
		{
			QFETCH(KnownOid, known);
			QFETCH(QByteArray, longName);

			QCOMPARE(QByteArray(OBJ_nid2ln(OBJ_obj2nid(Oid(known).getObject()))), longName);
		}


		void registeredBefore()
		{
			QVERIFY(cForeignNid != NID_undef);
			const Oid oid(KnownOid::ID_PK_DH);
			QCOMPARE(OBJ_obj2nid(oid.getObject()), cForeignNid);
			QCOMPARE(QByteArray(OBJ_nid2ln(cForeignNid)), QByteArray("registered by another library"));
			QCOMPARE(Oid(QByteArray::fromHex("04007F000702020101")), oid);
		}


		void registerTwice()
		{
			const int before = OBJ_obj2nid(Oid(KnownOid::ID_PACE).getObject());
			const int newNid = OBJ_new_nid(0);

			Oid::registerKnownOids();

			QCOMPARE(OBJ_obj2nid(Oid(KnownOid::ID_PACE).getObject()), before);
			QCOMPARE(OBJ_new_nid(0), newNid);
		}


		void fromContentOctets_data()
		{
			QTest::addColumn<QByteArray>("octets");
			QTest::addColumn<QString>("text");
			QTest::addColumn<QString>("message");

			QTest::newRow("known") << QByteArray::fromHex("04007F00070202040202") << QStringLiteral("0.4.0.127.0.7.2.2.4.2.2 (id-PACE-ECDH-GM-AES-CBC-CMAC-128)") << QString();
			QTest::newRow("known to OpenSSL") << QByteArray::fromHex("2A864886F70D010702") << QStringLiteral("1.2.840.113549.1.7.2 (pkcs7-signedData)") << QString();
			QTest::newRow("unknown") << QByteArray::fromHex("2A0304") << QStringLiteral("1.2.3.4") << QStringLiteral("Unknown OID: 1.2.3.4");
			QTest::newRow("empty") << QByteArray() << QStringLiteral("undefined") << QStringLiteral("d2i_ASN1_OBJECT failed, was not able to create a valid OID");
			QTest::newRow("unterminated arc") << QByteArray::fromHex("2A83") << QStringLiteral("undefined") << QStringLiteral("d2i_ASN1_OBJECT failed, was not able to create a valid OID");
			QTest::newRow("padded arc") << QByteArray::fromHex("2A8001") << QStringLiteral("undefined") << QStringLiteral("d2i_ASN1_OBJECT failed, was not able to create a valid OID");
		}


		void fromContentOctets()
		{
			QFETCH(QByteArray, octets);
			QFETCH(QString, text);
			QFETCH(QString, message);

			LogCapture capture;
			const Oid oid(octets);
			QCOMPARE(debugText(oid), text);
			QCOMPARE(oid.isEmpty(), text == QLatin1String("undefined"));
			QCOMPARE(oid.getData(), oid.isEmpty() ? QByteArray() : octets);
			if (message.isEmpty())
			{
				QVERIFY(capture.entries().isEmpty());
			}
			else
			{
				QCOMPARE(capture.messages(), QStringList{message});
			}
		}


		void equality()
		{
			const Oid empty;
			const Oid pace(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128);

			QVERIFY(empty == Oid());
			QVERIFY(empty != pace);
			QVERIFY(pace != empty);
			QVERIFY(pace == Oid(QByteArray::fromHex("04007F00070202040202")));
			QVERIFY(pace != Oid(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_192));
			QVERIFY(Oid(pace.getObject()) == pace);
		}


		void copyAndMove()
		{
			Oid unknown(QByteArray::fromHex("2A0304"));
			Oid copy(unknown);
			QCOMPARE(copy, unknown);
			QVERIFY(copy.getObject() != unknown.getObject());

			Oid moved(std::move(copy));
			QCOMPARE(moved, unknown);
			QVERIFY(copy.isEmpty());

			copy = moved;
			QCOMPARE(copy, unknown);
			copy = Oid();
			QVERIFY(copy.isEmpty());
			QCOMPARE(debugText(copy), QStringLiteral("undefined"));
		}


		void invalidKnownOid()
		{
			LogCapture capture;
			const Oid oid(static_cast<KnownOid>(200));
			QVERIFY(oid.isEmpty());
			QCOMPARE(capture.messages(), QStringList{QStringLiteral("Invalid NID, was not able to create a valid OID for: 200")});
		}


};

KENDRAWELL_TEST_MAIN(test_Oid)
#include "test_Oid.moc"
