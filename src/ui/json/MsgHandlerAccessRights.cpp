#include "MsgHandlerAccessRights.h"

#include "asn1/AccessRoleAndRightsUtil.h"
#include "context/AuthContext.h"

#include <QDate>

#include <algorithm>

using namespace tessarovin;

namespace
{

QJsonArray toNames(const QSet<AccessRight>& pRights)
{
	QList<AccessRight> rights(pRights.constBegin(), pRights.constEnd());
	std::sort(rights.begin(), rights.end(), [](AccessRight pLeft, AccessRight pRight) {
			return static_cast<int>(pLeft) > static_cast<int>(pRight);
		});

	QJsonArray names;
	for (const auto right : std::as_const(rights))
	{
		// Rights the client has no name for are not shown to it at all.
		if (Enum<AccessRightNames>::isValue(static_cast<int>(right)))
		{
			names << QString(AccessRoleAndRightsUtil::toTechnicalName(right));
		}
	}
	return names;
}


QString toIsoDate(const QDate& pDate)
{
	return pDate.toString(Qt::ISODate);
}


} // namespace


MsgHandlerAccessRights::MsgHandlerAccessRights(const MsgContext& pContext)
	: MsgHandler(MsgType::ACCESS_RIGHTS)
{
	fillAccessRights(pContext);
}


MsgHandlerAccessRights::MsgHandlerAccessRights(const QJsonObject& pObj, const MsgContext& pContext)
	: MsgHandler(MsgType::ACCESS_RIGHTS)
{
	const auto context = pContext.getContext<AuthContext>();
	const auto chat = pObj.value(QLatin1String("chat"));
	if (chat.isUndefined())
	{
		setError(QLatin1String("'chat' cannot be undefined"));
	}
	else if (!chat.isArray())
	{
		setError(QLatin1String("Invalid 'chat' data"));
	}
	else if (context && context->getAccessRightManager())
	{
		handleSetChatData(chat.toArray(), *context->getAccessRightManager());
	}
	fillAccessRights(pContext);
}


void MsgHandlerAccessRights::handleSetChatData(const QJsonArray& pChat, AccessRightManager& pManager)
{
	const auto& optional = pManager.getOptionalAccessRights();
	if (optional.isEmpty())
	{
		setError(QLatin1String("No optional access rights available"));
		return;
	}

	QSet<AccessRight> selected;
	bool refused = false;
	for (const auto& entry : pChat)
	{
		if (!entry.isString())
		{
			setError(QLatin1String("Entry in 'chat' data needs to be string"));
			return;
		}

		const bool known = AccessRoleAndRightsUtil::fromTechnicalName(entry.toString(), [&](AccessRight pRight) {
				if (optional.contains(pRight))
				{
					selected += pRight;
				}
				else
				{
					setError(QLatin1String("Entry in 'chat' data is not available"));
					refused = true;
				}
			});
		if (!known)
		{
			setError(QLatin1String("Entry in 'chat' data is invalid"));
			return;
		}
	}

	if (!refused)
	{
		pManager = selected;
	}
}


void MsgHandlerAccessRights::fillAccessRights(const MsgContext& pContext)
{
	const auto context = pContext.getContext<AuthContext>();
	const auto manager = context ? context->getAccessRightManager() : QSharedPointer<AccessRightManager>();

	QJsonObject chat;
	chat[QLatin1String("required")] = manager ? toNames(manager->getRequiredAccessRights()) : QJsonArray();
	chat[QLatin1String("optional")] = manager ? toNames(manager->getOptionalAccessRights()) : QJsonArray();
	chat[QLatin1String("effective")] = manager ? toNames(manager->getEffectiveAccessRights()) : QJsonArray();
	setValue(QLatin1String("chat"), QJsonValue(chat));

	const auto eac1 = context ? context->getDidAuthenticateEac1() : QSharedPointer<DIDAuthenticateEAC1>();
	if (!eac1)
	{
		return;
	}

	setValue(QLatin1String("transactionInfo"), eac1->getTransactionInfo());

	const auto auxData = eac1->getAuthenticatedAuxiliaryData();
	if (!auxData)
	{
		return;
	}

	QJsonObject aux;
	if (auxData->hasAgeVerificationDate())
	{
		aux[QLatin1String("ageVerificationDate")] = toIsoDate(auxData->getAgeVerificationDate());
		aux[QLatin1String("requiredAge")] = auxData->getRequiredAge();
	}
	if (auxData->hasValidityDate())
	{
		aux[QLatin1String("validityDate")] = toIsoDate(auxData->getValidityDate());
	}
	if (auxData->hasCommunityId())
	{
		aux[QLatin1String("communityId")] = QString::fromLatin1(auxData->getCommunityId());
	}
	if (!aux.isEmpty())
	{
		setValue(QLatin1String("aux"), QJsonValue(aux));
	}
}
