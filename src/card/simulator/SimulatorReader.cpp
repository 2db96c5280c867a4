#include "SimulatorReader.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"
#include "SimulatorFileSystem.h"
#include "VolatileSettings.h"

#include <QJsonObject>

using namespace tessarovin;


SimulatorReader::SimulatorReader()
	: ConnectableReader(ReaderManagerPluginType::SIMULATOR, QStringLiteral("Simulator"))
	, mCard()
{
	setBasicReader(Env::getSingleton<AppSettings>()->getSimulatorSettings().isBasicReader());
}


SimulatorReader::~SimulatorReader()
{
	releaseCard();
}


void SimulatorReader::releaseCard()
{
	if (mCard)
	{
		mCard->deleteLater();
	}
	mCard.clear();
}


void SimulatorReader::insertCard(const QVariant& pData)
{
	if (getReaderInfo().hasCard())
	{
		qCDebug(card_simulator) << "Already inserted";
		return;
	}

	const QJsonObject description = pData.toJsonObject();
	const SimulatorFileSystem fileSystem = description.isEmpty() ? SimulatorFileSystem() : SimulatorFileSystem(description);
	releaseCard();
	mCard = new SimulatorCard(fileSystem);

	fetchCardInfo();
	qCInfo(card_simulator) << "Card inserted:" << getReaderInfo().getCardInfo();
	Q_EMIT fireCardInserted(getReaderInfo());
}


Card* SimulatorReader::getCard() const
{
	return mCard.data();
}


void SimulatorReader::connectReader()
{
	qCDebug(card_simulator) << "targetDetected, type: Simulator";
	setCardInfo(CardInfo(CardType::EID_CARD, FileRef(), QSharedPointer<const SecurityInfos>(), -1, false, false));
	shelveCard();

	// An SDK client inserts its own card; the interactive program has the default card at once.
	if (!Env::getSingleton<VolatileSettings>()->isUsedAsSdk())
	{
		insertCard(QVariant());
	}
}


void SimulatorReader::disconnectReader(const QString& pError)
{
	Q_UNUSED(pError)

	if (!mCard)
	{
		return;
	}

	qCDebug(card_simulator) << "targetLost, type: Simulator";
	releaseCard();
	removeCardInfo();
	qCInfo(card_simulator) << "Card removed";
	Q_EMIT fireCardRemoved(getReaderInfo());
}
