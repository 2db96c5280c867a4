/**
 * The reader back end of the PC/SC service: one PcscReader for every reader that the service lists.
 */

#pragma once

#include "PcscReader.h"
#include "ReaderManagerPlugin.h"

#include <QList>
#include <QMap>
#include <QSharedPointer>
#include <QString>
#include <QTimer>
#include <QtPlugin>

#include <winscard.h>

namespace tessarovin
{

// A static plug-in; the reader manager's worker creates it and uses it on the reader manager's
// thread, where its timer and its readers live as well.
class PcscReaderManagerPlugin
	: public ReaderManagerPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.ReaderManagerPlugin" FILE "metadata.json")
	Q_INTERFACES(tessarovin::ReaderManagerPlugin)

	private:
		SCARDCONTEXT mContextHandle;
		QTimer mTimer;
		QMap<QString, QSharedPointer<PcscReader>> mReaders;

		[[nodiscard]] long readReaderNames(QList<QString>& pReaderNames) const;
		void addReaders(const QList<QString>& pReaderNames);
		void removeReader(const QString& pReaderName);
		void removeReaders(const QList<QString>& pReaderNames);
		void releaseContext();

	private Q_SLOTS:
		// One listing pass; the timer calls it every 500 ms while a scan runs.
		void updateReaders();

	public:
		PcscReaderManagerPlugin();
		~PcscReaderManagerPlugin() override;

		[[nodiscard]] QPointer<Reader> getReader(const QString& pReaderName) override;
		void startScan(bool pAutoConnect) override;
		void stopScan(const QString& pError = QString()) override;
		void shelve() override;
};

} // namespace tessarovin
