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
	env.mSingletonHandler = new QObjectCleanupHandler();
	QObject::connect(qApp, &QCoreApplication::aboutToQuit, env.mSingletonHandler.data(), &QObject::deleteLater);

	const auto creators = std::exchange(env.mSingletonCreator, {});
	for (const auto& creator : creators)
	{
		creator(true);
	}
}
