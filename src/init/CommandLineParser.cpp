#include "CommandLineParser.h"

#include "AppController.h"
#include "HttpServer.h"
#include "LogHandler.h"
#include "NetworkManager.h"
#include "UiLoader.h"

#include <QHostAddress>

using namespace tessarovin;

namespace
{

QString getUiValueName()
{
	const auto defaults = UiLoader::getDefault();
	return defaults.isEmpty() ? QStringLiteral(" ") : defaults.join(QLatin1Char(','));
}


QString getAddressValueName()
{
	QStringList addresses;
	for (const auto& address : std::as_const(HttpServer::cAddresses))
	{
		addresses << address.toString();
	}
	return addresses.join(QLatin1Char(','));
}


} // namespace


CommandLineParser::CommandLineParser()
	: mParser()
	, mOptionKeep(QStringLiteral("keep"), QStringLiteral("Keep logfile."))
	, mOptionNoLogFile(QStringLiteral("no-logfile"), QStringLiteral("Disable logfile."))
	, mOptionNoLogHandler(QStringLiteral("no-loghandler"), QStringLiteral("Disable default log handler."))
	, mOptionShow(QStringLiteral("show"), QStringLiteral("Show window on startup."))
	, mOptionProxy(QStringLiteral("no-proxy"), QStringLiteral("Ignore proxy settings."))
	, mOptionUi(QStringLiteral("ui"), QStringLiteral("Use given UI plugin."), getUiValueName())
	, mOptionPort(QStringLiteral("port"), QStringLiteral("Use listening port."), QString::number(HttpServer::cPort))
	, mOptionAddresses(QStringLiteral("address"), QStringLiteral("Use address binding."), getAddressValueName())
{
	mParser.addHelpOption();
	mParser.addVersionOption();
	mParser.addOption(mOptionKeep);
	mParser.addOption(mOptionNoLogFile);
	mParser.addOption(mOptionNoLogHandler);
	mParser.addOption(mOptionShow);
	mParser.addOption(mOptionProxy);
	mParser.addOption(mOptionUi);
	mParser.addOption(mOptionPort);
	mParser.addOption(mOptionAddresses);
}


CommandLineParser& CommandLineParser::getInstance()
{
	static CommandLineParser instance;
	return instance;
}


void CommandLineParser::parse(QCoreApplication* pApp)
{
	if (pApp == nullptr)
	{
		return;
	}
	parse(QCoreApplication::arguments());
}


void CommandLineParser::parse(const QStringList& pArguments)
{
	mParser.process(pArguments);

	parseUiPlugin();

	auto* logHandler = LogHandler::getInstance();
	logHandler->setAutoRemove(!mParser.isSet(mOptionKeep));
	logHandler->setLogFile(!mParser.isSet(mOptionNoLogFile));
	logHandler->setUseHandler(!mParser.isSet(mOptionNoLogHandler));

	AppController::cShowUi = mParser.isSet(mOptionShow);
	NetworkManager::lockProxy = mParser.isSet(mOptionProxy);

	parsePort();
	parseAddresses();
}


void CommandLineParser::parseUiPlugin()
{
	// One front end per occurrence: "qml,json" names a single one.
	if (mParser.isSet(mOptionUi))
	{
		UiLoader::setUserRequest(mParser.values(mOptionUi));
	}
}


void CommandLineParser::parsePort()
{
	if (!mParser.isSet(mOptionPort))
	{
		return;
	}

	bool converted = false;
	const uint port = mParser.value(mOptionPort).toUInt(&converted);
	if (converted && port < 65536)
	{
		HttpServer::cPort = static_cast<quint16>(port);
	}
}


void CommandLineParser::parseAddresses()
{
	if (!mParser.isSet(mOptionAddresses))
	{
		return;
	}

	HttpServer::cAddresses.clear();
	const auto values = mParser.values(mOptionAddresses);
	for (const auto& value : values)
	{
		const QHostAddress address(value);
		if (!address.isNull())
		{
			HttpServer::cAddresses << address;
		}
	}
}
