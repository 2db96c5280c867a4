#pragma once

#include "EacTerminal.h"
#include "PaosMessage.h"

#include <QByteArrayList>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QUrlQuery>

namespace tessarovin
{

// The eID server's script for one session (one TC token): which request answers which client
// message, with the EAC material of the test PKI and the faults the TC token's query asked for.
class PaosSession
{
	public:
		// What the TC token request chose; query items of "/tctoken" of the same names.
		struct Options
		{
			int mLevel = 2; // 1: end after the chip's token is checked; 2: read DG1 to DG5 first
			bool mEac1Direct = false; // answer StartPAOS with DIDAuthenticate EAC1 at once
			bool mSignature = true; // false: EAC2 input without signature, EACAdditionalInputType later
			QString mFault; // unexpected, unknownElement, garbage, close, http500, http503, delay, endError
			QString mFaultAt = QStringLiteral("StartPAOS"); // the client message that the fault answers
			int mDelaySeconds = 35;
			bool mNoLog = false; // "Pragma: no-log" on every answer
			bool mEndError = false; // the final StartPAOSResponse carries an error result
			QByteArray mRequiredChat;
			QByteArray mOptionalChat;
			QByteArray mAuxiliaryData;
		};

		struct Reply
		{
			int mStatus = 200;
			QByteArray mBody;
			bool mClose = false;
			int mDelaySeconds = 0;
		};

	private:
		const QByteArray mSessionId;
		const QByteArray mPsk;
		const Options mOptions;
		const QByteArrayList mCertificates;
		const QByteArray mDescription;
		EacTerminal mTerminal;
		QString mLastMessageId;
		QString mExpected = QStringLiteral("StartPAOS");
		QString mSlotHandle = QStringLiteral("00");
		QByteArray mIdPicc;
		QByteArray mChallenge;
		int mReadIndex = 0;
		QJsonArray mRelatesToChain;
		bool mFinished = false;
		QMap<int, QByteArray> mDataGroups;

		[[nodiscard]] QByteArray connectionHandle() const;
		QByteArray initializeFramework();
		QByteArray eac1();
		QByteArray eac2();
		QByteArray eacAdditional();
		QByteArray transmit(QJsonObject& pReport);
		QByteArray startPaosResponse(bool pOk, const QString& pMessage);
		QByteArray next(const PaosMessage& pMessage, QJsonObject& pReport);
		[[nodiscard]] QByteArray faulty(const QString& pFault) const;

	public:
		PaosSession(const QByteArray& pSessionId, const QByteArray& pPsk, const Options& pOptions,
				const QByteArrayList& pCertificates, const QByteArray& pDescription, const QByteArray& pTerminalKey);

		[[nodiscard]] const QByteArray& getSessionId() const;
		// Hexadecimal as in the TC token; empty without one.
		[[nodiscard]] const QByteArray& getPsk() const;
		[[nodiscard]] const Options& getOptions() const;
		[[nodiscard]] bool isFinished() const;
		// The data groups read, number to content (status word removed).
		[[nodiscard]] const QMap<int, QByteArray>& getDataGroups() const;

		// Answers one PAOS message of the client; pReport collects what the tests check.
		Reply handle(const QByteArray& pBody, QJsonObject& pReport);

		static Options parseOptions(const QUrlQuery& pQuery);
};

} // namespace tessarovin
