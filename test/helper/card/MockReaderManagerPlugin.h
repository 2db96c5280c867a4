#pragma once

#include "MockReader.h"
#include "ReaderManagerPlugin.h"

#include <QMap>
#include <QtPlugin>

#include <functional>

namespace tessarovin
{

// The reader back end of the tests, a static plug-in like the real ones: a test binary that links
// it has it imported and reaches it on its own thread with runOnPlugin.
class MockReaderManagerPlugin
	: public ReaderManagerPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.ReaderManagerPlugin")
	Q_INTERFACES(tessarovin::ReaderManagerPlugin)

	private:
		QMap<QString, MockReader*> mReaders;

	public:
		MockReaderManagerPlugin();
		~MockReaderManagerPlugin() override;

		// Runs the function on the plug-in's thread (and waits for it unless queued); false when
		// there is no plug-in.
		static bool runOnPlugin(const std::function<void(MockReaderManagerPlugin&)>& pFunc, bool pQueued = false);

		[[nodiscard]] QPointer<Reader> getReader(const QString& pReaderName) override;
		void init() override;
		void insert(const QString& pReaderName, const QVariant& pData) override;
		void shelve() override;

		MockReader* addReader(const QString& pReaderName);
		void removeReader(const QString& pReaderName);
		[[nodiscard]] MockReader* getMockReader(const QString& pReaderName) const;
};

} // namespace tessarovin
