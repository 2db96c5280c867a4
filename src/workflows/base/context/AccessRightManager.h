#pragma once

#include "asn1/AccessRoleAndRightsUtil.h"
#include "asn1/Chat.h"
#include "asn1/CVCertificate.h"
#include "paos/received/DIDAuthenticateEAC1.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QSharedPointer>

namespace tessarovin
{

// The rights of one authentication: what the provider requires, what it asks for optionally and
// what the user lets it have (effective), each cut down to what its terminal certificate grants
// and the user can be shown. Encodes the effective rights as the CHAT the card receives.
// Main thread only; shared with the front ends, which change only the effective rights.
class AccessRightManager
	: public QObject
{
	Q_OBJECT

	private:
		const QSharedPointer<const cvcertificate_st> mTerminalCvc;
		QSet<AccessRight> mOptionalAccessRights;
		QSet<AccessRight> mEffectiveAccessRights;
		QSet<AccessRight> mRequiredAccessRights;

	public:
		AccessRightManager(const QSharedPointer<DIDAuthenticateEAC1>& pDIDAuthenticateEAC1,
				const QSharedPointer<const cvcertificate_st>& pTerminalCvc,
				const QSharedPointer<const cvcertificate_st>& pDvCvc);
		// For a remote reader's PACE: the CHAT is what the other side asks for, nothing optional.
		explicit AccessRightManager(const QSharedPointer<const chat_st>& pRequiredChat);
		~AccessRightManager() override;

		AccessRightManager& operator+=(AccessRight pAccessRight);
		// Applies the user's selection: the required rights plus every permitted right of the set.
		AccessRightManager& operator=(const QSet<AccessRight>& pAccessRights);
		// The effective CHAT; needs a terminal certificate, whose CHAT gives type and role.
		operator QByteArray() const;

		void removeForbiddenAccessRights(QSet<AccessRight>& pAccessRights, const QSharedPointer<DIDAuthenticateEAC1>& pDIDAuthenticateEAC1) const;

		[[nodiscard]] const QSet<AccessRight>& getRequiredAccessRights() const;
		[[nodiscard]] const QSet<AccessRight>& getOptionalAccessRights() const;
		[[nodiscard]] const QSet<AccessRight>& getEffectiveAccessRights() const;

	Q_SIGNALS:
		void fireEffectiveAccessRightsChanged();
};

} // namespace tessarovin
