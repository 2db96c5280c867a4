#include "asn1/AccessRoleAndRightsUtil.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;


class test_AccessRoleAndRightsUtil
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void rights_data()
		{
			QTest::addColumn<int>("bit");
			QTest::addColumn<QString>("key");
			QTest::addColumn<QString>("technicalName");
			QTest::addColumn<QString>("displayText");
			QTest::addColumn<int>("shownAt");
			QTest::addColumn<bool>("write");

			const auto row = [](int pBit, const char* pKey, const char* pName, const char* pText, int pShownAt, bool pWrite) {
						QTest::newRow(pKey) << pBit << QString::fromLatin1(pKey) << QString::fromLatin1(pName) << QString::fromLatin1(pText) << pShownAt << pWrite;
					};
			row(37, "WRITE_DG17", "WriteAddress", "Address", 21, true);
			row(36, "WRITE_DG18", "WriteCommunityID", "Community-ID", 22, true);
			row(35, "WRITE_DG19", "WriteResidencePermitI", "Residence permit I", 23, true);
			row(34, "WRITE_DG20", "WriteResidencePermitII", "Residence permit II", 24, true);
			row(33, "WRITE_DG21", "", "Optional data", 0, true);
			row(32, "WRITE_DG22", "", "Optional data", 0, false);
			row(31, "RFU", "", "Unknown (reserved)", 0, false);
			row(30, "PSA", "", "Pseudonym", 0, false);
			row(29, "READ_DG22", "", "Optional data", 0, false);
			row(28, "READ_DG21", "", "Optional data", 0, false);
			row(27, "READ_DG20", "ResidencePermitII", "Residence permit II", 18, false);
			row(26, "READ_DG19", "ResidencePermitI", "Residence permit I", 17, false);
			row(25, "READ_DG18", "CommunityID", "Community-ID", 16, false);
			row(24, "READ_DG17", "Address", "Address", 7, false);
			row(23, "READ_DG16", "", "RFU", 0, false);
			row(22, "READ_DG15", "", "RFU", 0, false);
			row(21, "READ_DG14", "", "RFU", 0, false);
			row(20, "READ_DG13", "BirthName", "Birth name", 2, false);
			row(19, "READ_DG12", "", "Optional data", 0, false);
			row(18, "READ_DG11", "", "Gender", 0, false);
			row(17, "READ_DG10", "Nationality", "Nationality", 11, false);
			row(16, "READ_DG09", "PlaceOfBirth", "Place of birth", 6, false);
			row(15, "READ_DG08", "DateOfBirth", "Date of birth", 5, false);
			row(14, "READ_DG07", "DoctoralDegree", "Doctoral degree", 4, false);
			row(13, "READ_DG06", "ArtisticName", "Religious / artistic name", 12, false);
			row(12, "READ_DG05", "FamilyName", "Family name", 1, false);
			row(11, "READ_DG04", "GivenNames", "Given name(s)", 3, false);
			row(10, "READ_DG03", "ValidUntil", "Valid until", 9, false);
			row(9, "READ_DG02", "IssuingCountry", "Issuing country", 15, false);
			row(8, "READ_DG01", "DocumentType", "Document type", 8, false);
			row(7, "INSTALL_QUAL_CERT", "", "Installation of qualified signature certificates", 19, false);
			row(6, "INSTALL_CERT", "", "Installation of signature certificates", 20, false);
			row(5, "PIN_MANAGEMENT", "PinManagement", "PIN Management", 25, true);
			row(4, "CAN_ALLOWED", "CanAllowed", "CAN allowed", 0, false);
			row(3, "PRIVILEGED_TERMINAL", "", "Privileged terminal", 0, false);
			row(2, "RESTRICTED_IDENTIFICATION", "Pseudonym", "Pseudonym", 10, false);
			row(1, "COMMUNITY_ID_VERIFICATION", "AddressVerification", "Address verification", 14, false);
			row(0, "AGE_VERIFICATION", "AgeVerification", "Age verification", 13, false);
		}


		void rights()
		{
			QFETCH(int, bit);
			QFETCH(QString, key);
			QFETCH(QString, technicalName);
			QFETCH(QString, displayText);
			QFETCH(int, shownAt);
			QFETCH(bool, write);

			const auto right = static_cast<AccessRight>(bit);
			QCOMPARE(QString(Enum<AccessRight>::getName(right)), key);
			QCOMPARE(AccessRoleAndRightsUtil::toDisplayText(right), displayText);
			QCOMPARE(AccessRoleAndRightsUtil::isWriteAccessRight(right), write);
			QCOMPARE(AccessRoleAndRightsUtil::getDisplayedRights().indexOf(right) + 1, shownAt);
			QCOMPARE(AccessRoleAndRightsUtil::allRights().indexOf(right), 37 - bit);

			LogCapture capture;
			QCOMPARE(QString(AccessRoleAndRightsUtil::toTechnicalName(right)), technicalName);
			QCOMPARE(capture.contains(QStringLiteral("Requested AccessRight without mapping: %1").arg(bit)), technicalName.isEmpty());

			if (!technicalName.isEmpty())
			{
				QList<AccessRight> called;
				QVERIFY(AccessRoleAndRightsUtil::fromTechnicalName(technicalName, [&called](AccessRight pRight) {
						called << pRight;
					}));
				QCOMPARE(called, QList<AccessRight>({right}));
			}
		}


		void fromTechnicalNameRefused_data()
		{
			QTest::addColumn<QByteArray>("name");

			QTest::newRow("lower case") << QByteArray("writeaddress");
			QTest::newRow("display text") << QByteArray("Gender");
			QTest::newRow("right key") << QByteArray("WRITE_DG17");
			QTest::newRow("scoped key") << QByteArray("AccessRightNames::Address");
			QTest::newRow("trailing blank") << QByteArray("Address ");
			QTest::newRow("empty") << QByteArray("");
		}


		void fromTechnicalNameRefused()
		{
			QFETCH(QByteArray, name);

			bool called = false;
			const auto callback = [&called](AccessRight) {
						called = true;
					};
			QVERIFY(!AccessRoleAndRightsUtil::fromTechnicalName(name.constData(), callback));
			QVERIFY(!AccessRoleAndRightsUtil::fromTechnicalName(QString::fromLatin1(name), callback));
			QVERIFY(!called);
		}


		void fromTechnicalNameWriteAddress()
		{
			AccessRight received = AccessRight::AGE_VERIFICATION;
			QVERIFY(AccessRoleAndRightsUtil::fromTechnicalName("WriteAddress", [&received](AccessRight pRight) {
					received = pRight;
				}));
			QCOMPARE(received, AccessRight::WRITE_DG17);
		}


		void valuesOutsideTheTemplate()
		{
			QCOMPARE(AccessRoleAndRightsUtil::toDisplayText(static_cast<AccessRight>(40)), QStringLiteral("Unknown"));
			QCOMPARE(AccessRoleAndRightsUtil::toDisplayText(static_cast<AccessRight>(38)), QStringLiteral("Unknown"));
			QVERIFY(!AccessRoleAndRightsUtil::isWriteAccessRight(static_cast<AccessRight>(38)));
			QVERIFY(!AccessRoleAndRightsUtil::isWriteAccessRight(static_cast<AccessRight>(-1)));
		}


		void lists()
		{
			const auto& all = AccessRoleAndRightsUtil::allRights();
			QCOMPARE(all.size(), 38);
			QCOMPARE(all.first(), AccessRight::WRITE_DG17);
			QCOMPARE(all.last(), AccessRight::AGE_VERIFICATION);
			QCOMPARE(Enum<AccessRight>::allValues(), all);

			const QList<AccessRight> displayed = AccessRoleAndRightsUtil::getDisplayedRights();
			QCOMPARE(displayed.size(), 25);
			QCOMPARE(AccessRoleAndRightsUtil::getDisplayedRights(), displayed);
			QCOMPARE(&AccessRoleAndRightsUtil::getDisplayedRights(), &AccessRoleAndRightsUtil::getDisplayedRights());
			QList<int> bits;
			for (const auto right : displayed)
			{
				bits << static_cast<int>(right);
			}
			QCOMPARE(bits, QList<int>({12, 20, 11, 14, 15, 16, 24, 8, 10, 2, 17, 13, 0, 1, 9, 25, 26, 27, 7, 6, 37, 36, 35, 34, 5}));
			QVERIFY(!displayed.contains(AccessRight::CAN_ALLOWED));
			QVERIFY(!displayed.contains(AccessRight::PRIVILEGED_TERMINAL));
		}


		void technicalNameOrder()
		{
			QStringList keys;
			for (const auto name : Enum<AccessRightNames>::allValues())
			{
				keys << Enum<AccessRightNames>::getName(name);
			}
			QCOMPARE(keys, QStringList({
						"ResidencePermitII", "ResidencePermitI", "CommunityID", "Address", "BirthName", "Nationality",
						"PlaceOfBirth", "DateOfBirth", "DoctoralDegree", "ArtisticName", "FamilyName", "GivenNames",
						"ValidUntil", "IssuingCountry", "DocumentType", "CanAllowed", "Pseudonym", "AddressVerification",
						"AgeVerification", "WriteAddress", "WriteCommunityID", "WriteResidencePermitI",
						"WriteResidencePermitII", "PinManagement"
					}));
		}


		void metaTypes()
		{
			QVERIFY(QMetaType::fromName("tessarovin::EnumAccessRole::AccessRole").isValid());
			QVERIFY(QMetaType::fromName("tessarovin::EnumAccessRight::AccessRight").isValid());
			QVERIFY(QMetaType::fromName("tessarovin::EnumAccessRightNames::AccessRightNames").isValid());
		}


		void unknownValueIsReported()
		{
			LogCapture capture;
			QVERIFY(Enum<AccessRight>::getName(static_cast<AccessRight>(40)).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("CRITICAL CONVERSION MISMATCH: UNKNOWN 0x28")));
		}


};

KENDRAWELL_TEST_MAIN(test_AccessRoleAndRightsUtil)
#include "test_AccessRoleAndRightsUtil.moc"
