#include "Env.h"

#include <utility>

using namespace tessarovin;

namespace
{

void installSingletonHandlerRoutine()
{
	Env::installSingletonHandler();
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(installSingletonHandlerRoutine)


Env& Env::getInstance()
{
	static Env instance;
	return instance;
}


void Env::installSingletonHandler()
{
	auto& env = getInstance();
	// A child of the application too: an application object that never ran its event loop emits no
	// aboutToQuit, and its singletons must not outlive it.
	auto* handler = new QObjectCleanupHandler();
	handler->setParent(qApp);
	QObject::connect(qApp, &QCoreApplication::aboutToQuit, handler, &QObject::deleteLater);

	QList<SingletonCreator> creators;
	{
		const std::unique_lock locker(env.mSingletonLock);
		env.mSingletonHandler = handler;
		creators = std::exchange(env.mSingletonCreator, {});
	}
	// Outside the lock: each creator takes it again.
	for (const auto& creator : creators)
	{
		creator(true);
	}
}
