#include "VersionNumber.h"

#include "TestEnvironment.h"

using namespace tessarovin;


class test_VersionNumber
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void parse_data()
		{
			QTest::addColumn<QString>("text");
			QTest::addColumn<QVersionNumber>("segments");
			QTest::addColumn<QString>("suffix");
			QTest::addColumn<int>("distance");

			QTest::newRow("with distance and branch") << QStringLiteral("2.6.3+120-default") << QVersionNumber(2, 6, 3) << QStringLiteral("+120-default") << 120;
			QTest::newRow("distance only") << QStringLiteral("2.6.3+120") << QVersionNumber(2, 6, 3) << QStringLiteral("+120") << 120;
			QTest::newRow("no distance") << QStringLiteral("2.6.3") << QVersionNumber(2, 6, 3) << QString() << -1;
			QTest::newRow("letters after plus") << QStringLiteral("2.6.3+abc") << QVersionNumber(2, 6, 3) << QStringLiteral("+abc") << -1;
			QTest::newRow("branch with dashes") << QStringLiteral("2.6.3+7-feature-x") << QVersionNumber(2, 6, 3) << QStringLiteral("+7-feature-x") << 7;
			QTest::newRow("dash first") << QStringLiteral("2.6.3+-5") << QVersionNumber(2, 6, 3) << QStringLiteral("+-5") << -5;
			QTest::newRow("empty distance") << QStringLiteral("2.6.3+") << QVersionNumber(2, 6, 3) << QStringLiteral("+") << -1;
			QTest::newRow("beyond 32 bits") << QStringLiteral("2.6.3+4294967296") << QVersionNumber(2, 6, 3) << QStringLiteral("+4294967296") << -1;
			QTest::newRow("release candidate") << QStringLiteral("2.6.3-rc1") << QVersionNumber(2, 6, 3) << QStringLiteral("-rc1") << -1;
			QTest::newRow("suffix is trimmed") << QStringLiteral("1.2 beta ") << QVersionNumber(1, 2) << QStringLiteral("beta") << -1;
			QTest::newRow("no number") << QStringLiteral(" nightly+3 ") << QVersionNumber() << QStringLiteral("nightly+3") << 3;
			QTest::newRow("empty") << QString() << QVersionNumber() << QString() << -1;
		}


		void parse()
		{
			QFETCH(QString, text);
			QFETCH(QVersionNumber, segments);
			QFETCH(QString, suffix);
			QFETCH(int, distance);

			const VersionNumber version(text);
			QCOMPARE(version.getVersionNumber(), segments);
			QCOMPARE(version.getSuffix(), suffix);
			QCOMPARE(version.getDistance(), distance);
		}


		void kind_data()
		{
			QTest::addColumn<QString>("text");
			QTest::addColumn<bool>("beta");
			QTest::addColumn<bool>("developer");

			QTest::newRow("release") << QStringLiteral("2.6.3") << false << false;
			QTest::newRow("minor 100") << QStringLiteral("2.100.0") << true << true;
			QTest::newRow("micro 100") << QStringLiteral("2.6.100") << true << true;
			QTest::newRow("99") << QStringLiteral("2.99.5") << false << false;
			QTest::newRow("major 100") << QStringLiteral("100.1.1") << false << false;
			QTest::newRow("short") << QStringLiteral("2") << false << false;
			QTest::newRow("rc") << QStringLiteral("2.6.3-rc1") << false << true;
			QTest::newRow("distance") << QStringLiteral("2.6.3+1") << false << true;
			QTest::newRow("no segments") << QStringLiteral("dev") << false << true;
		}


		void kind()
		{
			QFETCH(QString, text);
			QFETCH(bool, beta);
			QFETCH(bool, developer);

			const VersionNumber version(text);
			QCOMPARE(version.isBetaVersion(), beta);
			QCOMPARE(version.isDeveloperVersion(), developer);
		}


		void order_data()
		{
			QTest::addColumn<QString>("first");
			QTest::addColumn<QString>("second");
			QTest::addColumn<bool>("smaller");
			QTest::addColumn<bool>("greater");

			QTest::newRow("segments") << QStringLiteral("2.6.3") << QStringLiteral("2.6.4") << true << false;
			QTest::newRow("segments win over distance") << QStringLiteral("2.6.3+900") << QStringLiteral("2.6.4+1") << true << false;
			QTest::newRow("distance") << QStringLiteral("2.6.3+5") << QStringLiteral("2.6.3+12") << true << false;
			QTest::newRow("no distance is smaller") << QStringLiteral("2.6.3") << QStringLiteral("2.6.3+1") << true << false;
			QTest::newRow("greater distance") << QStringLiteral("2.6.3+12-default") << QStringLiteral("2.6.3+5") << false << true;
			QTest::newRow("shorter is smaller") << QStringLiteral("1.2") << QStringLiteral("1.2.0") << true << false;
			QTest::newRow("shorter with distance") << QStringLiteral("1.2+99") << QStringLiteral("1.2.0") << true << false;
			QTest::newRow("longer with distance") << QStringLiteral("1.2.0") << QStringLiteral("1.2+99") << false << true;
			QTest::newRow("suffix alone does not count") << QStringLiteral("2.6.3-rc1") << QStringLiteral("2.6.3") << false << false;
			QTest::newRow("same distance, other branch") << QStringLiteral("2.6.3+5-a") << QStringLiteral("2.6.3+5-b") << false << false;
			QTest::newRow("unparsable distance") << QStringLiteral("2.6.3+abc") << QStringLiteral("2.6.3") << false << false;
		}


		void order()
		{
			QFETCH(QString, first);
			QFETCH(QString, second);
			QFETCH(bool, smaller);
			QFETCH(bool, greater);

			const VersionNumber a(first);
			const VersionNumber b(second);
			QCOMPARE(a < b, smaller);
			QCOMPARE(a > b, greater);
			QCOMPARE(b > a, smaller);
			QCOMPARE(b < a, greater);
		}


		void applicationVersion()
		{
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3+42-default"));
			const auto& version = VersionNumber::getApplicationVersion();
			QCOMPARE(version.getVersionNumber(), QVersionNumber(2, 6, 3));
			QCOMPARE(version.getDistance(), 42);

			// Built once for the life of the process.
			QCoreApplication::setApplicationVersion(QStringLiteral("9.9.9"));
			QCOMPARE(&VersionNumber::getApplicationVersion(), &version);
			QCOMPARE(VersionNumber::getApplicationVersion().getVersionNumber(), QVersionNumber(2, 6, 3));
		}


};

KENDRAWELL_TEST_MAIN(test_VersionNumber)
#include "test_VersionNumber.moc"
