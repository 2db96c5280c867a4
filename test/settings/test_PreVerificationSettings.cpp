#include "PreVerificationSettings.h"

#include "TemporarySettings.h"
#include "TestEnvironment.h"

#include <QSignalSpy>

using namespace tessarovin;

class test_PreVerificationSettings
	: public QObject
{
	Q_OBJECT

	private:
		QScopedPointer<TemporarySettings> mTemporarySettings;

		static QSharedPointer<QSettings> groupStore()
		{
			auto store = AbstractSettings::getStore();
			store->beginGroup(QStringLiteral("preverification"));
			return store;
		}

	private Q_SLOTS:
		void init()
		{
			mTemporarySettings.reset(new TemporarySettings());
		}


		void cleanup()
		{
			mTemporarySettings.reset();
		}


		void defaults()
		{
			const PreVerificationSettings settings;
			QVERIFY(settings.isEnabled());
			QVERIFY(settings.getLinkCertificates().isEmpty());
		}


		void enabledStored()
		{
			groupStore()->setValue(QStringLiteral("enabled"), false);
			const PreVerificationSettings settings;
			QVERIFY(!settings.isEnabled());
		}


		void addLinkCertificates()
		{
			PreVerificationSettings settings;
			QSignalSpy spy(&settings, &AbstractSettings::fireSettingsChanged);
			const QByteArray first = QByteArray::fromHex("7f2181e87f4e81a05f290100");
			const QByteArray second = QByteArray::fromHex("7f2181e87f4e81a05f2901ff");

			settings.addLinkCertificate(first);
			settings.addLinkCertificate(second);
			settings.addLinkCertificate(first);
			QCOMPARE(settings.getLinkCertificates(), QByteArrayList({first, second}));
			QCOMPARE(spy.count(), 0);

			// Lower-case hexadecimal text in the store's array layout, numbered from 1, written at once.
			const auto contents = mTemporarySettings->userFileContents();
			QVERIFY(contents.contains("linkcertificates\\1\\linkcertificate=7f2181e87f4e81a05f290100"));
			QVERIFY(contents.contains("linkcertificates\\2\\linkcertificate=7f2181e87f4e81a05f2901ff"));
			QVERIFY(contents.contains("linkcertificates\\size=2"));

			// Another object on the same store sees the same list.
			const PreVerificationSettings other;
			QCOMPARE(other.getLinkCertificates(), QByteArrayList({first, second}));
		}


		void rewriteDropsStaleEntries()
		{
			// A stray entry beyond the recorded size must not survive a rewrite.
			auto store = groupStore();
			store->setValue(QStringLiteral("linkcertificates/size"), 1);
			store->setValue(QStringLiteral("linkcertificates/1/linkcertificate"), QStringLiteral("aa"));
			store->setValue(QStringLiteral("linkcertificates/2/linkcertificate"), QStringLiteral("bb"));
			store->setValue(QStringLiteral("linkcertificates/3/linkcertificate"), QStringLiteral("cc"));

			PreVerificationSettings settings;
			QCOMPARE(settings.getLinkCertificates(), QByteArrayList({QByteArray::fromHex("aa")}));

			settings.addLinkCertificate(QByteArray::fromHex("dd"));
			QCOMPARE(settings.getLinkCertificates(), QByteArrayList({QByteArray::fromHex("aa"), QByteArray::fromHex("dd")}));
			QVERIFY(!store->contains(QStringLiteral("linkcertificates/3/linkcertificate")));
			QCOMPARE(store->value(QStringLiteral("linkcertificates/2/linkcertificate")).toString(), QStringLiteral("dd"));
		}


		void invalidHex_data()
		{
			QTest::addColumn<QString>("stored");
			QTest::addColumn<QByteArray>("decoded");

			QTest::newRow("upper case") << QStringLiteral("ABCD") << QByteArray::fromHex("abcd");
			QTest::newRow("invalid characters skipped") << QStringLiteral("zz12") << QByteArray::fromHex("zz12");
			QTest::newRow("empty") << QString() << QByteArray();
		}


		void invalidHex()
		{
			QFETCH(QString, stored);
			QFETCH(QByteArray, decoded);

			auto store = groupStore();
			store->beginWriteArray(QStringLiteral("linkcertificates"));
			store->setArrayIndex(0);
			store->setValue(QStringLiteral("linkcertificate"), stored);
			store->endArray();

			const PreVerificationSettings settings;
			QCOMPARE(settings.getLinkCertificates(), QByteArrayList({decoded}));
		}


};

KENDRAWELL_TEST_MAIN(test_PreVerificationSettings)
#include "test_PreVerificationSettings.moc"
