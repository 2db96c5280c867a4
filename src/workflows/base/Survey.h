#pragma once

#include "Env.h"
#include "ReaderInfo.h"

#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPair>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

// Facts about the user's device and NFC reader that the user may agree to share: system and
// application versions and, after an authentication with an NFC reader, its packet length and
// the card's tag type. Nothing here sends them. A singleton of the main thread.
class Survey
	: public QObject
{
	Q_OBJECT
	friend class Env;

	public:
		using SurveyData = QList<QPair<QString, QString>>;

	private:
		QString mBuildNumber;
		QString mOsVersion;
		QString mKernelVersion;
		int mMaximumNfcPacketLength;
		QString mVendor;
		QString mModelNumber;
		QString mModelName;
		QString mApplicationVersion;
		QString mNfcTagType;
		bool mNfcDataAvailable;
		bool mAuthWasSuccessful;
		SurveyData mData;
		QSharedPointer<QNetworkReply> mReply;

		void buildDataObject();

	protected:
		Survey();
		~Survey() override;

	public:
		[[nodiscard]] SurveyData getSurveyData() const;

		void setReaderInfo(const ReaderInfo& pReaderInfo);
		void setAuthWasSuccessful(bool pSuccess);
		[[nodiscard]] bool askForDeviceSurvey() const;
		void setDeviceSurveyPending(bool pPending);
		void resetNfcData();

	public Q_SLOTS:
		void onNetworkReplyFinished();

	Q_SIGNALS:
		void fireSurveyDataChanged();
};

} // namespace tessarovin
