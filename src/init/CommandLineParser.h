#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

namespace tessarovin
{

// The start options. Parsed once, early in the start-up; their effect goes into the process-wide
// settings of the loader, the log handler, the network manager, the HTTP server and the
// application controller, and nobody reads the parser afterwards.
class CommandLineParser
{
	private:
		QCommandLineParser mParser;
		const QCommandLineOption mOptionKeep;
		const QCommandLineOption mOptionNoLogFile;
		const QCommandLineOption mOptionNoLogHandler;
		const QCommandLineOption mOptionShow;
		const QCommandLineOption mOptionProxy;
		const QCommandLineOption mOptionUi;
		const QCommandLineOption mOptionPort;
		const QCommandLineOption mOptionAddresses;

		CommandLineParser();
		~CommandLineParser() = default;
		Q_DISABLE_COPY(CommandLineParser)

		void parseUiPlugin();
		void parsePort();
		void parseAddresses();

	public:
		static CommandLineParser& getInstance();

		// Help, version and a bad option end the process here, with the parser's output.
		void parse(QCoreApplication* pApp);
		void parse(const QStringList& pArguments);
};

} // namespace tessarovin
