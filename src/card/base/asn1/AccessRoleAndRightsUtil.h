#pragma once

#include "Enum.h"

#include <QLatin1String>
#include <QList>
#include <QString>

#include <functional>

namespace tessarovin
{

// The two role bits of a CHAT, read as a number.
defineEnumType(AccessRole,
		CVCA = 3,
		DV_od = 2,
		DV_no_f = 1,
		AT = 0,
		UNKNOWN = -1
		)

// Each value is the number of the CHAT bit that carries the right.
defineEnumType(AccessRight,
		WRITE_DG17 = 37,
		WRITE_DG18 = 36,
		WRITE_DG19 = 35,
		WRITE_DG20 = 34,
		WRITE_DG21 = 33,
		WRITE_DG22 = 32,
		RFU = 31,
		PSA = 30,
		READ_DG22 = 29,
		READ_DG21 = 28,
		READ_DG20 = 27,
		READ_DG19 = 26,
		READ_DG18 = 25,
		READ_DG17 = 24,
		READ_DG16 = 23,
		READ_DG15 = 22,
		READ_DG14 = 21,
		READ_DG13 = 20,
		READ_DG12 = 19,
		READ_DG11 = 18,
		READ_DG10 = 17,
		READ_DG09 = 16,
		READ_DG08 = 15,
		READ_DG07 = 14,
		READ_DG06 = 13,
		READ_DG05 = 12,
		READ_DG04 = 11,
		READ_DG03 = 10,
		READ_DG02 = 9,
		READ_DG01 = 8,
		INSTALL_QUAL_CERT = 7,
		INSTALL_CERT = 6,
		PIN_MANAGEMENT = 5,
		CAN_ALLOWED = 4,
		PRIVILEGED_TERMINAL = 3,
		RESTRICTED_IDENTIFICATION = 2,
		COMMUNITY_ID_VERIFICATION = 1,
		AGE_VERIFICATION = 0
		)

// The technical names of the rights that have one, as the JSON interface sends them.
defineEnumType(AccessRightNames,
		ResidencePermitII = static_cast<int>(AccessRight::READ_DG20),
		ResidencePermitI = static_cast<int>(AccessRight::READ_DG19),
		CommunityID = static_cast<int>(AccessRight::READ_DG18),
		Address = static_cast<int>(AccessRight::READ_DG17),
		BirthName = static_cast<int>(AccessRight::READ_DG13),
		Nationality = static_cast<int>(AccessRight::READ_DG10),
		PlaceOfBirth = static_cast<int>(AccessRight::READ_DG09),
		DateOfBirth = static_cast<int>(AccessRight::READ_DG08),
		DoctoralDegree = static_cast<int>(AccessRight::READ_DG07),
		ArtisticName = static_cast<int>(AccessRight::READ_DG06),
		FamilyName = static_cast<int>(AccessRight::READ_DG05),
		GivenNames = static_cast<int>(AccessRight::READ_DG04),
		ValidUntil = static_cast<int>(AccessRight::READ_DG03),
		IssuingCountry = static_cast<int>(AccessRight::READ_DG02),
		DocumentType = static_cast<int>(AccessRight::READ_DG01),
		CanAllowed = static_cast<int>(AccessRight::CAN_ALLOWED),
		Pseudonym = static_cast<int>(AccessRight::RESTRICTED_IDENTIFICATION),
		AddressVerification = static_cast<int>(AccessRight::COMMUNITY_ID_VERIFICATION),
		AgeVerification = static_cast<int>(AccessRight::AGE_VERIFICATION),
		WriteAddress = static_cast<int>(AccessRight::WRITE_DG17),
		WriteCommunityID = static_cast<int>(AccessRight::WRITE_DG18),
		WriteResidencePermitI = static_cast<int>(AccessRight::WRITE_DG19),
		WriteResidencePermitII = static_cast<int>(AccessRight::WRITE_DG20),
		PinManagement = static_cast<int>(AccessRight::PIN_MANAGEMENT)
		)


class AccessRoleAndRightsUtil
{
	private:
		AccessRoleAndRightsUtil() = delete;

	public:
		// Descending bit order, 37 down to 0.
		static const QList<AccessRight>& allRights();

		// The rights that may be shown to the user and requested from the card, in display order.
		static const QList<AccessRight>& getDisplayedRights();

		static bool isWriteAccessRight(AccessRight pRight);
		static QString toDisplayText(AccessRight pRight);
		static QLatin1String toTechnicalName(AccessRight pRight);
		static bool fromTechnicalName(const char* pName, const std::function<void(AccessRight)>& pFunc);
		static bool fromTechnicalName(const QString& pName, const std::function<void(AccessRight)>& pFunc);
};

} // namespace tessarovin
