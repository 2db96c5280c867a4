#include "asn1/CVCertificateChain.h"

#include "asn1/AccessRoleAndRightsUtil.h"

#include <QMutex>
#include <QMutexLocker>

#include <algorithm>

using namespace tessarovin;

namespace
{

Q_GLOBAL_STATIC(QMutex, cRootSourceMutex)
Q_GLOBAL_STATIC(CVCertificateChain::RootSource, cRootSource)


bool isValidChain(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates)
{
	if (pCertificates.size() < 2 || pCertificates.contains(nullptr))
	{
		return false;
	}

	const auto terminalRole = pCertificates.at(pCertificates.size() - 1)->getBody().getCHAT().getAccessRole();
	const auto dvRole = pCertificates.at(pCertificates.size() - 2)->getBody().getCHAT().getAccessRole();
	return terminalRole == AccessRole::AT && (dvRole == AccessRole::DV_no_f || dvRole == AccessRole::DV_od);
}


} // namespace


void CVCertificateChain::setProductiveRootSource(const RootSource& pSource)
{
	const QMutexLocker locker(cRootSourceMutex());
	*cRootSource() = pSource;
}


CVCertificateChain::CVCertificateChain(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates)
	: QList<QSharedPointer<const cvcertificate_st>>(isValidChain(pCertificates) ? pCertificates : QList<QSharedPointer<const cvcertificate_st>>())
{
}


bool CVCertificateChain::isValid() const
{
	return isValidChain(*this);
}


QSharedPointer<const cvcertificate_st> CVCertificateChain::getTerminalCvc() const
{
	return isEmpty() ? nullptr : at(size() - 1);
}


QSharedPointer<const cvcertificate_st> CVCertificateChain::getDvCvc() const
{
	return size() < 2 ? nullptr : at(size() - 2);
}


bool CVCertificateChain::isProductive() const
{
	if (isEmpty())
	{
		return false;
	}

	RootSource source;
	{
		const QMutexLocker locker(cRootSourceMutex());
		source = *cRootSource();
	}
	if (!source)
	{
		return false;
	}

	const auto& first = *constFirst();
	const auto roots = cvcertificate_st::decodeList(source());
	return std::any_of(roots.cbegin(), roots.cend(), [&first](const auto& pRoot) {
			return *pRoot == first;
		});
}
