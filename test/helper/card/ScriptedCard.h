#pragma once

#include "Card.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QStringList>

#include <functional>

namespace tessarovin
{

// A card that answers from a script: each rule is a command prefix (hex) with its answers, used
// in order, the last one again and again until another one is added. The first rule whose prefix matches the command
// answers; unscripted commands get the default answer (6A 82, or 90 00 with data forever).
class ScriptedCard
	: public Card
{
	Q_OBJECT

	public:
		using Handler = std::function<ResponseApduResult(const CommandApdu&)>;

	private:
		struct Rule
		{
			QByteArray mPrefix;
			QList<ResponseApduResult> mAnswers;
			qsizetype mUsed;
		};

		QList<Rule> mRules;
		ResponseApduResult mDefaultAnswer;
		Handler mHandler;
		CardReturnCode mConnectResult;
		bool mConnected;
		int mReleaseCount;
		QList<QByteArray> mCommands;

		QList<EstablishPaceChannelOutput> mPaceOutputs;
		qsizetype mPaceOutputsUsed;
		QList<PacePasswordId> mPacePasswordIds;
		QList<int> mPreferredPinLengths;
		CardReturnCode mDestroyPaceChannelResult;
		int mDestroyPaceChannelCount;
		ResponseApduResult mSetEidPinResult;
		QStringList mErrorMessages;

	public:
		ScriptedCard();

		static ResponseApduResult answer(const QByteArray& pHex, CardReturnCode pReturnCode = CardReturnCode::OK);

		// pResponseHex is data and status word; an empty text answers with nothing at all.
		ScriptedCard& add(const QByteArray& pCommandPrefixHex, const QByteArray& pResponseHex, CardReturnCode pReturnCode = CardReturnCode::OK);
		ScriptedCard& add(const QByteArray& pCommandPrefixHex, const ResponseApduResult& pAnswer);
		void setDefaultAnswer(const ResponseApduResult& pAnswer);
		// Answers every command before the script does.
		void setHandler(const Handler& pHandler);
		void setConnectResult(CardReturnCode pCode);

		// A usable eID card: the application selects, EF.DIR and EF.CardAccess read at once and
		// MSE:Set AT tells the retry counter.
		void scriptEidCard(const QByteArray& pEfCardAccess, const QByteArray& pRetryCounterStatus = QByteArrayLiteral("9000"));

		[[nodiscard]] const QList<QByteArray>& getCommands() const;
		[[nodiscard]] int getReleaseCount() const;

		// PACE answers with the outputs in order, the last one again and again.
		void setPaceOutput(const EstablishPaceChannelOutput& pOutput);
		void setPaceOutputs(const QList<EstablishPaceChannelOutput>& pOutputs);
		// The passwords that PACE was asked for, in order.
		[[nodiscard]] const QList<PacePasswordId>& getPacePasswordIds() const;
		[[nodiscard]] const QList<int>& getPreferredPinLengths() const;
		void setDestroyPaceChannelResult(CardReturnCode pCode);
		[[nodiscard]] int getDestroyPaceChannelCount() const;
		void setSetEidPinResult(const ResponseApduResult& pResult);
		// What a workflow told the user on the card's reader.
		[[nodiscard]] const QStringList& getErrorMessages() const;

		CardReturnCode establishConnection() override;
		CardReturnCode releaseConnection() override;
		[[nodiscard]] bool isConnected() const override;
		ResponseApduResult transmit(const CommandApdu& pCommand) override;

		EstablishPaceChannelOutput establishPaceChannel(PacePasswordId pPasswordId,
				int pPreferredPinLength,
				const QByteArray& pChat,
				const QByteArray& pCertificateDescription) override;
		CardReturnCode destroyPaceChannel() override;
		ResponseApduResult setEidPin(uchar pTimeoutSeconds) override;
		void setErrorMessage(const QString& pMessage) override;
};


QByteArray readFixture(const QString& pName);

} // namespace tessarovin
