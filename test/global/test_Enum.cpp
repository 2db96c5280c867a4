#include "Enum.h"
#include "KeyAlgorithmEnum.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

namespace tessarovin
{

defineEnumType(TestColor, RED, GREEN, BLUE)

// Explicit values and an alias, as status words have them.
defineTypedEnumType(TestWord, int,
		SUCCESS = 0x9000,
		WRONG_LENGTH = 0x6700,
		NO_ERROR = 0x9000,
		CONDITIONS = 0x6985)

class TestHolder
	: public QObject
{
	Q_OBJECT

	public:
		enum class Reason
		{
			None,
			Broken = 7
		};
		Q_ENUM(Reason)
};

} // namespace tessarovin

using namespace tessarovin;

Q_DECLARE_METATYPE(TestColor)

class test_Enum
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void getName_data()
		{
			QTest::addColumn<QString>("name");
			QTest::addColumn<QString>("expected");

			QTest::newRow("first key") << QString(Enum<TestColor>::getName(TestColor::RED)) << QStringLiteral("RED");
			QTest::newRow("explicit value") << QString(Enum<TestWord>::getName(TestWord::WRONG_LENGTH)) << QStringLiteral("WRONG_LENGTH");
			QTest::newRow("alias yields first key") << QString(Enum<TestWord>::getName(TestWord::NO_ERROR)) << QStringLiteral("SUCCESS");
			QTest::newRow("class-scoped") << QString(Enum<TestHolder::Reason>::getName(TestHolder::Reason::Broken)) << QStringLiteral("Broken");
			QTest::newRow("platform enum") << QString(Enum<QSsl::KeyAlgorithm>::getName(QSsl::Ec)) << QStringLiteral("Ec");
		}


		void getName()
		{
			QFETCH(QString, name);
			QFETCH(QString, expected);
			QCOMPARE(name, expected);
		}


		void getNameOfUnknownValue_data()
		{
			QTest::addColumn<int>("value");
			QTest::addColumn<QString>("hex");

			QTest::newRow("255") << 255 << QStringLiteral("ff");
			QTest::newRow("status word") << 0x6a82 << QStringLiteral("6a82");
			QTest::newRow("negative") << -1 << QStringLiteral("ffffffff");
		}


		void getNameOfUnknownValue()
		{
			QFETCH(int, value);
			QFETCH(QString, hex);

			const LogCapture capture;
			const auto name = Enum<TestColor>::getName(static_cast<TestColor>(value));
			QVERIFY(name.isNull());
			QVERIFY(name.isEmpty());

			const auto entries = capture.entries();
			QCOMPARE(entries.size(), 1);
			QCOMPARE(entries.first().mType, QtCriticalMsg);
			QCOMPARE(entries.first().mMessage, QStringLiteral("CRITICAL CONVERSION MISMATCH: UNKNOWN 0x") + hex);
		}


		void allValues()
		{
			QCOMPARE(Enum<TestColor>::allValues(), QList<TestColor>({TestColor::RED, TestColor::GREEN, TestColor::BLUE}));
			QCOMPARE(Enum<TestWord>::allValues(), QList<TestWord>({TestWord::SUCCESS, TestWord::WRONG_LENGTH, TestWord::NO_ERROR, TestWord::CONDITIONS}));
			QCOMPARE(Enum<QSsl::KeyAlgorithm>::allValues(), QList<QSsl::KeyAlgorithm>({QSsl::Opaque, QSsl::Rsa, QSsl::Dsa, QSsl::Ec, QSsl::Dh}));
		}


		void valueFromName_data()
		{
			QTest::addColumn<QString>("name");
			QTest::addColumn<TestColor>("expected");

			QTest::newRow("exact") << QStringLiteral("GREEN") << TestColor::GREEN;
			QTest::newRow("wrong case") << QStringLiteral("green") << TestColor::BLUE;
			QTest::newRow("empty") << QString() << TestColor::BLUE;
			QTest::newRow("trailing space") << QStringLiteral("RED ") << TestColor::BLUE;
		}


		void valueFromName()
		{
			QFETCH(QString, name);
			QFETCH(TestColor, expected);
			QCOMPARE(Enum<TestColor>::valueFromName(name, TestColor::BLUE), expected);
		}


		void aliasesConvertToTheirValue()
		{
			QCOMPARE(Enum<TestWord>::valueFromName(QStringLiteral("NO_ERROR"), TestWord::CONDITIONS), TestWord::SUCCESS);
			QCOMPARE(Enum<TestWord>::valueFromName(QStringLiteral("SUCCESS"), TestWord::CONDITIONS), TestWord::SUCCESS);
		}


		void isValue()
		{
			QVERIFY(Enum<TestColor>::isValue(2));
			QVERIFY(!Enum<TestColor>::isValue(3));
			QVERIFY(!Enum<TestColor>::isValue(-1));
			QVERIFY(Enum<TestWord>::isValue(0x6985));
			QVERIFY(!Enum<TestWord>::isValue(2));
		}


		void debugStreamWritesBareName()
		{
			QString text;
			// The stream's quoting is restored for what follows.
			QDebug(&text) << TestColor::GREEN << QStringLiteral("next");
			QCOMPARE(text, QStringLiteral("GREEN \"next\" "));

			text.clear();
			QDebug(&text) << QSsl::Rsa;
			QCOMPARE(text, QStringLiteral("Rsa "));
		}


};

KENDRAWELL_TEST_MAIN(test_Enum)
#include "test_Enum.moc"
