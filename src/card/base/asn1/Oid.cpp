#include "asn1/Oid.h"

#include "asn1/ASN1Struct.h"

#include <QCoreApplication>
#include <QMap>

#include <openssl/err.h>
#include <openssl/objects.h>

#include <utility>

using namespace tessarovin;

namespace
{

struct KnownOidEntry
{
	KnownOid mOid;
	const char* mIdentifier;
	const char* mShortName;
	const char* mLongName;
};


// The long names cite where each identifier is defined.
const KnownOidEntry cKnownOids[] = {
	{KnownOid::ID_SIGNED_DATA, "1.2.840.113549.1.7.2", "pkcs7-signedData", nullptr},
	{KnownOid::EC_PS_PUBLICKEY, "0.4.0.127.0.7.1.1.2.3", "ecPSPublicKey", "BSI TR-03110 Part 3 Version 2.21 Static keys for Pseudonymous Signatures A.6.1"},
	{KnownOid::STANDARDIZED_DOMAINPARAMETERS, "0.4.0.127.0.7.1.2", "standardizedDomainParameters", "BSI TR-03110 Part 3 Version 2.21 Standardized Domain Parameters A.2.1.1"},
	{KnownOid::BSI_DE_PROTOCOLS_SMARTCARD, "0.4.0.127.0.7.2.2", "bsi-de-protocols-smartcard", "BSI TR-03110 Part 3 Version 2.21 Supported Protocols A.1.1"},
	{KnownOid::ID_PK, "0.4.0.127.0.7.2.2.1", "id-PK", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 1"},
	{KnownOid::ID_PK_DH, "0.4.0.127.0.7.2.2.1.1", "id-PK-DH", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 1.1"},
	{KnownOid::ID_PK_ECDH, "0.4.0.127.0.7.2.2.1.2", "id-PK-ECDH", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 1.2"},
	{KnownOid::ID_PS_PK, "0.4.0.127.0.7.2.2.1.3", "id-PS-PK", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 1.3"},
	{KnownOid::ID_PS_PK_ECDH_ESCHNORR, "0.4.0.127.0.7.2.2.1.3.2", "id-PS-PK-ECDH-ECSchnorr", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 1.3.2"},
	{KnownOid::ID_TA, "0.4.0.127.0.7.2.2.2", "id-TA", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3"},
	{KnownOid::ID_TA_RSA, "0.4.0.127.0.7.2.2.2.1", "id-TA-RSA", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 1"},
	{KnownOid::ID_TA_RSA_V1_5_SHA_1, "0.4.0.127.0.7.2.2.2.1.1", "id-TA-RSA-v1-5-SHA-1", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 1.1"},
	{KnownOid::ID_TA_RSA_V1_5_SHA_256, "0.4.0.127.0.7.2.2.2.1.2", "id-TA-RSA-v1-5-SHA-256", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 1.2"},
	{KnownOid::ID_TA_RSA_PSS_SHA_1, "0.4.0.127.0.7.2.2.2.1.3", "id-TA-RSA-PSS-SHA-1", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 1.3"},
	{KnownOid::ID_TA_RSA_PSS_SHA_256, "0.4.0.127.0.7.2.2.2.1.4", "id-TA-RSA-PSS-SHA-256", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 1.4"},
	{KnownOid::ID_TA_RSA_V1_5_SHA_512, "0.4.0.127.0.7.2.2.2.1.5", "id-TA-RSA-v1-5-SHA-512", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 1.5"},
	{KnownOid::ID_TA_RSA_PSS_SHA_512, "0.4.0.127.0.7.2.2.2.1.6", "id-TA-RSA-PSS-SHA-512", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 1.6"},
	{KnownOid::ID_TA_ECDSA, "0.4.0.127.0.7.2.2.2.2", "id-TA-ECDSA", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 2"},
	{KnownOid::ID_TA_ECDSA_SHA_1, "0.4.0.127.0.7.2.2.2.2.1", "id-TA-ECDSA-SHA-1", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 2.1"},
	{KnownOid::ID_TA_ECDSA_SHA_224, "0.4.0.127.0.7.2.2.2.2.2", "id-TA-ECDSA-SHA-224", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 2.2"},
	{KnownOid::ID_TA_ECDSA_SHA_256, "0.4.0.127.0.7.2.2.2.2.3", "id-TA-ECDSA-SHA-256", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 2.3"},
	{KnownOid::ID_TA_ECDSA_SHA_384, "0.4.0.127.0.7.2.2.2.2.4", "id-TA-ECDSA-SHA-384", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 2.4"},
	{KnownOid::ID_TA_ECDSA_SHA_512, "0.4.0.127.0.7.2.2.2.2.5", "id-TA-ECDSA-SHA-512", "BSI TR-03110 Part 3 Version 2.21 Terminal Authentication A.1.1.3 - 2.5"},
	{KnownOid::ID_CA, "0.4.0.127.0.7.2.2.3", "id-CA", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3"},
	{KnownOid::ID_CA_DH, "0.4.0.127.0.7.2.2.3.1", "id-CA-DH", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3.1"},
	{KnownOid::ID_CA_DH_3DES_CBC_CBC, "0.4.0.127.0.7.2.2.3.1.1", "id-CA-DH-3DES-CBC-CBC", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3.1.1"},
	{KnownOid::ID_CA_DH_AES_CBC_CMAC_128, "0.4.0.127.0.7.2.2.3.1.2", "id-CA-DH-AES-CBC-CMAC-128", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3.1.2"},
	{KnownOid::ID_CA_DH_AES_CBC_CMAC_192, "0.4.0.127.0.7.2.2.3.1.3", "id-CA-DH-AES-CBC-CMAC-192", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3.1.3"},
	{KnownOid::ID_CA_DH_AES_CBC_CMAC_256, "0.4.0.127.0.7.2.2.3.1.4", "id-CA-DH-AES-CBC-CMAC-256", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3.1.4"},
	{KnownOid::ID_CA_ECDH, "0.4.0.127.0.7.2.2.3.2", "id-CA-ECDH", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3.2"},
	{KnownOid::ID_CA_ECDH_3DES_CBC_CBC, "0.4.0.127.0.7.2.2.3.2.1", "id-CA-ECDH-3DES-CBC-CBC", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3.2.1"},
	{KnownOid::ID_CA_ECDH_AES_CBC_CMAC_128, "0.4.0.127.0.7.2.2.3.2.2", "id-CA-ECDH-AES-CBC-CMAC-128", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3.2.2"},
	{KnownOid::ID_CA_ECDH_AES_CBC_CMAC_192, "0.4.0.127.0.7.2.2.3.2.3", "id-CA-ECDH-AES-CBC-CMAC-192", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3.2.3"},
	{KnownOid::ID_CA_ECDH_AES_CBC_CMAC_256, "0.4.0.127.0.7.2.2.3.2.4", "id-CA-ECDH-AES-CBC-CMAC-256", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 3.2.4"},
	{KnownOid::ID_PACE, "0.4.0.127.0.7.2.2.4", "id-PACE", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4"},
	{KnownOid::ID_PACE_DH_GM, "0.4.0.127.0.7.2.2.4.1", "id-PACE-DH-GM", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.1"},
	{KnownOid::ID_PACE_DH_GM_3DES_CBC_CBC, "0.4.0.127.0.7.2.2.4.1.1", "id-PACE-DH-GM-3DES-CBC-CBC", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.1.1"},
	{KnownOid::ID_PACE_DH_GM_AES_CBC_CMAC_128, "0.4.0.127.0.7.2.2.4.1.2", "id-PACE-DH-GM-AES-CBC-CMAC-128", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.1.2"},
	{KnownOid::ID_PACE_DH_GM_AES_CBC_CMAC_192, "0.4.0.127.0.7.2.2.4.1.3", "id-PACE-DH-GM-AES-CBC-CMAC-192", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.1.3"},
	{KnownOid::ID_PACE_DH_GM_AES_CBC_CMAC_256, "0.4.0.127.0.7.2.2.4.1.4", "id-PACE-DH-GM-AES-CBC-CMAC-256", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.1.4"},
	{KnownOid::ID_PACE_ECDH_GM, "0.4.0.127.0.7.2.2.4.2", "id-PACE-ECDH-GM", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.2"},
	{KnownOid::ID_PACE_ECDH_GM_3DES_CBC_CBC, "0.4.0.127.0.7.2.2.4.2.1", "id-PACE-ECDH-GM-3DES-CBC-CBC", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.2.1"},
	{KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128, "0.4.0.127.0.7.2.2.4.2.2", "id-PACE-ECDH-GM-AES-CBC-CMAC-128", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.2.2"},
	{KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_192, "0.4.0.127.0.7.2.2.4.2.3", "id-PACE-ECDH-GM-AES-CBC-CMAC-192", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.2.3"},
	{KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256, "0.4.0.127.0.7.2.2.4.2.4", "id-PACE-ECDH-GM-AES-CBC-CMAC-256", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.2.4"},
	{KnownOid::ID_PACE_DH_IM, "0.4.0.127.0.7.2.2.4.3", "id-PACE-DH-IM", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.3"},
	{KnownOid::ID_PACE_DH_IM_3DES_CBC_CBC, "0.4.0.127.0.7.2.2.4.3.1", "id-PACE-DH-IM-3DES-CBC-CBC", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.3.1"},
	{KnownOid::ID_PACE_DH_IM_AES_CBC_CMAC_128, "0.4.0.127.0.7.2.2.4.3.2", "id-PACE-DH-IM-AES-CBC-CMAC-128", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.3.2"},
	{KnownOid::ID_PACE_DH_IM_AES_CBC_CMAC_192, "0.4.0.127.0.7.2.2.4.3.3", "id-PACE-DH-IM-AES-CBC-CMAC-192", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.3.3"},
	{KnownOid::ID_PACE_DH_IM_AES_CBC_CMAC_256, "0.4.0.127.0.7.2.2.4.3.4", "id-PACE-DH-IM-AES-CBC-CMAC-256", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.3.4"},
	{KnownOid::ID_PACE_ECDH_IM, "0.4.0.127.0.7.2.2.4.4", "id-PACE-ECDH-IM", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.4"},
	{KnownOid::ID_PACE_ECDH_IM_3DES_CBC_CBC, "0.4.0.127.0.7.2.2.4.4.1", "id-PACE-ECDH-IM-3DES-CBC-CBC", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.4.1"},
	{KnownOid::ID_PACE_ECDH_IM_AES_CBC_CMAC_128, "0.4.0.127.0.7.2.2.4.4.2", "id-PACE-ECDH-IM-AES-CBC-CMAC-128", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.4.2"},
	{KnownOid::ID_PACE_ECDH_IM_AES_CBC_CMAC_192, "0.4.0.127.0.7.2.2.4.4.3", "id-PACE-ECDH-IM-AES-CBC-CMAC-192", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.4.3"},
	{KnownOid::ID_PACE_ECDH_IM_AES_CBC_CMAC_256, "0.4.0.127.0.7.2.2.4.4.4", "id-PACE-ECDH-IM-AES-CBC-CMAC-256", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 4.4.4"},
	{KnownOid::ID_PACE_ECDH_CAM, "0.4.0.127.0.7.2.2.4.6", "id-PACE-ECDH-CAM", "BSI TR-03105 Part 5.1 Version 1.5 PACE 7.4 - 6"},
	{KnownOid::ID_PACE_ECDH_CAM_AES_CBC_CMAC_128, "0.4.0.127.0.7.2.2.4.6.2", "id-PACE-ECDH-CAM-AES-CBC-CMAC-128", "BSI TR-03105 Part 5.1 Version 1.5 PACE 7.4 - 6.2"},
	{KnownOid::ID_PACE_ECDH_CAM_AES_CBC_CMAC_192, "0.4.0.127.0.7.2.2.4.6.3", "id-PACE-ECDH-CAM-AES-CBC-CMAC-192", "BSI TR-03105 Part 5.1 Version 1.5 PACE 7.4 - 6.3"},
	{KnownOid::ID_PACE_ECDH_CAM_AES_CBC_CMAC_256, "0.4.0.127.0.7.2.2.4.6.4", "id-PACE-ECDH-CAM-AES-CBC-CMAC-256", "BSI TR-03105 Part 5.1 Version 1.5 PACE 7.4 - 6.4"},
	{KnownOid::ID_RI, "0.4.0.127.0.7.2.2.5", "id-RI", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4"},
	{KnownOid::ID_RI_DH, "0.4.0.127.0.7.2.2.5.1", "id-RI-DH", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 1"},
	{KnownOid::ID_RI_DH_SHA_1, "0.4.0.127.0.7.2.2.5.1.1", "id-RI-DH-SHA-1", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 1.1"},
	{KnownOid::ID_RI_DH_SHA_224, "0.4.0.127.0.7.2.2.5.1.2", "id-RI-DH-SHA-224", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 1.2"},
	{KnownOid::ID_RI_DH_SHA_256, "0.4.0.127.0.7.2.2.5.1.3", "id-RI-DH-SHA-256", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 1.3"},
	{KnownOid::ID_RI_DH_SHA_384, "0.4.0.127.0.7.2.2.5.1.4", "id-RI-DH-SHA-384", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 1.4"},
	{KnownOid::ID_RI_DH_SHA_512, "0.4.0.127.0.7.2.2.5.1.5", "id-RI-DH-SHA-512", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 1.5"},
	{KnownOid::ID_RI_ECDH, "0.4.0.127.0.7.2.2.5.2", "id-RI-ECDH", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 2"},
	{KnownOid::ID_RI_ECDH_SHA_1, "0.4.0.127.0.7.2.2.5.2.1", "id-RI-ECDH-SHA-1", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 2.1"},
	{KnownOid::ID_RI_ECDH_SHA_224, "0.4.0.127.0.7.2.2.5.2.2", "id-RI-ECDH-SHA-224", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 2.2"},
	{KnownOid::ID_RI_ECDH_SHA_256, "0.4.0.127.0.7.2.2.5.2.3", "id-RI-ECDH-SHA-256", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 2.3"},
	{KnownOid::ID_RI_ECDH_SHA_384, "0.4.0.127.0.7.2.2.5.2.4", "id-RI-ECDH-SHA-384", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 2.4"},
	{KnownOid::ID_RI_ECDH_SHA_512, "0.4.0.127.0.7.2.2.5.2.5", "id-RI-ECDH-SHA-512", "BSI TR-03110 Part 3 Version 2.21 Restricted Identification A.1.1.4 - 2.5"},
	{KnownOid::ID_CI, "0.4.0.127.0.7.2.2.6", "id-CI", "BSI TR-03110 Part 3 Version 2.21 CardInfo (eIDAS token only) A.1.1.7"},
	{KnownOid::ID_EID_SECURITY, "0.4.0.127.0.7.2.2.7", "id-eIDSecurity", "BSI TR-03110 Part 3 Version 2.21 EIDSecurityInfo (eIDAS token only) A.1.1.8"},
	{KnownOid::ID_PT, "0.4.0.127.0.7.2.2.8", "id-PT", "BSI TR-03110 Part 3 Version 2.21 PrivilegedTerminalInfo (eIDAS token only) A.1.1.9"},
	{KnownOid::ID_PS, "0.4.0.127.0.7.2.2.11", "id-PS", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 11"},
	{KnownOid::ID_PSA, "0.4.0.127.0.7.2.2.11.1", "id-PSA", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 11.1"},
	{KnownOid::ID_PSA_ECDH_ECSCHNORR, "0.4.0.127.0.7.2.2.11.1.2", "id-PSA-ECDH-ECSchnorr", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 11.1.2"},
	{KnownOid::ID_PSA_ECDH_ECSCHNORR_SHA_256, "0.4.0.127.0.7.2.2.11.1.2.3", "id-PSA-ECDH-ECSchnorr-SHA-256", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 11.1.2.3"},
	{KnownOid::ID_PSA_ECDH_ECSCHNORR_SHA_384, "0.4.0.127.0.7.2.2.11.1.2.4", "id-PSA-ECDH-ECSchnorr-SHA-384", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 11.1.2.4"},
	{KnownOid::ID_PSA_ECDH_ECSCHNORR_SHA_512, "0.4.0.127.0.7.2.2.11.1.2.5", "id-PSA-ECDH-ECSchnorr-SHA-512", "BSI TR-03110 Part 3 Version 2.21 Chip Authentication A.1.1.2 - 11.1.2.5"},
	{KnownOid::ID_PASSWORDTYPE, "0.4.0.127.0.7.2.2.12", "id-PasswordType", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 12"},
	{KnownOid::ID_PASSWORDTYPE_MRZ, "0.4.0.127.0.7.2.2.12.1", "id-PasswordType-MRZ", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 12.1"},
	{KnownOid::ID_PASSWORDTYPE_CAN, "0.4.0.127.0.7.2.2.12.2", "id-PasswordType-CAN", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 12.2"},
	{KnownOid::ID_PASSWORDTYPE_PIN, "0.4.0.127.0.7.2.2.12.3", "id-PasswordType-PIN", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 12.3"},
	{KnownOid::ID_PASSWORDTYPE_PUK, "0.4.0.127.0.7.2.2.12.4", "id-PasswordType-PUK", "BSI TR-03110 Part 3 Version 2.21 PACE A.1.1.1 - 12.4"},
	{KnownOid::ID_AUXILIARY_DATA, "0.4.0.127.0.7.3.1.4", "id-AuxiliaryData", "BSI TR-03110 Part 3 Version 2.21 Object Identifier A.7.5.1"},
	{KnownOid::ID_DATE_OF_BIRTH, "0.4.0.127.0.7.3.1.4.1", "id-DateOfBirth", "BSI TR-03110 Part 3 Version 2.21 Age Verification A.7.5.2"},
	{KnownOid::ID_DATE_OF_EXPIRY, "0.4.0.127.0.7.3.1.4.2", "id-DateOfExpiry", "BSI TR-03110 Part 3 Version 2.21 Document Validity Verification A.7.5.3"},
	{KnownOid::ID_MUNICIPALITY_ID, "0.4.0.127.0.7.3.1.4.3", "id-MunicipalityID", "BSI TR-03110 Part 3 Version 2.21 Municipality ID Verification A.7.5.4"},
	{KnownOid::ID_PSM_MESSAGE, "0.4.0.127.0.7.3.1.4.4", "id-PSM-Message", "BSI TR-03110 Part 3 Version 2.21 Pseudonymous Signature of Messages A.7.5.5"},
	{KnownOid::ID_SECURITY_OBJECT, "0.4.0.127.0.7.3.2.1", "id-SecurityObject", "BSI TR-03110 Part 3 Version 2.21 Signature Format for CardSecurity and ChipSecurity A.1.2.5"},
	{KnownOid::ID_ROLES, "0.4.0.127.0.7.3.1.2", "id-roles", "BSI TR-03110 Part 4 Version 2.21 Applications and Terminals 2"},
	{KnownOid::ID_IS, "0.4.0.127.0.7.3.1.2.1", "id-IS", "BSI TR-03110 Part 4 Version 2.21 Authorization 2.1.3.2"},
	{KnownOid::ID_AT, "0.4.0.127.0.7.3.1.2.2", "id-AT", "BSI TR-03110 Part 4 Version 2.21 Authorization 2.2.3.2"},
	{KnownOid::ID_ST, "0.4.0.127.0.7.3.1.2.3", "id-ST", "BSI TR-03110 Part 3 Version 2.11 Signature Terminals C.4.3"},
	{KnownOid::ID_EXTENSIONS, "0.4.0.127.0.7.3.1.3", "id-extensions", "BSI TR-03110 Part 3 Version 2.21 Certificate Extensions for Terminal Authentication Version 2 C.3"},
	{KnownOid::ID_DESCRIPTION, "0.4.0.127.0.7.3.1.3.1", "id-description", "BSI TR-03110 Part 4 Version 2.21 Certificate Description Extension 2.2.6"},
	{KnownOid::ID_PLAIN_FORMAT, "0.4.0.127.0.7.3.1.3.1.1", "id-plainFormat", "BSI TR-03110 Part 4 Version 2.21 Plain Text Format 2.2.6.1"},
	{KnownOid::ID_HTML_FORMAT, "0.4.0.127.0.7.3.1.3.1.2", "id-htmlFormat", "BSI TR-03110 Part 4 Version 2.21 HTML Format 2.2.6.2"},
	{KnownOid::ID_PFD_FORMAT, "0.4.0.127.0.7.3.1.3.1.3", "id-pdfFormat", "BSI TR-03110 Part 4 Version 2.21 PDF Format 2.2.6.3"},
	{KnownOid::ID_SECTOR_RI, "0.4.0.127.0.7.3.1.3.2", "id-sector-ri", "BSI TR-03110 Part 3 Version 2.21 Terminal Sector for Restricted Identification C.3.2.1"},
	{KnownOid::ID_SECTOR_PS, "0.4.0.127.0.7.3.1.3.3", "id-sector-ps", "BSI TR-03110 Part 3 Version 2.21 Terminal Sector for Pseudonymous Signatures C.3.2.2"},
	{KnownOid::ID_EID_TYPE, "0.4.0.127.0.7.3.2.3", "id-eIDType", "Draft Smart-eID"},
	{KnownOid::ID_CARD_EID_TYPE, "0.4.0.127.0.7.3.2.3.1", "id-cardEIDType", "Draft Smart-eID - 1"},
	{KnownOid::ID_MOBILE_EID_TYPE, "0.4.0.127.0.7.3.2.3.2", "id-mobileEIDType", "Draft Smart-eID - 2"},
	{KnownOid::ID_MOBILE_EID_TYPE_SE_CERTIFIED, "0.4.0.127.0.7.3.2.3.2.1", "id-mobileEIDType-SECertified", "Draft Smart-eID - 2.1"},
	{KnownOid::ID_MOBILE_EID_TYPE_SE_ENDORSED, "0.4.0.127.0.7.3.2.3.2.2", "id-mobileEIDType-SEEndorsed", "Draft Smart-eID - 2.2"},
	{KnownOid::ID_MOBILE_EID_TYPE_HW_KEYSTORE, "0.4.0.127.0.7.3.2.3.2.3", "id-mobileEIDType-HWKeyStore", "Draft Smart-eID - 2.3"},
};


// Written on the main thread while the application object is constructed, only read afterwards.
QMap<KnownOid, int>& getRegistry()
{
	static QMap<KnownOid, int> registry;
	return registry;
}


QByteArray toText(const ASN1_OBJECT* pObject)
{
	if (pObject != nullptr)
	{
		char buffer[256] = {};
		const int length = OBJ_obj2txt(buffer, sizeof(buffer), pObject, 1);
		if (length > 0)
		{
			QByteArray text(buffer);
			if (const int nid = OBJ_obj2nid(pObject); nid != NID_undef)
			{
				text += QByteArrayLiteral(" (") + QByteArray(OBJ_nid2sn(nid)) + ')';
			}
			return text;
		}
	}
	return QByteArrayLiteral("undefined");
}


void warnUnknown(const ASN1_OBJECT* pObject)
{
	if (OBJ_obj2nid(pObject) == NID_undef)
	{
		qWarning().noquote() << "Unknown OID:" << toText(pObject);
	}
}


void registerKnownOidsRoutine()
{
	qRegisterMetaType<KnownOid>();
	Oid::registerKnownOids();
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerKnownOidsRoutine)


Oid::Oid()
	: mObject()
{
}


Oid::Oid(const QByteArray& pContentOctets)
	: Oid()
{
	const QByteArray der = ASN1Struct(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, pContentOctets).encode();
	const auto* data = reinterpret_cast<const unsigned char*>(der.constData());
	mObject.reset(d2i_ASN1_OBJECT(nullptr, &data, static_cast<long>(der.size())));
	if (!mObject)
	{
		ERR_clear_error();
		qCritical() << "d2i_ASN1_OBJECT failed, was not able to create a valid OID";
		return;
	}
	warnUnknown(mObject.get());
}


Oid::Oid(const asn1_object_st* pObject)
	: mObject(OBJ_dup(pObject))
{
	if (!mObject)
	{
		ERR_clear_error();
		qCritical() << "Copying failed, was not able to create a valid OID";
		return;
	}
	warnUnknown(mObject.get());
}


Oid::Oid(KnownOid pOid)
	: Oid()
{
	// Objects of OpenSSL's table are static; the "copy" is the same pointer and freeing it does nothing.
	const int nid = getRegistry().value(pOid, NID_undef);
	mObject.reset(nid == NID_undef ? nullptr : OBJ_dup(OBJ_nid2obj(nid)));
	if (!mObject)
	{
		ERR_clear_error();
		qCritical() << "Invalid NID, was not able to create a valid OID for:" << static_cast<int>(pOid);
	}
}


Oid::Oid(const Oid& pOid)
	: mObject(pOid.mObject ? OBJ_dup(pOid.mObject.get()) : nullptr)
{
}


Oid& Oid::operator=(const Oid& pOid)
{
	if (this != &pOid)
	{
		mObject.reset(pOid.mObject ? OBJ_dup(pOid.mObject.get()) : nullptr);
	}
	return *this;
}


bool Oid::isEmpty() const
{
	return !mObject;
}


QByteArray Oid::getData() const
{
	if (!mObject)
	{
		return QByteArray();
	}
	return QByteArray(reinterpret_cast<const char*>(OBJ_get0_data(mObject.get())), static_cast<qsizetype>(OBJ_length(mObject.get())));
}


const ASN1_OBJECT* Oid::getObject() const
{
	return mObject.get();
}


void Oid::registerKnownOids()
{
	auto& registry = getRegistry();
	if (!registry.isEmpty())
	{
		return;
	}

	for (const auto& entry : cKnownOids)
	{
		if (entry.mOid == KnownOid::ID_SIGNED_DATA)
		{
			registry.insert(entry.mOid, OBJ_sn2nid(entry.mShortName));
			continue;
		}

		int nid = OBJ_create(entry.mIdentifier, entry.mShortName, entry.mLongName);
		if (nid == NID_undef)
		{
			// Another library in this process may have registered the identifier or one of its names.
			ERR_clear_error();
			nid = OBJ_txt2nid(entry.mIdentifier);
		}
		if (nid == NID_undef)
		{
			// One of our names belongs to another identifier there: keep the identifier at least.
			ERR_clear_error();
			nid = OBJ_create(entry.mIdentifier, nullptr, nullptr);
			qCritical() << "Cannot register the names of" << entry.mIdentifier << "| registered without names:" << (nid != NID_undef);
		}
		registry.insert(entry.mOid, nid);
	}
}


bool Oid::operator==(const Oid& pOther) const
{
	if (mObject == pOther.mObject)
	{
		return true;
	}
	return mObject && pOther.mObject && OBJ_cmp(mObject.get(), pOther.mObject.get()) == 0;
}


bool Oid::operator!=(const Oid& pOther) const
{
	return !(*this == pOther);
}


QDebug tessarovin::operator<<(QDebug pDbg, const Oid& pOid)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.noquote() << toText(pOid.getObject());
	return pDbg;
}
