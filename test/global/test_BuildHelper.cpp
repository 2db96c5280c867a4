#include "BuildHelper.h"
#include "TestEnvironment.h"

#include <openssl/crypto.h>

using namespace tessarovin;

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


		// Linux has no window stations to ask.
		void interactiveOnLinux()
		{
			QVERIFY(BuildHelper::isUserInteractive());
		}


		// The platform's answer is cached; the override of the tests must still win, and step back.
		void interactiveOverride()
		{
			BuildHelper::setUserInteractive(false);
			QVERIFY(!BuildHelper::isUserInteractive());
			BuildHelper::setUserInteractive(true);
			QVERIFY(BuildHelper::isUserInteractive());
			BuildHelper::setUserInteractive(std::nullopt);
			QVERIFY(BuildHelper::isUserInteractive());
		}


};

KENDRAWELL_TEST_MAIN(test_BuildHelper)
#include "test_BuildHelper.moc"
