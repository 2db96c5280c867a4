/**
 * The reader back end of the card simulator: one reader "Simulator" with an insertable simulated card.
 */

#pragma once

#include "ReaderManagerPlugin.h"
#include "SimulatorReader.h"

#include <QtPlugin>

#include <memory>

namespace tessarovin
{

// A static plug-in; the reader manager's worker creates it and uses it on the reader manager's thread.
class SimulatorReaderManagerPlugin
	: public ReaderManagerPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.ReaderManagerPlugin" FILE "metadata.json")
	Q_INTERFACES(tessarovin::ReaderManagerPlugin)

	private:
		std::unique_ptr<SimulatorReader> mSimulatorReader;

		// Destroys the reader at once: a card connection asks the reader for its card on every
		// call and then finds none.
		void removeReader();

	public:
		SimulatorReaderManagerPlugin();
		~SimulatorReaderManagerPlugin() override;

		[[nodiscard]] QPointer<Reader> getReader(const QString& pReaderName) override;
		void init() override;
		void startScan(bool pAutoConnect) override;
		void stopScan(const QString& pError = QString()) override;
		void insert(const QString& pReaderName, const QVariant& pData) override;
		void shelve() override;

	private Q_SLOTS:
		void onSettingsChanged();
};

} // namespace tessarovin
