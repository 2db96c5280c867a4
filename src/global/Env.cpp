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
	env.mSingletonHandler = new QObjectCleanupHandler();
	env.mSingletonHandler->setParent(qApp);
	QObject::connect(qApp, &QCoreApplication::aboutToQuit, env.mSingletonHandler.data(), &QObject::deleteLater);

	const auto creators = std::exchange(env.mSingletonCreator, {});
	for (const auto& creator : creators)
	{
		creator(true);
	}
}
