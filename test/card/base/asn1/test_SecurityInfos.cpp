#include "asn1/SecurityInfos.h"

#include "asn1/ASN1Util.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QtTest>

#include <openssl/obj_mac.h>

using namespace tessarovin;

namespace
{

QByteArray fixture(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/asn1/") + pName + QStringLiteral(".der"));
	if (!file.open(QIODevice::ReadOnly))
	{
		qFatal("Missing fixture %s", qPrintable(file.fileName()));
	}
	return file.readAll();
}


// One PACEInfo as the card writes it, for tables too long for fixture files.
QByteArray paceInfo(KnownOid pProtocol, int pParameterId)
{
	const QByteArray content = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, Oid(pProtocol).getData())
			+ QByteArray::fromHex("020102")
			+ Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_INTEGER, QByteArray(1, static_cast<char>(pParameterId)));
	return Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_SEQUENCE, content, true);
}


} // namespace


class test_SecurityInfos
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void emptySet()
		{
			const QByteArray bytes = fixture(QStringLiteral("empty"));
			QCOMPARE(bytes, QByteArray::fromHex("3100"));

			const auto infos = SecurityInfos::decode(bytes);
			QVERIFY(infos);
			QVERIFY(infos->getSecurityInfos().isEmpty());
			QVERIFY(infos->getPaceInfos().isEmpty());
			QVERIFY(infos->getChipAuthenticationInfos().isEmpty());
			QVERIFY(!infos->getMobileEIDTypeInfo());
			QCOMPARE(infos->getContentBytes(), bytes);
		}


		void paceInfos_data()
		{
			QTest::addColumn<QString>("name");
			QTest::addColumn<KnownOid>("protocol");
			QTest::addColumn<int>("version");
			QTest::addColumn<int>("parameterId");
			QTest::addColumn<int>("nid");
			QTest::addColumn<bool>("standardized");

			QTest::newRow("GM brainpoolP256r1") << QStringLiteral("pace_gm_13") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << 2 << 13 << 927 << true;
			QTest::newRow("GM P-224") << QStringLiteral("pace_gm_10") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << 2 << 10 << 713 << true;
			QTest::newRow("IM P-224") << QStringLiteral("pace_im_10") << KnownOid::ID_PACE_ECDH_IM_AES_CBC_CMAC_128 << 2 << 10 << 713 << false;
			QTest::newRow("IM brainpoolP256r1") << QStringLiteral("pace_im_13") << KnownOid::ID_PACE_ECDH_IM_AES_CBC_CMAC_128 << 2 << 13 << 927 << true;
			QTest::newRow("DH group 2") << QStringLiteral("pace_dh_gm_2") << KnownOid::ID_PACE_DH_GM_AES_CBC_CMAC_128 << 2 << 2 << 0 << true;
			QTest::newRow("no parameter id") << QStringLiteral("pace_no_parameter") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << 2 << -1 << 0 << false;
			QTest::newRow("version 1") << QStringLiteral("pace_version_1") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << 1 << 13 << 927 << true;
		}


		void paceInfos()
		{
			QFETCH(QString, name);
			QFETCH(KnownOid, protocol);
			QFETCH(int, version);
			QFETCH(int, parameterId);
			QFETCH(int, nid);
			QFETCH(bool, standardized);

			LogCapture capture;
			const auto infos = SecurityInfos::decode(fixture(name));
			QVERIFY(infos);
			QCOMPARE(infos->getSecurityInfos().size(), 1);
			QCOMPARE(infos->getPaceInfos().size(), 1);
			QVERIFY(infos->getChipAuthenticationInfos().isEmpty());
			QVERIFY(!infos->getMobileEIDTypeInfo());

			const auto& pace = infos->getPaceInfos().constFirst();
			QCOMPARE(infos->getSecurityInfos().constFirst(), pace);
			QCOMPARE(pace->getOid(), Oid(protocol));
			QCOMPARE(pace->getSecurityProtocol().getProtocolType(), ProtocolType::PACE);
			QCOMPARE(pace->getVersion(), version);
			QCOMPARE(pace->getParameterId(), parameterId);
			QCOMPARE(pace->hasParameterId(), parameterId != -1);
			QCOMPARE(pace->getParameterIdAsNid(), nid);
			QCOMPARE(pace->isStandardizedDomainParameters(), standardized);
			QCOMPARE(capture.contains(QStringLiteral("Expect version=2, got: ")), version != 2);
			QVERIFY(!capture.contains(QStringLiteral("Cannot decode")));
		}


		void cardAccess()
		{
			const QByteArray bytes = fixture(QStringLiteral("card_access"));
			LogCapture capture;
			const auto infos = SecurityInfos::decode(bytes);
			QVERIFY(infos);
			QCOMPARE(infos->getContentBytes(), bytes);

			// In the order of the encoding, each typed entry also among all entries.
			const auto& all = infos->getSecurityInfos();
			QCOMPARE(all.size(), 6);
			QCOMPARE(all.at(0)->getOid(), Oid(KnownOid::ID_TA));
			QCOMPARE(all.at(1)->getOid(), Oid(KnownOid::ID_CA_ECDH_AES_CBC_CMAC_128));
			QCOMPARE(all.at(2)->getOid(), Oid(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128));
			QCOMPARE(all.at(3)->getOid(), Oid(QByteArray::fromHex("2A0304")));
			QCOMPARE(all.at(4)->getOid(), Oid(KnownOid::ID_PACE_ECDH_GM));
			QCOMPARE(all.at(5)->getOid(), Oid(KnownOid::ID_CA_ECDH));

			QCOMPARE(infos->getPaceInfos().size(), 1);
			QCOMPARE(all.at(2), infos->getPaceInfos().constFirst());
			QCOMPARE(infos->getPaceInfos().constFirst()->getParameterIdAsNid(), NID_brainpoolP256r1);

			QCOMPARE(infos->getChipAuthenticationInfos().size(), 1);
			const auto& chipAuthentication = infos->getChipAuthenticationInfos().constFirst();
			QCOMPARE(all.at(1), chipAuthentication);
			QCOMPARE(chipAuthentication->getVersion(), 2);
			QCOMPARE(chipAuthentication->getKeyId(), 41);
			QVERIFY(chipAuthentication->hasKeyId());
			QCOMPARE(chipAuthentication->getSecurityProtocol().getKeyAgreementType(), KeyAgreementType::ECDH);
			QVERIFY(!infos->getMobileEIDTypeInfo());

			QVERIFY(capture.contains(QStringLiteral("Parsed SecurityInfo: 0.4.0.127.0.7.2.2.4.2.2 (id-PACE-ECDH-GM-AES-CBC-CMAC-128), version: 2, parameterId: 13")));
			QVERIFY(capture.contains(QStringLiteral("Parsed SecurityInfo: 0.4.0.127.0.7.2.2.3.2.2 (id-CA-ECDH-AES-CBC-CMAC-128), version: 2, keyId: 41")));
			QVERIFY(capture.contains(QStringLiteral("Parsed SecurityInfo: 1.2.3.4")));
			QVERIFY(!capture.contains(QStringLiteral("Cannot decode")));
		}


		void unsortedSet()
		{
			const QByteArray bytes = fixture(QStringLiteral("unsorted"));
			const auto infos = SecurityInfos::decode(bytes);
			QVERIFY(infos);

			// The card's order stays, and so do its bytes, although DER would sort them.
			QCOMPARE(infos->getContentBytes(), bytes);
			QCOMPARE(infos->getSecurityInfos().size(), 2);
			QCOMPARE(infos->getSecurityInfos().at(0), infos->getPaceInfos().constFirst());
			QCOMPARE(infos->getSecurityInfos().at(1)->getOid(), Oid(KnownOid::ID_TA));

			const auto decoded = decodeObject<securityinfos_st>(bytes);
			const QByteArray reencoded = encodeObject(decoded.data());
			QCOMPARE(reencoded.size(), bytes.size());
			QVERIFY(reencoded != bytes);
			QCOMPARE(reencoded.mid(2), bytes.mid(22) + bytes.mid(2, 20));
		}


		void mobileType()
		{
			LogCapture capture;
			const auto infos = SecurityInfos::decode(fixture(QStringLiteral("mobile")));
			QVERIFY(infos);
			QVERIFY(infos->getMobileEIDTypeInfo());
			QCOMPARE(infos->getMobileEIDTypeInfo()->getOid(), Oid(KnownOid::ID_MOBILE_EID_TYPE_SE_CERTIFIED));
			QCOMPARE(infos->getSecurityInfos().size(), 2);
			QCOMPARE(infos->getSecurityInfos().constFirst(), infos->getMobileEIDTypeInfo());
			QCOMPARE(infos->getPaceInfos().size(), 1);
			QVERIFY(capture.contains(QStringLiteral("Parsed SecurityInfo: 0.4.0.127.0.7.3.2.3.2.1 (id-mobileEIDType-SECertified)")));
		}


		void mobileTypeWithOptionalData()
		{
			const auto infos = SecurityInfos::decode(fixture(QStringLiteral("mobile_with_optional")));
			QVERIFY(infos);
			QVERIFY(!infos->getMobileEIDTypeInfo());
			QCOMPARE(infos->getSecurityInfos().size(), 1);
			QCOMPARE(infos->getSecurityInfos().constFirst()->getOid(), Oid(KnownOid::ID_MOBILE_EID_TYPE_SE_CERTIFIED));
		}


		void rejected_data()
		{
			QTest::addColumn<QByteArray>("bytes");
			QTest::addColumn<QString>("message");

			const QByteArray cardAccess = fixture(QStringLiteral("card_access"));
			const QString undecodable = QStringLiteral("Cannot decode ASN.1 object:");

			QTest::newRow("two mobile types") << fixture(QStringLiteral("mobile_twice")) << QStringLiteral("More than one MobileEIDTypeInfo found: 0.4.0.127.0.7.3.2.3.2.3 (id-mobileEIDType-HWKeyStore)");
			QTest::newRow("protocol only") << fixture(QStringLiteral("oid_only")) << undecodable;
			QTest::newRow("empty") << QByteArray() << undecodable;
			QTest::newRow("a SEQUENCE, not a SET") << QByteArray::fromHex("3000") << undecodable;
			QTest::newRow("truncated") << cardAccess.chopped(1) << undecodable;
			QTest::newRow("truncated in the header") << cardAccess.left(2) << undecodable;
			QTest::newRow("entry longer than the set") << QByteArray::fromHex("3105300F060104") << undecodable;
			QTest::newRow("over-long length") << QByteArray::fromHex("3184FFFFFFF0300F") << undecodable;
			QTest::newRow("garbage entry") << QByteArray::fromHex("3103020101") << undecodable;
		}


		void rejected()
		{
			QFETCH(QByteArray, bytes);
			QFETCH(QString, message);

			LogCapture capture;
			QVERIFY(!SecurityInfos::decode(bytes));
			QVERIFY2(capture.contains(message), qPrintable(capture.messages().join(QLatin1Char('\n'))));
		}


		void trailingBytesIgnored()
		{
			const QByteArray bytes = fixture(QStringLiteral("pace_gm_13"));
			const auto infos = SecurityInfos::decode(bytes + QByteArray::fromHex("9000"));
			QVERIFY(infos);
			QCOMPARE(infos->getPaceInfos().size(), 1);
		}


		void deepNestingInAnEntry()
		{
			// ANY keeps nested data as raw bytes, so depth does not reach the decoder's recursion.
			QByteArray nested = QByteArray::fromHex("0500");
			for (int i = 0; i < 5000; ++i)
			{
				nested = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_SEQUENCE, nested, true);
			}
			const QByteArray entry = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_SEQUENCE, QByteArray::fromHex("06032A0304") + nested, true);
			const QByteArray bytes = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_SET, entry, true);

			const auto infos = SecurityInfos::decode(bytes);
			QVERIFY(infos);
			QCOMPARE(infos->getSecurityInfos().size(), 1);
		}


		void standardizedDomainParameters_data()
		{
			QTest::addColumn<KnownOid>("protocol");
			QTest::addColumn<QList<int>>("standardized");

			QTest::newRow("ECDH GM") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256 << QList<int>{8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
			QTest::newRow("ECDH IM") << KnownOid::ID_PACE_ECDH_IM_AES_CBC_CMAC_192 << QList<int>{8, 9, 11, 12, 13, 14, 15, 16, 17, 18};
			QTest::newRow("ECDH CAM") << KnownOid::ID_PACE_ECDH_CAM_AES_CBC_CMAC_128 << QList<int>{};
			QTest::newRow("DH GM") << KnownOid::ID_PACE_DH_GM_AES_CBC_CMAC_128 << QList<int>{0, 1, 2, 3};
			QTest::newRow("DH IM") << KnownOid::ID_PACE_DH_IM_3DES_CBC_CBC << QList<int>{0, 1, 2, 3};
		}


		void standardizedDomainParameters()
		{
			QFETCH(KnownOid, protocol);
			QFETCH(QList<int>, standardized);

			for (int parameterId = 0; parameterId <= 32; ++parameterId)
			{
				const auto pace = PaceInfo::decode(paceInfo(protocol, parameterId));
				QVERIFY(pace);
				QVERIFY2(pace->isStandardizedDomainParameters() == standardized.contains(parameterId), qPrintable(QString::number(parameterId)));
			}
		}


		void mappedNid_data()
		{
			QTest::addColumn<int>("parameterId");
			QTest::addColumn<int>("nid");

			QTest::newRow("7") << 7 << 0;
			QTest::newRow("8") << 8 << NID_X9_62_prime192v1;
			QTest::newRow("9") << 9 << 923;
			QTest::newRow("10") << 10 << NID_secp224r1;
			QTest::newRow("11") << 11 << 925;
			QTest::newRow("12") << 12 << NID_X9_62_prime256v1;
			QTest::newRow("13") << 13 << 927;
			QTest::newRow("14") << 14 << 929;
			QTest::newRow("15") << 15 << NID_secp384r1;
			QTest::newRow("16") << 16 << 931;
			QTest::newRow("17") << 17 << 933;
			QTest::newRow("18") << 18 << NID_secp521r1;
			QTest::newRow("19") << 19 << 0;
			QTest::newRow("absent") << -1 << 0;
		}


		void mappedNid()
		{
			QFETCH(int, parameterId);
			QFETCH(int, nid);

			LogCapture capture;
			QCOMPARE(PaceInfo::getMappedNid(parameterId), nid);
			if (nid == 0)
			{
				QCOMPARE(capture.messages(), QStringList{QStringLiteral("Standardized elliptic curve %1 not supported").arg(parameterId)});
			}
			else
			{
				QVERIFY(capture.entries().isEmpty());
				QCOMPARE(OBJ_nid2sn(nid) != nullptr, true);
			}
		}


		void typedDecodersRejectOtherProtocols()
		{
			const QByteArray chipAuthentication = QByteArray::fromHex("3012060A04007F00070202030202020102020129");
			QVERIFY(!PaceInfo::decode(chipAuthentication));
			QVERIFY(ChipAuthenticationInfo::decode(chipAuthentication));
			QVERIFY(!MobileEIDTypeInfo::decode(chipAuthentication));
			QVERIFY(SecurityInfo::decode(chipAuthentication));

			const QByteArray pace = paceInfo(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128, 13);
			QVERIFY(PaceInfo::decode(pace));
			QVERIFY(!ChipAuthenticationInfo::decode(pace));

			LogCapture capture;
			QVERIFY(!PaceInfo::decode(QByteArray::fromHex("3000")));
			QVERIFY(!SecurityInfo::decode(QByteArray::fromHex("3000")));
			QCOMPARE(capture.count(QStringLiteral("Cannot decode ASN.1 object:")), 1);
		}


};

KENDRAWELL_TEST_MAIN(test_SecurityInfos)
#include "test_SecurityInfos.moc"
