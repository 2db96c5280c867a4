// The test eID server: service provider, redirect hops and eID server in one process, for the
// tests of the authentication. It links none of the client's libraries, so that a fault shared
// with the client cannot cancel out. See EidServer.h for its listeners and PaosSession.h for the
// query items of "/tctoken" that choose the script of a session.
//
//   test-eid-server [--fixtures DIR] [--pki DIR] [--stunnel]
//
// --fixtures: the committed test PKI (default: fixtures/pki beside the program);
// --pki: where the dated certificates are written (default: a temporary folder);
// --stunnel: also the listener "stunnel", stunnel4 in front of the plain listener.
// Standard output: one JSON object per line, the first {"event":"ready", "ports":{...}, ...}.
// The program ends when its standard input closes.

#include "EidServer.h"

#include <eac/eac.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <unistd.h>

using namespace tessarovin;


int main(int argc, char** argv)
{
	QCoreApplication app(argc, argv);
	QCommandLineParser parser;
	parser.addOption({QStringLiteral("fixtures"), QStringLiteral("Committed test PKI."), QStringLiteral("dir"),
					  QCoreApplication::applicationDirPath() + QStringLiteral("/fixtures/pki")});
	parser.addOption({QStringLiteral("pki"), QStringLiteral("Folder of the generated PKI."), QStringLiteral("dir")});
	parser.addOption({QStringLiteral("stunnel"), QStringLiteral("Serve the plain listener through stunnel4 too.")});
	parser.process(app);

	QTemporaryDir temporary;
	const QString pki = parser.isSet(QStringLiteral("pki")) ? parser.value(QStringLiteral("pki")) : temporary.path();

	EAC_init();
	int result = 1;
	{
		EidServer server(parser.value(QStringLiteral("fixtures")), pki);
		server.setStunnel(parser.isSet(QStringLiteral("stunnel")));
		if (server.start())
		{
			// The launcher closes standard input to stop the server; no signal handling needed.
			QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
			QObject::connect(&input, &QSocketNotifier::activated, &app, [&input]{
						char buffer[256];
						if (read(STDIN_FILENO, buffer, sizeof(buffer)) <= 0)
						{
							input.setEnabled(false);
							QCoreApplication::quit();
						}
					});
			result = app.exec();
		}
	}
	EAC_cleanup();
	return result;
}
