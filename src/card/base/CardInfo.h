#pragma once

#include "Enum.h"
#include "FileRef.h"

#include <QDebug>
#include <QSharedPointer>

namespace tessarovin
{

defineEnumType(CardType,
		NONE,
		UNKNOWN,
		EID_CARD
		)

defineEnumType(MobileEidType,
		UNKNOWN,
		SE_CERTIFIED,
		SE_ENDORSED,
		HW_KEYSTORE
		)

class SecurityInfos;

// What is known about the card in a reader.
class CardInfo
{
	// Shelving a card changes its type only.
	friend class ReaderInfo;

	private:
		CardType mCardType;
		FileRef mApplication;
		QSharedPointer<const SecurityInfos> mEfCardAccess;
		int mRetryCounter;
		bool mPinDeactivated;
		bool mPukInoperative;
		int mTagType;

	public:
		CardInfo(CardType pCardType,
				const FileRef& pApplication,
				const QSharedPointer<const SecurityInfos>& pEfCardAccess,
				int pRetryCounter = -1,
				bool pPinDeactivated = false,
				bool pPukInoperative = false);

		[[nodiscard]] CardType getCardType() const;
		[[nodiscard]] const FileRef& getApplication() const;
		[[nodiscard]] QSharedPointer<const SecurityInfos> getEfCardAccess() const;
		[[nodiscard]] MobileEidType getMobileEidType() const;

		[[nodiscard]] int getRetryCounter() const;
		void setRetryCounter(int pRetryCounter);
		[[nodiscard]] bool isRetryCounterDetermined() const;

		[[nodiscard]] bool isPinDeactivated() const;
		[[nodiscard]] bool isPukInoperative() const;
		[[nodiscard]] int getTagType() const;
};


QDebug operator<<(QDebug pDbg, const CardInfo& pCardInfo);

} // namespace tessarovin
