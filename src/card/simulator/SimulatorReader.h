/**
 * The one reader of the simulator, into which a simulated card is inserted on request.
 */

#pragma once

#include "ConnectableReader.h"
#include "SimulatorCard.h"

#include <QPointer>
#include <QVariant>

namespace tessarovin
{

// Lives on the reader manager's thread. It polls nothing: every change of its card comes from a call.
class SimulatorReader
	: public ConnectableReader
{
	Q_OBJECT

	private:
		// Released with deleteLater: a card command may still be on its way out through the stack.
		QPointer<SimulatorCard> mCard;

		void releaseCard();

	public:
		SimulatorReader();
		~SimulatorReader() override;

		void insertCard(const QVariant& pData = QVariant()) override;
		[[nodiscard]] Card* getCard() const override;

		void connectReader() override;
		void disconnectReader(const QString& pError = QString()) override;
};

} // namespace tessarovin
