#include "PreVerificationSettings.h"

using namespace tessarovin;

namespace
{

const QLatin1String cGroup("preverification");
const QLatin1String cEnabled("enabled");
const QLatin1String cLinkCertificates("linkcertificates");
const QLatin1String cLinkCertificate("linkcertificate");

} // namespace


PreVerificationSettings::PreVerificationSettings()
	: AbstractSettings()
	, mStore(getStore())
{
	mStore->beginGroup(cGroup);
}


bool PreVerificationSettings::isEnabled() const
{
	return mStore->value(cEnabled, true).toBool();
}


QByteArrayList PreVerificationSettings::getLinkCertificates() const
{
	QByteArrayList linkCertificates;

	const int count = mStore->beginReadArray(cLinkCertificates);
	for (int i = 0; i < count; ++i)
	{
		mStore->setArrayIndex(i);
		linkCertificates << QByteArray::fromHex(mStore->value(cLinkCertificate).toByteArray());
	}
	mStore->endArray();

	return linkCertificates;
}


void PreVerificationSettings::addLinkCertificate(const QByteArray& pCertificate)
{
	auto linkCertificates = getLinkCertificates();
	if (linkCertificates.contains(pCertificate))
	{
		return;
	}

	linkCertificates << pCertificate;
	updateLinkCertificates(linkCertificates);
}


void PreVerificationSettings::updateLinkCertificates(const QByteArrayList& pLinkCertificates)
{
	// A shorter array written over a longer one would leave the old surplus entries behind.
	mStore->beginGroup(cLinkCertificates);
	mStore->remove(QString());
	mStore->endGroup();

	mStore->beginWriteArray(cLinkCertificates);
	for (int i = 0; i < pLinkCertificates.size(); ++i)
	{
		mStore->setArrayIndex(i);
		// As text: a byte array would be stored in the store's own wrapped form.
		mStore->setValue(cLinkCertificate, QString::fromLatin1(pLinkCertificates.at(i).toHex()));
	}
	mStore->endArray();
	mStore->sync();
}
