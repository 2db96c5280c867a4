#include "context/AccessRightManager.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"
#include "VolatileSettings.h"

#include <QSignalBlocker>

#include <algorithm>

using namespace tessarovin;

namespace
{

QString toText(const QSet<AccessRight>& pAccessRights)
{
	QList<AccessRight> rights(pAccessRights.cbegin(), pAccessRights.cend());
	std::sort(rights.begin(), rights.end());
	QStringList names;
	for (const AccessRight right : std::as_const(rights))
	{
		names += Enum<AccessRight>::getName(right);
	}
	return QStringLiteral("QSet(%1)").arg(names.join(QStringLiteral(", ")));
}


} // namespace


AccessRightManager::AccessRightManager(const QSharedPointer<DIDAuthenticateEAC1>& pDIDAuthenticateEAC1,
		const QSharedPointer<const cvcertificate_st>& pTerminalCvc,
		const QSharedPointer<const cvcertificate_st>& pDvCvc)
	: QObject()
	, mTerminalCvc(pTerminalCvc)
	, mOptionalAccessRights()
	, mEffectiveAccessRights()
	, mRequiredAccessRights()
{
	if (pDIDAuthenticateEAC1.isNull() || pTerminalCvc.isNull() || pDvCvc.isNull())
	{
		return;
	}

	if (const auto& requiredChat = pDIDAuthenticateEAC1->getRequiredChat(); requiredChat)
	{
		mRequiredAccessRights = requiredChat->getAccessRights();
		removeForbiddenAccessRights(mRequiredAccessRights, pDIDAuthenticateEAC1);
	}

	if (const auto& optionalChat = pDIDAuthenticateEAC1->getOptionalChat(); optionalChat)
	{
		mOptionalAccessRights = optionalChat->getAccessRights();
		removeForbiddenAccessRights(mOptionalAccessRights, pDIDAuthenticateEAC1);
		if (!mOptionalAccessRights.isEmpty() && !mRequiredAccessRights.isEmpty())
		{
			mOptionalAccessRights -= mRequiredAccessRights;
		}
	}

	if (!pDIDAuthenticateEAC1->getRequiredChat() && !pDIDAuthenticateEAC1->getOptionalChat())
	{
		mOptionalAccessRights = pTerminalCvc->getBody().getCHAT().getAccessRights();
		removeForbiddenAccessRights(mOptionalAccessRights, pDIDAuthenticateEAC1);
	}

	// The card may not be forced into accepting the CAN: the user or the SDK decides.
	mRequiredAccessRights.remove(AccessRight::CAN_ALLOWED);

	const bool canGranted = pTerminalCvc->getBody().getCHAT().getAccessRights().contains(AccessRight::CAN_ALLOWED);
	const bool canOffered = Env::getSingleton<VolatileSettings>()->isUsedAsSdk()
			|| Env::getSingleton<AppSettings>()->getGeneralSettings().isEnableCanAllowed()
			|| pDvCvc->getBody().getCHAT().getAccessRole() == AccessRole::DV_od;
	if (canGranted && canOffered)
	{
		mOptionalAccessRights += AccessRight::CAN_ALLOWED;
	}
	else
	{
		mOptionalAccessRights.remove(AccessRight::CAN_ALLOWED);
	}

	mEffectiveAccessRights = mRequiredAccessRights + mOptionalAccessRights;
}


AccessRightManager::AccessRightManager(const QSharedPointer<const chat_st>& pRequiredChat)
	: QObject()
	, mTerminalCvc()
	, mOptionalAccessRights()
	, mEffectiveAccessRights()
	, mRequiredAccessRights()
{
	if (pRequiredChat)
	{
		mRequiredAccessRights = pRequiredChat->getAccessRights();
		mEffectiveAccessRights = mRequiredAccessRights;
	}
}


AccessRightManager::~AccessRightManager() = default;


AccessRightManager& AccessRightManager::operator+=(AccessRight pAccessRight)
{
	if (!mOptionalAccessRights.contains(pAccessRight) && !mRequiredAccessRights.contains(pAccessRight))
	{
		qCWarning(card) << "Adding" << pAccessRight << "to effective chat is not allowed";
		return *this;
	}

	if (mEffectiveAccessRights.contains(pAccessRight))
	{
		return *this;
	}

	mEffectiveAccessRights += pAccessRight;
	qCDebug(card) << "Added" << pAccessRight << "to effective chat";
	Q_EMIT fireEffectiveAccessRightsChanged();
	return *this;
}


AccessRightManager& AccessRightManager::operator=(const QSet<AccessRight>& pAccessRights)
{
	mEffectiveAccessRights = mRequiredAccessRights;
	for (const AccessRight right : pAccessRights)
	{
		const QSignalBlocker blocker(this);
		*this += right;
	}
	Q_EMIT fireEffectiveAccessRightsChanged();
	return *this;
}


AccessRightManager::operator QByteArray() const
{
	if (mTerminalCvc.isNull())
	{
		// A manager built from a CHAT has no template to carry type and role.
		qCCritical(card) << "Cannot encode the effective CHAT without terminal certificate";
		return QByteArray();
	}

	const auto chat = mTerminalCvc->getBody().getCHAT().copy();
	chat->removeAllAccessRights();
	chat->setAccessRights(mEffectiveAccessRights);

	const QByteArray encoded = encodeObject(chat.data());
	qCDebug(card).noquote() << "Using effective CHAT:" << encoded.toHex() << "with access rights:" << toText(mEffectiveAccessRights);
	return encoded;
}


void AccessRightManager::removeForbiddenAccessRights(QSet<AccessRight>& pAccessRights, const QSharedPointer<DIDAuthenticateEAC1>& pDIDAuthenticateEAC1) const
{
	QSet<AccessRight> allowed;
	if (mTerminalCvc)
	{
		const auto& displayed = AccessRoleAndRightsUtil::getDisplayedRights();
		allowed = mTerminalCvc->getBody().getCHAT().getAccessRights() & QSet<AccessRight>(displayed.cbegin(), displayed.cend());
	}

	const auto requested = pAccessRights;
	for (const AccessRight right : requested)
	{
		if (!allowed.contains(right))
		{
			qCWarning(card) << "Access right" << right << "is used in chat but it's not included in CVC or it's not allowed to display!";
			pAccessRights.remove(right);
		}
	}

	if (pDIDAuthenticateEAC1.isNull())
	{
		return;
	}

	const auto& auxiliaryData = pDIDAuthenticateEAC1->getAuthenticatedAuxiliaryData();
	if (pAccessRights.contains(AccessRight::AGE_VERIFICATION) && (auxiliaryData.isNull() || !auxiliaryData->hasAgeVerificationDate()))
	{
		qCWarning(card) << "AGE_VERIFICATION requested, but no age specified";
		pAccessRights.remove(AccessRight::AGE_VERIFICATION);
	}
	if (pAccessRights.contains(AccessRight::COMMUNITY_ID_VERIFICATION) && (auxiliaryData.isNull() || !auxiliaryData->hasCommunityId()))
	{
		qCWarning(card) << "COMMUNITY_ID_VERIFICATION requested, but no community id specified";
		pAccessRights.remove(AccessRight::COMMUNITY_ID_VERIFICATION);
	}
}


const QSet<AccessRight>& AccessRightManager::getRequiredAccessRights() const
{
	return mRequiredAccessRights;
}


const QSet<AccessRight>& AccessRightManager::getOptionalAccessRights() const
{
	return mOptionalAccessRights;
}


const QSet<AccessRight>& AccessRightManager::getEffectiveAccessRights() const
{
	return mEffectiveAccessRights;
}
