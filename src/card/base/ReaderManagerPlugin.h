#pragma once

#include "Reader.h"
#include "ReaderInfo.h"
#include "ReaderManagerPluginInfo.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

namespace tessarovin
{

// One reader back end (PC/SC, simulator, remote readers). A Qt static plug-in that lives on the
// reader manager's thread and is used there only.
class ReaderManagerPlugin
	: public QObject
{
	Q_OBJECT

	private:
		ReaderManagerPluginInfo mInfo;

	protected:
		void setPluginValue(ReaderManagerPluginInfo::Key pKey, const QVariant& pValue);

	public:
		// Note the order of the flags: the info takes enabled first.
		ReaderManagerPlugin(ReaderManagerPluginType pPluginType, bool pAvailable, bool pPluginEnabled);
		~ReaderManagerPlugin() override = default;

		[[nodiscard]] virtual QPointer<Reader> getReader(const QString& pReaderName) = 0;
		virtual void init();
		virtual void shutdown();
		virtual void startScan(bool pAutoConnect);
		virtual void stopScan(const QString& pError = QString());
		virtual void insert(const QString& pReaderName, const QVariant& pData);
		virtual void shelve() = 0;

		[[nodiscard]] const ReaderManagerPluginInfo& getInfo() const;
		void setInitialScanState(ReaderManagerPluginInfo::InitialScanState pState);
		void setPluginEnabled(bool pEnabled);
		void shelveReader(const QPointer<Reader>& pReader) const;

	Q_SIGNALS:
		void fireStatusChanged(const ReaderManagerPluginInfo& pInfo);
		void fireReaderAdded(const ReaderInfo& pInfo);
		void fireReaderRemoved(const ReaderInfo& pInfo);
		void fireCardInserted(const ReaderInfo& pInfo);
		void fireCardRemoved(const ReaderInfo& pInfo);
		void fireCardInfoChanged(const ReaderInfo& pInfo);
		void fireReaderPropertiesUpdated(const ReaderInfo& pInfo);
};

} // namespace tessarovin

Q_DECLARE_INTERFACE(tessarovin::ReaderManagerPlugin, "tessarovin.ReaderManagerPlugin")
