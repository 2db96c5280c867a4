#pragma once

#include "AbstractSettings.h"

#include <QByteArray>
#include <QByteArrayList>

namespace tessarovin
{

// Pre-verification of the provider's certificate chain and the link certificates learnt so far,
// from which later chains are built. The list only grows.
class PreVerificationSettings
	: public AbstractSettings
{
	Q_OBJECT

	private:
		QSharedPointer<QSettings> mStore;

		void updateLinkCertificates(const QByteArrayList& pLinkCertificates);

	public:
		PreVerificationSettings();

		[[nodiscard]] bool isEnabled() const;

		[[nodiscard]] QByteArrayList getLinkCertificates() const;
		void addLinkCertificate(const QByteArray& pCertificate);
};

} // namespace tessarovin
