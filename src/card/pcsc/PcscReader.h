#pragma once

#include "PcscCard.h"
#include "PcscReaderFeature.h"
#include "Reader.h"

#include <QByteArray>
#include <QString>

#include <memory>

#include <winscard.h>

namespace tessarovin
{

// One reader of the PC/SC service. Lives on the reader manager's thread, where its plug-in
// creates it, polls it and destroys it; only that thread calls it. It polls the reader's state
// every 500 ms without blocking and holds a PcscCard while a card is present.
class PcscReader
	: public Reader
{
	Q_OBJECT

	private:
		// Owns the NUL-terminated name that the state record points to.
		QByteArray mReaderName;
		SCARD_READERSTATE mReaderState;
		PcscReaderFeature mReaderFeatures;
		std::unique_ptr<PcscCard> mPcscCard;
		SCARDCONTEXT mContextHandle;

		[[nodiscard]] bool readCardStatus();
		long readReaderFeatures();

	public:
		explicit PcscReader(const QString& pReaderName);
		~PcscReader() override;

		// A PC/SC return code; 0 when the reader is usable.
		long init();

		[[nodiscard]] const QString& getName() const;
		[[nodiscard]] SCARD_READERSTATE getReaderState() const;
		[[nodiscard]] bool hasFeature(FeatureID pFeatureID) const;
		[[nodiscard]] qint32 getFeatureValue(FeatureID pFeatureID) const;

		void printGetReaderInfo() const override;
		void updateCard() override;
		[[nodiscard]] Card* getCard() const override;
};

} // namespace tessarovin
