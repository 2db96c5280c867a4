#include "Survey.h"

#include "AppSettings.h"
#include "CategoryMessageLogger.h"
#include "LogCategories.h"
#include "NetworkManager.h"
#include "VolatileSettings.h"

#include <QCoreApplication>
#include <QSysInfo>

using namespace tessarovin;

namespace
{

QString nfcTagTypeName(int pTagType)
{
	switch (pTagType)
	{
		case 1:
			return QStringLiteral("A");

		case 2:
			return QStringLiteral("B");

		default:
			return QStringLiteral("U");
	}
}


} // namespace


Survey::Survey()
	: QObject()
	, mBuildNumber()
	, mOsVersion(QSysInfo::productVersion())
	, mKernelVersion(QSysInfo::kernelVersion())
	, mMaximumNfcPacketLength(0)
	, mVendor()
	, mModelNumber()
	, mModelName()
	, mApplicationVersion(QCoreApplication::applicationVersion())
	, mNfcTagType(QStringLiteral("U"))
	, mNfcDataAvailable(false)
	, mAuthWasSuccessful(false)
	, mData()
	, mReply()
{
	// Vendor, model and build number stay empty: a desktop system does not tell them.
	buildDataObject();
}


Survey::~Survey() = default;


void Survey::buildDataObject()
{
	mData.clear();
	mData << qMakePair(tr("Vendor"), mVendor);
	mData << qMakePair(tr("Model Name"), mModelName);
	mData << qMakePair(tr("Model Number"), mModelNumber);
	mData << qMakePair(tr("Build Number"), mBuildNumber);
	mData << qMakePair(tr("OS version"), mOsVersion);
	mData << qMakePair(tr("Kernel version"), mKernelVersion);
	mData << qMakePair(tr("Max. NFC Packet Length"), QString::number(mMaximumNfcPacketLength));
	mData << qMakePair(tr("%1 Version").arg(QCoreApplication::applicationName()), mApplicationVersion);
	mData << qMakePair(tr("NFC Tag Type"), mNfcTagType);

	Q_EMIT fireSurveyDataChanged();
}


Survey::SurveyData Survey::getSurveyData() const
{
	return mData;
}


void Survey::setReaderInfo(const ReaderInfo& pReaderInfo)
{
	if (Env::getSingleton<VolatileSettings>()->isUsedAsSdk())
	{
		return;
	}

	if (pReaderInfo.getPluginType() == ReaderManagerPluginType::NFC)
	{
		if (pReaderInfo.hasEid())
		{
			mMaximumNfcPacketLength = pReaderInfo.getMaxApduLength();
			mNfcTagType = nfcTagTypeName(pReaderInfo.getCardInfo().getTagType());
			mNfcDataAvailable = true;
			buildDataObject();
		}
		return;
	}

	// The data of an NFC reader that just authenticated successfully stays for the survey.
	if (!mAuthWasSuccessful)
	{
		resetNfcData();
	}
}


void Survey::setAuthWasSuccessful(bool pSuccess)
{
	// Only an authentication with an NFC reader is worth a survey.
	mAuthWasSuccessful = pSuccess && mNfcDataAvailable;
}


bool Survey::askForDeviceSurvey() const
{
	return mNfcDataAvailable && mAuthWasSuccessful && Env::getSingleton<AppSettings>()->getGeneralSettings().askForDeviceSurvey();
}


void Survey::setDeviceSurveyPending(bool pPending)
{
	Env::getSingleton<AppSettings>()->getGeneralSettings().setDeviceSurveyPending(pPending);
}


void Survey::resetNfcData()
{
	mNfcDataAvailable = false;
	mNfcTagType = QStringLiteral("U");
	mMaximumNfcPacketLength = 0;
	buildDataObject();
}


void Survey::onNetworkReplyFinished()
{
	if (!mReply)
	{
		return;
	}

	qCDebug(network) << "Survey result:" << mReply->error();
	NetworkManager::logReply(mReply, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));
	disconnect(mReply.data(), nullptr, this, nullptr);
	mReply.reset();
}
