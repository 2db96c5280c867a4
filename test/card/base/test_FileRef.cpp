#include "FileRef.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

class test_FileRef
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void factories_data()
		{
			QTest::addColumn<FileRef>("fileRef");
			QTest::addColumn<FileRef::TYPE>("type");
			QTest::addColumn<QByteArray>("path");
			QTest::addColumn<QByteArray>("shortIdentifier");
			QTest::addColumn<QString>("name");

			QTest::newRow("masterFile") << FileRef::masterFile() << FileRef::MASTER_FILE << QByteArray::fromHex("3F00") << QByteArray() << QStringLiteral("MasterFile");
			QTest::newRow("efDir") << FileRef::efDir() << FileRef::ELEMENTARY_FILE << QByteArray::fromHex("2F00") << QByteArray::fromHex("1E") << QStringLiteral("ElementaryFile");
			QTest::newRow("efCardAccess") << FileRef::efCardAccess() << FileRef::ELEMENTARY_FILE << QByteArray::fromHex("011C") << QByteArray::fromHex("1C") << QStringLiteral("ElementaryFile");
			QTest::newRow("efCardSecurity") << FileRef::efCardSecurity() << FileRef::ELEMENTARY_FILE << QByteArray::fromHex("011D") << QByteArray::fromHex("1D") << QStringLiteral("ElementaryFile");
			QTest::newRow("appEId") << FileRef::appEId() << FileRef::APPLICATION << QByteArray::fromHex("E80704007F00070302") << QByteArray() << QStringLiteral("eID");
			QTest::newRow("appESign") << FileRef::appESign() << FileRef::APPLICATION << QByteArray::fromHex("A000000167455349474E") << QByteArray() << QStringLiteral("eSign");
			QTest::newRow("appESignCia") << FileRef::appESignCia() << FileRef::APPLICATION << QByteArray::fromHex("E828BD080FA000000167455349474E") << QByteArray() << QStringLiteral("eSign CIA");
			QTest::newRow("appPassport") << FileRef::appPassport() << FileRef::APPLICATION << QByteArray::fromHex("A0000002471001") << QByteArray() << QStringLiteral("Passport");
			QTest::newRow("appPersosim") << FileRef::appPersosim() << FileRef::APPLICATION << QByteArray::fromHex("F04E66E75C02D8") << QByteArray() << QStringLiteral("PersoSim");
		}


		void factories()
		{
			QFETCH(FileRef, fileRef);
			QFETCH(FileRef::TYPE, type);
			QFETCH(QByteArray, path);
			QFETCH(QByteArray, shortIdentifier);
			QFETCH(QString, name);

			QCOMPARE(fileRef.getType(), type);
			QCOMPARE(fileRef.getIdentifier().toHex(), path.toHex());
			QCOMPARE(fileRef.getShortIdentifier().toHex(), shortIdentifier.toHex());
			QCOMPARE(fileRef.getName(), name);

			LogCapture capture;
			QCOMPARE(FileRef(static_cast<uchar>(type), path, shortIdentifier), fileRef);
			QVERIFY(capture.entries().isEmpty());

			qDebug() << fileRef;
			QCOMPARE(capture.messages(), QStringList({QString::fromLatin1(path.toHex().toUpper()) + QStringLiteral(" (") + name + QLatin1Char(')')}));
		}


		void checkedType_data()
		{
			QTest::addColumn<uchar>("type");
			QTest::addColumn<FileRef::TYPE>("expected");
			QTest::addColumn<QString>("message");

			QTest::newRow("0") << uchar(0x00) << FileRef::MASTER_FILE << QString();
			QTest::newRow("1") << uchar(0x01) << FileRef::UNKNOWN << QStringLiteral("Ignoring unknown file type 0x01");
			QTest::newRow("2") << uchar(0x02) << FileRef::ELEMENTARY_FILE << QString();
			QTest::newRow("4") << uchar(0x04) << FileRef::APPLICATION << QString();
			QTest::newRow("7") << uchar(0x07) << FileRef::UNKNOWN << QStringLiteral("Ignoring unknown file type 0x07");
			QTest::newRow("AB") << uchar(0xAB) << FileRef::UNKNOWN << QStringLiteral("Ignoring unknown file type 0xAB");
			QTest::newRow("FF") << uchar(0xFF) << FileRef::UNKNOWN << QStringLiteral("Ignoring unknown file type 0xFF");
		}


		void checkedType()
		{
			QFETCH(uchar, type);
			QFETCH(FileRef::TYPE, expected);
			QFETCH(QString, message);

			LogCapture capture;
			const FileRef fileRef(type, QByteArray::fromHex("011C"), QByteArray::fromHex("1C"));
			QCOMPARE(fileRef.getType(), expected);
			QCOMPARE(fileRef.getIdentifier().toHex(), QByteArray("011c"));
			QCOMPARE(fileRef.getShortIdentifier().toHex(), QByteArray("1c"));

			if (message.isEmpty())
			{
				QVERIFY(capture.entries().isEmpty());
			}
			else
			{
				QCOMPARE(capture.messages(), QStringList({message}));
				QCOMPARE(capture.entries().constFirst().mType, QtCriticalMsg);
			}
		}


		void names_data()
		{
			QTest::addColumn<FileRef>("fileRef");
			QTest::addColumn<QString>("name");

			const auto eId = QByteArray::fromHex("E80704007F00070302");
			QTest::newRow("default") << FileRef() << QStringLiteral("Unknown");
			QTest::newRow("application eID") << FileRef(FileRef::APPLICATION, eId, QByteArray()) << QStringLiteral("eID");
			QTest::newRow("unknown type with eID path") << FileRef(FileRef::UNKNOWN, eId, QByteArray()) << QStringLiteral("eID");
			QTest::newRow("elementary file with eID path") << FileRef(FileRef::ELEMENTARY_FILE, eId, QByteArray()) << QStringLiteral("ElementaryFile");
			QTest::newRow("master file with other path") << FileRef(FileRef::MASTER_FILE, QByteArray::fromHex("0101"), QByteArray()) << QStringLiteral("MasterFile");
			QTest::newRow("unknown application") << FileRef(FileRef::APPLICATION, QByteArray::fromHex("A0000002471002"), QByteArray()) << QStringLiteral("Unknown");
			QTest::newRow("prefix of an application") << FileRef(FileRef::APPLICATION, eId.left(8), QByteArray()) << QStringLiteral("Unknown");
			QTest::newRow("empty application") << FileRef(FileRef::APPLICATION, QByteArray(), QByteArray()) << QStringLiteral("Unknown");
		}


		void names()
		{
			QFETCH(FileRef, fileRef);
			QFETCH(QString, name);

			QCOMPARE(fileRef.getName(), name);
		}


		void defaultValue()
		{
			const FileRef fileRef;
			QCOMPARE(fileRef.getType(), FileRef::UNKNOWN);
			QVERIFY(fileRef.getIdentifier().isEmpty());
			QVERIFY(fileRef.getShortIdentifier().isEmpty());

			LogCapture capture;
			qDebug() << fileRef;
			QCOMPARE(capture.messages(), QStringList({QStringLiteral(" (Unknown)")}));
		}


		void equality()
		{
			QCOMPARE(FileRef::efCardAccess(), FileRef::efCardAccess());
			QVERIFY(FileRef::efCardAccess() != FileRef::efCardSecurity());
			QVERIFY(FileRef::efCardAccess() != FileRef(FileRef::ELEMENTARY_FILE, QByteArray::fromHex("011C"), QByteArray()));
			QVERIFY(FileRef::efCardAccess() != FileRef(FileRef::APPLICATION, QByteArray::fromHex("011C"), QByteArray::fromHex("1C")));
			QVERIFY(FileRef() != FileRef::masterFile());
			QCOMPARE(FileRef(), FileRef());
		}


};

KENDRAWELL_TEST_MAIN(test_FileRef)
#include "test_FileRef.moc"
