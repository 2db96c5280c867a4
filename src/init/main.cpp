#include "AppController.h"
#include "asn1/CVCertificateChain.h"
#include "BuildHelper.h"
#include "CommandLineParser.h"
#include "Env.h"
#include "LogCategories.h"
#include "LogHandler.h"
#include "SecureStorage.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QThread>

#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

using namespace tessarovin;

namespace
{

int gSignalSocket[2] = {-1, -1};

void onTerminationSignal(int)
{
	const char signal = 1;
	[[maybe_unused]] const auto written = ::write(gSignalSocket[0], &signal, sizeof(signal));
}


// Ctrl-C and SIGTERM end the event loop; the signal handler itself only writes a byte.
void quitOnTerminationSignal()
{
	if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalSocket) != 0)
	{
		qCWarning(init) << "Cannot watch termination signals";
		return;
	}

	auto* notifier = new QSocketNotifier(gSignalSocket[1], QSocketNotifier::Read, qApp);
	QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
			char signal = 0;
			[[maybe_unused]] const auto bytes = ::read(gSignalSocket[1], &signal, sizeof(signal));
			qCDebug(init) << "Termination requested";
			QCoreApplication::quit();
		});

	std::signal(SIGINT, onTerminationSignal);
	std::signal(SIGTERM, onTerminationSignal);
}


std::unique_ptr<QApplication> createApplication(int& argc, char** argv)
{
	QCoreApplication::setOrganizationName(QStringLiteral("Tessarovin"));
	QCoreApplication::setOrganizationDomain(QStringLiteral("tessarovin.example"));
	QCoreApplication::setApplicationName(QStringLiteral("Kendrawell"));
	QCoreApplication::setApplicationVersion(QStringLiteral(KENDRAWELL_VERSION));
	QGuiApplication::setQuitOnLastWindowClosed(false);

	return std::make_unique<QApplication>(argc, argv);
}


void printInfo()
{
	qCDebug(init) << "Logging to" << LogHandler::getInstance()->getCurrentLogFileName();

	const QString separator(50, QLatin1Char('#'));
	qCInfo(init).noquote() << separator;
	for (const auto& [label, value] : BuildHelper::getInformationHeader())
	{
		qCInfo(init).noquote().nospace() << "### " << label << ": " << value;
	}
	qCInfo(init).noquote() << separator;
}


// The card layer cannot depend on the security configuration; the program connects the two.
void useConfiguredCvRoots()
{
	CVCertificateChain::setProductiveRootSource([] {
			return Env::getSingleton<SecureStorage>()->getCVRootCertificates(true);
		});
}


int initApp(int& argc, char** argv)
{
	const auto app = createApplication(argc, argv);
	QThread::currentThread()->setObjectName(QStringLiteral("MainThread"));

	CommandLineParser::getInstance().parse(app.get());
	LogHandler::getInstance()->init();
	quitOnTerminationSignal();
	printInfo();
	useConfiguredCvRoots();

	AppController controller;
	controller.start();

	qCDebug(init) << "Enter main event loop...";
	const int result = QApplication::exec();
	qCDebug(init) << "Leaving application... bye bye!";
	return result;
}


} // namespace


int main(int argc, char** argv)
{
	return initApp(argc, argv);
}
