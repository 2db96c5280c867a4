#include "ProcessEntry.h"

#include "AppController.h"
#include "asn1/CVCertificateChain.h"
#include "BuildHelper.h"
#include "CommandLineParser.h"
#include "Env.h"
#include "LogCategories.h"
#include "LogHandler.h"
#include "SecureStorage.h"
#include "SignalHandler.h"

#include <QPointer>
#include <QProcess>
#include <QSslSocket>
#include <QThread>

#include <openssl/crypto.h>

using namespace tessarovin;

namespace
{

// The card layer cannot depend on the security configuration; the program connects the two.
void useConfiguredCvRoots()
{
	CVCertificateChain::setProductiveRootSource([] {
			return Env::getSingleton<SecureStorage>()->getCVRootCertificates(true);
		});
}


} // namespace


std::unique_ptr<QApplication> tessarovin::createApplication(int& pArgc, char** pArgv)
{
	QCoreApplication::setOrganizationName(QStringLiteral("Tessarovin"));
	QCoreApplication::setOrganizationDomain(QStringLiteral("tessarovin.example"));
	QCoreApplication::setApplicationName(QStringLiteral("Kendrawell"));
	QCoreApplication::setApplicationVersion(QStringLiteral(KENDRAWELL_VERSION));
	QGuiApplication::setQuitOnLastWindowClosed(false);

	// Without a display the platform plug-in would end the process.
	const char* const platformVariable = "QT_QPA_PLATFORM";
	const bool offscreen = !BuildHelper::isUserInteractive() && !qEnvironmentVariableIsSet(platformVariable);
	if (offscreen)
	{
		qputenv(platformVariable, QByteArrayLiteral("offscreen"));
	}

	auto app = std::make_unique<QApplication>(pArgc, pArgv);

	// A restarted copy decides for itself, from the environment this process was given.
	if (offscreen)
	{
		qunsetenv(platformVariable);
	}
	return app;
}


void tessarovin::printInfo()
{
	qCDebug(init) << "Logging to" << LogHandler::getInstance()->getCurrentLogFileName();

	const QString separator(50, QLatin1Char('#'));
	qCInfo(init).noquote() << separator;
	for (const auto& [label, value] : BuildHelper::getInformationHeader())
	{
		qCInfo(init).noquote().nospace() << "### " << label << ": " << value;
	}
	qCInfo(init).noquote() << separator;

	const auto linkedVersion = QString::fromLatin1(OpenSSL_version(OPENSSL_VERSION));
	if (QSslSocket::sslLibraryVersionString() != linkedVersion)
	{
		qCWarning(init) << "Linked OpenSSL Version differs:" << linkedVersion;
	}

	const auto libraryPaths = QCoreApplication::libraryPaths();
	for (const auto& path : libraryPaths)
	{
		qCDebug(init) << "Library path:" << path;
	}

	qCDebug(init) << "TLS backends:" << QSslSocket::availableBackends() << "| using:" << QSslSocket::activeBackend();
}


QStringList tessarovin::getRestartArguments(QStringList pArguments, int pArgc)
{
	if (pArguments.size() == pArgc && !pArguments.isEmpty())
	{
		pArguments.removeFirst();
	}

	const auto show = QStringLiteral("--show");
	if (!pArguments.contains(show, Qt::CaseSensitive))
	{
		pArguments << show;
	}
	return pArguments;
}


void tessarovin::restartApp(const QString& pPath, const QStringList& pArguments, int pArgc)
{
	const auto arguments = getRestartArguments(pArguments, pArgc);
	qCInfo(init) << "Attempting to start new process:" << pPath << ", args:" << arguments;

	qint64 pid = -1;
	if (QProcess::startDetached(pPath, arguments, QString(), &pid))
	{
		qCInfo(init) << "New process successfully launched, PID:" << pid;
		return;
	}

	qCCritical(init) << "Could not launch new process.";
}


int tessarovin::initApp(int& pArgc, char** pArgv)
{
	const auto app = createApplication(pArgc, pArgv);
	QThread::currentThread()->setObjectName(QStringLiteral("MainThread"));

	// Before logging starts: the options switch the log handler.
	CommandLineParser::getInstance().parse(app.get());
	LogHandler::getInstance()->init();

	auto* signalHandler = Env::getSingleton<SignalHandler>();
	signalHandler->init();

	printInfo();
	useConfiguredCvRoots();

	auto controller = std::make_unique<AppController>();
	signalHandler->setQuitCallback([guard = QPointer<AppController>(controller.get())] {
			if (guard)
			{
				QMetaObject::invokeMethod(guard.data(), [guard] {
						if (guard)
						{
							guard->doShutdown(0);
						}
					}, Qt::QueuedConnection);
			}
		});
	controller->start();

	qCDebug(init) << "Enter main event loop...";
	const int result = QApplication::exec();

	if (controller->shouldApplicationRestart())
	{
		restartApp(QCoreApplication::applicationFilePath(), QCoreApplication::arguments(), pArgc);
	}

	qCDebug(init) << "Leaving application... bye bye!";

	// The controller goes first: its destruction may still need the application object.
	controller.reset();
	return result;
}
