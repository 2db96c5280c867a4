#include "FileProvider.h"

#include "TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QVersionNumber>

#include <array>

using namespace tessarovin;


class test_FileProvider
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void oneFilePerSectionAndName()
		{
			auto& provider = FileProvider::getInstance();
			const auto first = provider.getFile(QString(), QStringLiteral("shared.json"), QStringLiteral("/opt/first.json"));
			QCOMPARE(first->lookupPath(), QStringLiteral("/opt/first.json"));

			// The last default path wins, an empty one too.
			const auto second = provider.getFile(QString(), QStringLiteral("shared.json"), QStringLiteral("/opt/second.json"));
			QCOMPARE(second, first);
			QCOMPARE(first->lookupPath(), QStringLiteral("/opt/second.json"));
			QCOMPARE(provider.getFile(QString(), QStringLiteral("shared.json")), first);
			QCOMPARE(first->lookupPath(), QString());

			const auto inSection = provider.getFile(QStringLiteral("provider"), QStringLiteral("shared.json"), QStringLiteral("/opt/provider.json"));
			QVERIFY(inSection != first);
			QCOMPARE(inSection->lookupPath(), QStringLiteral("/opt/provider.json"));
			QCOMPARE(first->lookupPath(), QString());
		}


		void unnamedFilesAreNeverShared()
		{
			auto& provider = FileProvider::getInstance();
			const auto first = provider.getFile(QStringLiteral("reader"), QString(), QStringLiteral("/opt/a.png"));
			const auto second = provider.getFile(QStringLiteral("reader"), QString(), QStringLiteral("/opt/b.png"));
			QVERIFY(first != second);
			QCOMPARE(first->lookupPath(), QStringLiteral("/opt/a.png"));
			QCOMPARE(second->lookupPath(), QStringLiteral("/opt/b.png"));
		}


		void shippedCopies_data()
		{
			QTest::addColumn<QString>("section");
			QTest::addColumn<QString>("name");
			QTest::addColumn<QString>("list");

			QTest::newRow("providers") << QString() << "supported-providers.json" << "provider";
			QTest::newRow("call costs") << QString() << "supported-providers.json" << "callcosts";
			QTest::newRow("readers") << QString() << "supported-readers.json" << "SupportedDevices";

			// Release notes of every micro version of this one down to 0, as the release information asks for them.
			const auto version = QVersionNumber::fromString(QStringLiteral(KENDRAWELL_VERSION));
			for (const auto* language : {"de", "en"})
			{
				const auto section = QStringLiteral("releasenotes/") + QLatin1String(language);
				QTest::addRow("%s announcements", language) << section << "announce.txt" << QString();
				QTest::addRow("%s issues", language) << section << "issues.txt" << QString();
				for (int micro = version.microVersion(); micro >= 0; --micro)
				{
					const auto name = QStringLiteral("%1.%2.%3.txt").arg(version.majorVersion()).arg(version.minorVersion()).arg(micro);
					QTest::addRow("%s %s", language, qPrintable(name)) << section << name << QString();
				}
			}
		}


		void shippedCopies()
		{
			QFETCH(QString, section);
			QFETCH(QString, name);
			QFETCH(QString, list);

			const auto path = FileProvider::getInstance().getFile(section, name)->lookupPath();
			QCOMPARE(path, QStringLiteral(":/updatable-files/%1/%2").arg(section, name));
			QFile file(path);
			QVERIFY(file.open(QIODevice::ReadOnly));
			const auto data = file.readAll();
			QVERIFY(!data.trimmed().isEmpty());
			if (!list.isEmpty())
			{
				QJsonParseError error {};
				const auto document = QJsonDocument::fromJson(data, &error);
				QCOMPARE(error.error, QJsonParseError::NoError);
				QVERIFY(!document.object().value(list).toArray().isEmpty());
			}
		}


		void fromManyThreads()
		{
			std::array<QSharedPointer<UpdatableFile>, 8> files;
			std::array<QThread*, 8> threads {};
			for (size_t i = 0; i < threads.size(); ++i)
			{
				threads[i] = QThread::create([&files, i]{
							files[i] = FileProvider::getInstance().getFile(QStringLiteral("threads"), QStringLiteral("raced.json"));
							// Back to the main thread, whose event loop deletes it later.
							if (files[i]->thread() == QThread::currentThread())
							{
								files[i]->moveToThread(QCoreApplication::instance()->thread());
							}
						});
				threads[i]->start();
			}
			for (auto* thread : threads)
			{
				QVERIFY(thread->wait(30000));
				delete thread;
			}
			for (const auto& file : files)
			{
				QCOMPARE(file, files.front());
			}
		}


};

KENDRAWELL_TEST_MAIN(test_FileProvider)
#include "test_FileProvider.moc"
