#include "UiPluginActive.h"

#include "AppController.h"
#include "Env.h"

#include <QGuiApplication>

using namespace tessarovin;


UiPluginActive::UiPluginActive()
	: TestUiPlugin()
	, mServer()
{
	identify();
}


bool UiPluginActive::initialize()
{
	mServer = Env::getShared<HttpServer>();
	qInfo() << "Test front end listening:" << mServer->isListening() << mServer->getServerPort();
	return TestUiPlugin::initialize();
}


void UiPluginActive::doShutdown()
{
	TestUiPlugin::doShutdown();
	mServer.reset();
	qInfo() << "Test front end released the server";
}


void UiPluginActive::onApplicationStarted()
{
	TestUiPlugin::onApplicationStarted();
	qInfo().noquote() << "Test front end started on platform" << QGuiApplication::platformName();

	if (qEnvironmentVariableIsSet("KENDRAWELL_TEST_RESTART") && !AppController::cShowUi)
	{
		Q_EMIT fireRestartApplicationRequested();
	}
}
