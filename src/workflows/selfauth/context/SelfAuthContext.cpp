#include "context/SelfAuthContext.h"

using namespace tessarovin;

SelfAuthContext::SelfAuthContext(bool pActivateUi)
	: AuthContext(Action::SELF_AUTH, pActivateUi, QUrl(), BrowserHandler(), QMap<QByteArray, QByteArray>())
	, mSelfAuthenticationData()
{
}


const SelfAuthenticationData& SelfAuthContext::getSelfAuthenticationData() const
{
	return mSelfAuthenticationData;
}


void SelfAuthContext::setSelfAuthenticationData(const SelfAuthenticationData& pSelfAuthenticationData)
{
	if (mSelfAuthenticationData != pSelfAuthenticationData)
	{
		mSelfAuthenticationData = pSelfAuthenticationData;
	}
	Q_EMIT fireSelfAuthenticationDataChanged();
}
