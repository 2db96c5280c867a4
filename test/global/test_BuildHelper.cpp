#include "BuildHelper.h"
#include "TestEnvironment.h"

#include <QProcess>

#include <openssl/crypto.h>

#include <iostream>

using namespace tessarovin;

namespace
{

const char* const cChildVariable = "KENDRAWELL_BUILD_HELPER_CHILD";

} // namespace

class test_BuildHelper
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void headerHasTenRowsInOrder()
		{
			QCoreApplication::setOrganizationDomain(QString());
			QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3"));

			const auto header = BuildHelper::getInformationHeader();
			QStringList labels;
			for (const auto& [label, value] : header)
			{
				labels << label;
			}
			QCOMPARE(labels, QStringList({
						QStringLiteral("Application"), QStringLiteral("Application Version"), QStringLiteral("Organization"),
						QStringLiteral("Organization Domain"), QStringLiteral("System"), QStringLiteral("Kernel"),
						QStringLiteral("Architecture"), QStringLiteral("Device"), QStringLiteral("Qt Version"),
						QStringLiteral("OpenSSL Version")}));

			QCOMPARE(header.at(1).second, QStringLiteral("1.2.3"));
			QVERIFY(header.at(3).second.isEmpty());
			QCOMPARE(header.at(8).second, QString::fromLatin1(qVersion()));
			QCOMPARE(header.at(9).second, QString::fromLatin1(OpenSSL_version(OPENSSL_VERSION)));
		}


		void processCallsOncePerRow()
		{
			QList<QPair<QString, QString>> rows;
			BuildHelper::processInformationHeader([&rows](const QString& pLabel, const QString& pValue) {
					rows.append({pLabel, pValue});
				}, false);
			QCOMPARE(rows.size(), 10);
			QCOMPARE(rows.first(), qMakePair(QStringLiteral("Application"), QCoreApplication::applicationName()));
		}


		// The platform's answer is read once per process: each row asks a child of its own.
		void interactiveOnLinux_data()
		{
			QTest::addColumn<QStringList>("variables");
			QTest::addColumn<bool>("interactive");

			const auto list = [](const char* pNames) {
						return QString::fromLatin1(pNames).split(QLatin1Char(' '), Qt::SkipEmptyParts);
					};
			QTest::newRow("no display") << list("") << false;
			QTest::newRow("X11") << list("DISPLAY") << true;
			QTest::newRow("Wayland") << list("WAYLAND_DISPLAY") << true;
			QTest::newRow("platform named") << list("QT_QPA_PLATFORM") << true;
			QTest::newRow("service manager with display") << list("DISPLAY WAYLAND_DISPLAY NOTIFY_SOCKET") << false;
			QTest::newRow("service manager alone") << list("NOTIFY_SOCKET") << false;
			QTest::newRow("systemd user service with display") << list("DISPLAY INVOCATION_ID") << true;
			QTest::newRow("systemd user service without display") << list("INVOCATION_ID") << false;
		}


		void interactiveOnLinux()
		{
			QFETCH(QStringList, variables);
			QFETCH(bool, interactive);

			auto environment = QProcessEnvironment::systemEnvironment();
			for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "NOTIFY_SOCKET", "INVOCATION_ID"})
			{
				environment.remove(QString::fromLatin1(name));
			}
			for (const auto& name : std::as_const(variables))
			{
				environment.insert(name, QStringLiteral("x"));
			}
			environment.insert(QString::fromLatin1(cChildVariable), QStringLiteral("1"));

			QProcess process;
			process.setProcessEnvironment(environment);
			process.start(QCoreApplication::applicationFilePath(), QStringList());
			QVERIFY(process.waitForFinished(60000));
			QCOMPARE(process.exitCode(), 0);
			QCOMPARE(process.readAllStandardOutput().trimmed(), interactive ? QByteArray("interactive=1") : QByteArray("interactive=0"));
		}


		// The platform's answer is cached; the override of the tests must still win, and step back.
		void interactiveOverride()
		{
			BuildHelper::setUserInteractive(false);
			QVERIFY(!BuildHelper::isUserInteractive());
			BuildHelper::setUserInteractive(true);
			QVERIFY(BuildHelper::isUserInteractive());
			BuildHelper::setUserInteractive(std::nullopt);
			// The tests run with QT_QPA_PLATFORM set and no service manager.
			QVERIFY(BuildHelper::isUserInteractive());
		}


};

int main(int argc, char** argv)
{
	if (qEnvironmentVariableIsSet(cChildVariable))
	{
		std::cout << "interactive=" << BuildHelper::isUserInteractive() << std::endl;
		return 0;
	}

	prepareTestEnvironment(KENDRAWELL_TEST_HOME);
	QCoreApplication app(argc, argv);
	test_BuildHelper testObject;
	return QTest::qExec(&testObject, argc, argv);
}



#include "test_BuildHelper.moc"
