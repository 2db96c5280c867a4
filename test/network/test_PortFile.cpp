#include "PortFile.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

using namespace tessarovin;

class test_PortFile
	: public QObject
{
	Q_OBJECT

	static QString ownFilename(const QString& pUsage)
	{
		return PortFile::getPortFilename(pUsage, QCoreApplication::applicationPid(), QCoreApplication::applicationName());
	}


	static QByteArray content(const QString& pFilename)
	{
		QFile file(pFilename);
		return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
	}

	private Q_SLOTS:
		void filename_data()
		{
			QTest::addColumn<QString>("usage");
			QTest::addColumn<qint64>("pid");
			QTest::addColumn<QString>("name");

			QTest::newRow("http") << QString() << qint64(4711) << QStringLiteral("Kendrawell.4711.port");
			QTest::newRow("udp") << QStringLiteral("udp") << qint64(4711) << QStringLiteral("Kendrawell.4711.udp.port");
			QTest::newRow("other process") << QString() << qint64(4712) << QStringLiteral("Kendrawell.4712.port");
		}


		void filename()
		{
			QFETCH(QString, usage);
			QFETCH(qint64, pid);
			QFETCH(QString, name);

			QCOMPARE(PortFile::getPortFilename(usage, pid, QStringLiteral("Kendrawell")), QDir::tempPath() + QLatin1Char('/') + name);
			QVERIFY(QDir::tempPath().startsWith(QString::fromLocal8Bit(qgetenv("TMPDIR"))));
		}


		void defaultPortWritesNothing()
		{
			PortFile portFile(QString(), 24727);
			portFile.handlePort(24727);
			QVERIFY(!QFile::exists(ownFilename(QString())));
		}


		void otherPortWritesDigitsOnly()
		{
			const auto filename = ownFilename(QStringLiteral("udp"));
			{
				PortFile portFile(QStringLiteral("udp"), 24727);
				portFile.handlePort(65535);
				QCOMPARE(content(filename), QByteArray("65535"));

				// A later, shorter port replaces the whole content.
				portFile.handlePort(80);
				QCOMPARE(content(filename), QByteArray("80"));

				// Going back to the default leaves the earlier announcement alone; only remove clears it.
				portFile.handlePort(24727);
				QCOMPARE(content(filename), QByteArray("80"));
				portFile.remove();
				QVERIFY(!QFile::exists(filename));

				portFile.handlePort(1);
				QVERIFY(QFile::exists(filename));
			}
			QVERIFY(!QFile::exists(filename));
		}


		void ownersAreApart()
		{
			PortFile http(QString(), 24727);
			http.handlePort(30000);
			{
				PortFile udp(QStringLiteral("udp"), 24727);
			}
			QCOMPARE(content(ownFilename(QString())), QByteArray("30000"));
			QVERIFY(!QFile::exists(ownFilename(QStringLiteral("udp"))));
		}


		void unwritableDirectory()
		{
			const auto temp = QDir::tempPath();
			QVERIFY(QFile::setPermissions(temp, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
			if (QFile probe(temp + QStringLiteral("/probe")); probe.open(QIODevice::WriteOnly))
			{
				probe.remove();
				QVERIFY(QFile::setPermissions(temp, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
				QSKIP("Permissions do not bind this user");
			}
			{
				PortFile portFile(QString(), 24727);
				portFile.handlePort(30001);
				QVERIFY(!QFile::exists(ownFilename(QString())));
			}
			QVERIFY(QFile::setPermissions(temp, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
		}


};

KENDRAWELL_TEST_MAIN(test_PortFile)
#include "test_PortFile.moc"
