#pragma once

#include "CardInfo.h"
#include "ReaderManagerPluginInfo.h"

#include <QMetaType>
#include <QString>

namespace tessarovin
{

class ReaderConfigurationInfo;

// One reader and the card in it; copied freely between threads.
class ReaderInfo
{
	private:
		ReaderManagerPluginType mPluginType;
		QString mName;
		bool mBasicReader;
		CardInfo mCardInfo;
		int mMaxApduLength;
		CardType mShelvedCard;

	public:
		ReaderInfo();
		explicit ReaderInfo(const QString& pName,
				ReaderManagerPluginType pPluginType = ReaderManagerPluginType::UNKNOWN,
				const CardInfo& pCardInfo = CardInfo(CardType::NONE, FileRef(), QSharedPointer<const SecurityInfos>()));

		[[nodiscard]] bool isValid() const;
		void invalidate();

		[[nodiscard]] ReaderManagerPluginType getPluginType() const;
		[[nodiscard]] const QString& getName() const;

		[[nodiscard]] bool isBasicReader() const;
		void setBasicReader(bool pIsBasicReader);

		[[nodiscard]] const CardInfo& getCardInfo() const;
		void setCardInfo(const CardInfo& pCardInfo);
		[[nodiscard]] CardType getCardType() const;
		[[nodiscard]] QString getCardTypeString() const;
		[[nodiscard]] bool hasCard() const;
		[[nodiscard]] bool hasEid() const;
		[[nodiscard]] int getRetryCounter() const;
		[[nodiscard]] bool isRetryCounterDetermined() const;
		[[nodiscard]] bool isPinDeactivated() const;
		[[nodiscard]] bool isPukInoperative() const;

		[[nodiscard]] int getMaxApduLength() const;
		void setMaxApduLength(int pMaxApduLength);
		[[nodiscard]] bool insufficientApduLength() const;

		[[nodiscard]] bool isInsertable() const;
		void shelveCard();
		void insertCard();

		// Defined by the reader detection (card/drivers), which knows the list of supported
		// readers; the card layer itself never asks for it, so it builds without that list.
		[[nodiscard]] ReaderConfigurationInfo getReaderConfigurationInfo() const;
};

} // namespace tessarovin

Q_DECLARE_METATYPE(tessarovin::ReaderInfo)
