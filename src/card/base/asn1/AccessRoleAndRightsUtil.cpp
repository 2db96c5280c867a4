#include "asn1/AccessRoleAndRightsUtil.h"

#include "LogCategories.h"

#include <QCoreApplication>
#include <QMetaEnum>

using namespace tessarovin;

namespace
{

void registerAccessRightTypes()
{
	qRegisterMetaType<AccessRole>();
	qRegisterMetaType<AccessRight>();
	qRegisterMetaType<AccessRightNames>();
}


QString tr(const char* pText)
{
	return QCoreApplication::translate("tessarovin::AccessRoleAndRightsUtil", pText);
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerAccessRightTypes)


const QList<AccessRight>& AccessRoleAndRightsUtil::allRights()
{
	static const QList<AccessRight> rights = [] {
				QList<AccessRight> list;
				for (int bit = static_cast<int>(AccessRight::WRITE_DG17); bit >= static_cast<int>(AccessRight::AGE_VERIFICATION); --bit)
				{
					list << static_cast<AccessRight>(bit);
				}
				return list;
			}();
	return rights;
}


const QList<AccessRight>& AccessRoleAndRightsUtil::getDisplayedRights()
{
	static const QList<AccessRight> rights = {
		AccessRight::READ_DG05,
		AccessRight::READ_DG13,
		AccessRight::READ_DG04,
		AccessRight::READ_DG07,
		AccessRight::READ_DG08,
		AccessRight::READ_DG09,
		AccessRight::READ_DG17,
		AccessRight::READ_DG01,
		AccessRight::READ_DG03,
		AccessRight::RESTRICTED_IDENTIFICATION,
		AccessRight::READ_DG10,
		AccessRight::READ_DG06,
		AccessRight::AGE_VERIFICATION,
		AccessRight::COMMUNITY_ID_VERIFICATION,
		AccessRight::READ_DG02,
		AccessRight::READ_DG18,
		AccessRight::READ_DG19,
		AccessRight::READ_DG20,
		AccessRight::INSTALL_QUAL_CERT,
		AccessRight::INSTALL_CERT,
		AccessRight::WRITE_DG17,
		AccessRight::WRITE_DG18,
		AccessRight::WRITE_DG19,
		AccessRight::WRITE_DG20,
		AccessRight::PIN_MANAGEMENT
	};
	return rights;
}


bool AccessRoleAndRightsUtil::isWriteAccessRight(AccessRight pRight)
{
	switch (pRight)
	{
		case AccessRight::PIN_MANAGEMENT:
		case AccessRight::WRITE_DG17:
		case AccessRight::WRITE_DG18:
		case AccessRight::WRITE_DG19:
		case AccessRight::WRITE_DG20:
		case AccessRight::WRITE_DG21:
			return true;

		default:
			return false;
	}
}


QString AccessRoleAndRightsUtil::toDisplayText(AccessRight pRight)
{
	switch (pRight)
	{
		case AccessRight::WRITE_DG17:
		case AccessRight::READ_DG17:
			return tr("Address");

		case AccessRight::WRITE_DG18:
		case AccessRight::READ_DG18:
			return tr("Community-ID");

		case AccessRight::WRITE_DG19:
		case AccessRight::READ_DG19:
			return tr("Residence permit I");

		case AccessRight::WRITE_DG20:
		case AccessRight::READ_DG20:
			return tr("Residence permit II");

		case AccessRight::WRITE_DG21:
		case AccessRight::WRITE_DG22:
		case AccessRight::READ_DG22:
		case AccessRight::READ_DG21:
		case AccessRight::READ_DG12:
			return tr("Optional data");

		case AccessRight::RFU:
			return tr("Unknown (reserved)");

		case AccessRight::PSA:
		case AccessRight::RESTRICTED_IDENTIFICATION:
			return tr("Pseudonym");

		case AccessRight::READ_DG16:
		case AccessRight::READ_DG15:
		case AccessRight::READ_DG14:
			return tr("RFU");

		case AccessRight::READ_DG13:
			return tr("Birth name");

		case AccessRight::READ_DG11:
			return tr("Gender");

		case AccessRight::READ_DG10:
			return tr("Nationality");

		case AccessRight::READ_DG09:
			return tr("Place of birth");

		case AccessRight::READ_DG08:
			return tr("Date of birth");

		case AccessRight::READ_DG07:
			return tr("Doctoral degree");

		case AccessRight::READ_DG06:
			return tr("Religious / artistic name");

		case AccessRight::READ_DG05:
			return tr("Family name");

		case AccessRight::READ_DG04:
			return tr("Given name(s)");

		case AccessRight::READ_DG03:
			return tr("Valid until");

		case AccessRight::READ_DG02:
			return tr("Issuing country");

		case AccessRight::READ_DG01:
			return tr("Document type");

		case AccessRight::INSTALL_QUAL_CERT:
			return tr("Installation of qualified signature certificates");

		case AccessRight::INSTALL_CERT:
			return tr("Installation of signature certificates");

		case AccessRight::PIN_MANAGEMENT:
			return tr("PIN Management");

		case AccessRight::CAN_ALLOWED:
			return tr("CAN allowed");

		case AccessRight::PRIVILEGED_TERMINAL:
			return tr("Privileged terminal");

		case AccessRight::COMMUNITY_ID_VERIFICATION:
			return tr("Address verification");

		case AccessRight::AGE_VERIFICATION:
			return tr("Age verification");
	}

	return tr("Unknown");
}


QLatin1String AccessRoleAndRightsUtil::toTechnicalName(AccessRight pRight)
{
	const auto value = static_cast<int>(pRight);
	if (!Enum<AccessRightNames>::isValue(value))
	{
		qCCritical(card) << "Requested AccessRight without mapping:" << value;
		return QLatin1String("");
	}

	return Enum<AccessRightNames>::getName(static_cast<AccessRightNames>(value));
}


bool AccessRoleAndRightsUtil::fromTechnicalName(const char* pName, const std::function<void(AccessRight)>& pFunc)
{
	if (pName == nullptr)
	{
		return false;
	}

	// keyToValue would also take scoped keys such as "AccessRightNames::Address"; only the bare key is a name.
	const QMetaEnum metaEnum = QMetaEnum::fromType<AccessRightNames>();
	for (int i = 0; i < metaEnum.keyCount(); ++i)
	{
		if (qstrcmp(metaEnum.key(i), pName) == 0)
		{
			const int value = metaEnum.value(i);
			if (value == -1)
			{
				return false;
			}
			pFunc(static_cast<AccessRight>(value));
			return true;
		}
	}
	return false;
}


bool AccessRoleAndRightsUtil::fromTechnicalName(const QString& pName, const std::function<void(AccessRight)>& pFunc)
{
	return fromTechnicalName(pName.toLatin1().constData(), pFunc);
}
