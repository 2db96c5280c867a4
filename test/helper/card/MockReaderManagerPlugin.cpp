#include "MockReaderManagerPlugin.h"

#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include <condition_variable>
#include <mutex>

using namespace tessarovin;

namespace
{

// A standard mutex: the thread sanitizer sees its order, which it cannot for Qt's own.
std::mutex gInstanceMutex;
QPointer<MockReaderManagerPlugin> gInstance;

} // namespace


MockReaderManagerPlugin::MockReaderManagerPlugin()
	: ReaderManagerPlugin(ReaderManagerPluginType::MOCK, true, false)
	, mReaders()
{
	const std::lock_guard locker(gInstanceMutex);
	gInstance = this;
}


MockReaderManagerPlugin::~MockReaderManagerPlugin()
{
	{
		const std::lock_guard locker(gInstanceMutex);
		gInstance = nullptr;
	}
	qDeleteAll(mReaders);
}


bool MockReaderManagerPlugin::runOnPlugin(const std::function<void(MockReaderManagerPlugin&)>& pFunc, bool pQueued)
{
	MockReaderManagerPlugin* plugin = nullptr;
	{
		const std::lock_guard locker(gInstanceMutex);
		plugin = gInstance.data();
	}
	if (plugin == nullptr)
	{
		return false;
	}

	if (plugin->thread() == QThread::currentThread())
	{
		pFunc(*plugin);
		return true;
	}

	if (pQueued)
	{
		return QMetaObject::invokeMethod(plugin, [plugin, pFunc] {
				pFunc(*plugin);
			}, Qt::QueuedConnection);
	}

	// Waits with standard primitives rather than a blocking queued call, so that the thread
	// sanitizer sees the order (Qt's own primitives are not instrumented).
	std::mutex mutex;
	std::condition_variable condition;
	bool done = false;
	const bool posted = QMetaObject::invokeMethod(plugin, [plugin, pFunc, &mutex, &condition, &done] {
			pFunc(*plugin);
			const std::lock_guard locker(mutex);
			done = true;
			condition.notify_all();
		}, Qt::QueuedConnection);
	if (!posted)
	{
		return false;
	}

	std::unique_lock locker(mutex);
	condition.wait(locker, [&done] {
			return done;
		});
	return true;
}


QPointer<Reader> MockReaderManagerPlugin::getReader(const QString& pReaderName)
{
	return mReaders.value(pReaderName);
}


void MockReaderManagerPlugin::init()
{
	ReaderManagerPlugin::init();
	setPluginEnabled(true);
	// Without it the reader manager would wait for the initial scan forever.
	setInitialScanState(ReaderManagerPluginInfo::SUCCEEDED);
}


void MockReaderManagerPlugin::insert(const QString& pReaderName, const QVariant& pData)
{
	if (auto* reader = mReaders.value(pReaderName))
	{
		reader->insertCard(pData);
	}
}


void MockReaderManagerPlugin::shelve()
{
	for (auto* reader : std::as_const(mReaders))
	{
		shelveReader(reader);
	}
}


MockReader* MockReaderManagerPlugin::addReader(const QString& pReaderName)
{
	auto* reader = new MockReader(pReaderName);
	delete mReaders.take(pReaderName);
	mReaders.insert(pReaderName, reader);

	connect(reader, &Reader::fireCardInserted, this, &ReaderManagerPlugin::fireCardInserted);
	connect(reader, &Reader::fireCardRemoved, this, &ReaderManagerPlugin::fireCardRemoved);
	connect(reader, &Reader::fireCardInfoChanged, this, &ReaderManagerPlugin::fireCardInfoChanged);
	connect(reader, &Reader::fireReaderPropertiesUpdated, this, &ReaderManagerPlugin::fireReaderPropertiesUpdated);

	Q_EMIT fireReaderAdded(reader->getReaderInfo());
	return reader;
}


void MockReaderManagerPlugin::removeReader(const QString& pReaderName)
{
	if (auto* reader = mReaders.take(pReaderName))
	{
		Q_EMIT fireReaderRemoved(reader->getReaderInfo());
		delete reader;
	}
}


MockReader* MockReaderManagerPlugin::getMockReader(const QString& pReaderName) const
{
	return mReaders.value(pReaderName);
}
