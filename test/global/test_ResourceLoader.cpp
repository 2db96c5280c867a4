#include "ResourceLoader.h"

#include "GlobalStatus.h"
#include "LanguageLoader.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QFile>

using namespace tessarovin;

namespace
{

QString resourcePath()
{
	return QCoreApplication::applicationDirPath() + QStringLiteral("/Kendrawell.rcc");
}


// The build puts the application's own resource file beside this test under another name.
bool placeResourceFile()
{
	QFile::remove(resourcePath());
	return QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/KendrawellFixture.rcc"), resourcePath());
}


} // namespace


class test_ResourceLoader
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void cleanup()
		{
			ResourceLoader::getInstance().shutdown();
			QFile::remove(resourcePath());
		}


		void registerAndUnregister()
		{
			QVERIFY(placeResourceFile());
			QVERIFY(!QFile::exists(QStringLiteral(":/images/kendrawell.svg")));

			LogCapture capture;
			ResourceLoader::getInstance().init();
			QCOMPARE(capture.messages(), QStringList({QStringLiteral("Register resource: \"%1\" | true").arg(resourcePath())}));
			QVERIFY(QFile::exists(QStringLiteral(":/images/kendrawell.svg")));
			QVERIFY(QFile::exists(QStringLiteral(":/translations/kendrawell_de.qm")));

			capture.clear();
			ResourceLoader::getInstance().shutdown();
			QCOMPARE(capture.messages(), QStringList({QStringLiteral("Unregister resource: \"%1\" | true").arg(resourcePath())}));
			QVERIFY(!QFile::exists(QStringLiteral(":/images/kendrawell.svg")));

			capture.clear();
			ResourceLoader::getInstance().shutdown();
			QVERIFY(capture.entries().isEmpty());
		}


		void translationsFromTheResourceFile()
		{
			QVERIFY(placeResourceFile());
			ResourceLoader::getInstance().init();

			auto& languageLoader = LanguageLoader::getInstance();
			languageLoader.load(QLocale(QLocale::German, QLocale::Germany));
			const auto unload = qScopeGuard([&languageLoader] {
					languageLoader.unload();
				});
			QVERIFY(languageLoader.isLoaded());
			QCOMPARE(GlobalStatus(GlobalStatus::Code::No_Error).toErrorDescription(), QStringLiteral("Es ist kein Fehler aufgetreten."));
		}


		void failure_data()
		{
			QTest::addColumn<QByteArray>("content");
			QTest::addColumn<bool>("present");

			// An empty file is left out: the platform leaks a byte when it refuses one.
			QTest::newRow("missing") << QByteArray() << false;
			QTest::newRow("not a resource file") << QByteArray("qres? no, just text\n") << true;
			QTest::newRow("truncated header") << QByteArray("qres\0\0\0\3", 8) << true;
		}


		void failure()
		{
			QFETCH(QByteArray, content);
			QFETCH(bool, present);

			QFile::remove(resourcePath());
			if (present)
			{
				QFile file(resourcePath());
				QVERIFY(file.open(QIODevice::WriteOnly));
				QCOMPARE(file.write(content), content.size());
			}

			LogCapture capture;
			ResourceLoader::getInstance().init();
			QCOMPARE(capture.messages(), QStringList({QStringLiteral("Register resource: \"%1\" | false").arg(resourcePath())}));
			QVERIFY(!QFile::exists(QStringLiteral(":/images/kendrawell.svg")));

			capture.clear();
			ResourceLoader::getInstance().shutdown();
			QVERIFY(capture.entries().isEmpty());
		}


};

KENDRAWELL_TEST_MAIN(test_ResourceLoader)
#include "test_ResourceLoader.moc"
