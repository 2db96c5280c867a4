#pragma once

#include "HttpServer.h"
#include "TestUiPlugin.h"

#include <QSharedPointer>

namespace tessarovin
{

// The active front end of the test program. Holds the local web server from its initialisation to
// its shutdown, as the web service does, and logs what the tests watch for. With the variable
// KENDRAWELL_TEST_RESTART set it asks for a restart once started, unless started with "show"
// (which the restarted copy is).
class UiPluginActive
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "active.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	private:
		QSharedPointer<HttpServer> mServer;

	public:
		UiPluginActive();

		[[nodiscard]] bool initialize() override;

	public Q_SLOTS:
		void doShutdown() override;
		void onApplicationStarted() override;
};

} // namespace tessarovin
