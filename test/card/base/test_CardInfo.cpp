#include "CardInfo.h"

#include "asn1/SecurityInfos.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QFile>

using namespace tessarovin;

namespace
{

QSharedPointer<const SecurityInfos> loadCardAccess(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/card/") + pName);
	if (!file.open(QIODevice::ReadOnly))
	{
		return nullptr;
	}
	return SecurityInfos::decode(file.readAll());
}


} // namespace


class test_CardInfo
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void fields()
		{
			const auto cardAccess = loadCardAccess(QStringLiteral("card_access_pace_only.der"));
			QVERIFY(cardAccess);

			CardInfo cardInfo(CardType::EID_CARD, FileRef::appEId(), cardAccess, 3, true, true);
			QCOMPARE(cardInfo.getCardType(), CardType::EID_CARD);
			QCOMPARE(cardInfo.getApplication(), FileRef::appEId());
			QCOMPARE(cardInfo.getEfCardAccess(), cardAccess);
			QCOMPARE(cardInfo.getRetryCounter(), 3);
			QVERIFY(cardInfo.isRetryCounterDetermined());
			QVERIFY(cardInfo.isPinDeactivated());
			QVERIFY(cardInfo.isPukInoperative());
			QCOMPARE(cardInfo.getTagType(), 0);

			cardInfo.setRetryCounter(-1);
			QVERIFY(!cardInfo.isRetryCounterDetermined());
			cardInfo.setRetryCounter(0);
			QVERIFY(cardInfo.isRetryCounterDetermined());

			// Copies share the parsed EF.CardAccess, not the other fields.
			CardInfo copy = cardInfo;
			copy.setRetryCounter(2);
			QCOMPARE(cardInfo.getRetryCounter(), 0);
			QCOMPARE(copy.getEfCardAccess().data(), cardAccess.data());
		}


		void defaults()
		{
			const CardInfo cardInfo(CardType::NONE, FileRef(), nullptr);
			QCOMPARE(cardInfo.getCardType(), CardType::NONE);
			QCOMPARE(cardInfo.getApplication(), FileRef());
			QVERIFY(cardInfo.getEfCardAccess().isNull());
			QCOMPARE(cardInfo.getRetryCounter(), -1);
			QVERIFY(!cardInfo.isRetryCounterDetermined());
			QVERIFY(!cardInfo.isPinDeactivated());
			QVERIFY(!cardInfo.isPukInoperative());
			QCOMPARE(cardInfo.getTagType(), 0);
		}


		void mobileEidType_data()
		{
			QTest::addColumn<QString>("fixture");
			QTest::addColumn<MobileEidType>("type");

			QTest::newRow("no EF.CardAccess") << QString() << MobileEidType::UNKNOWN;
			QTest::newRow("no mobile eID type") << QStringLiteral("card_access_pace_only.der") << MobileEidType::UNKNOWN;
			QTest::newRow("SE certified") << QStringLiteral("card_access_se_certified.der") << MobileEidType::SE_CERTIFIED;
			QTest::newRow("SE endorsed") << QStringLiteral("card_access_se_endorsed.der") << MobileEidType::SE_ENDORSED;
			QTest::newRow("HW keystore") << QStringLiteral("card_access_hw_keystore.der") << MobileEidType::HW_KEYSTORE;
		}


		void mobileEidType()
		{
			QFETCH(QString, fixture);
			QFETCH(MobileEidType, type);

			QSharedPointer<const SecurityInfos> cardAccess;
			if (!fixture.isEmpty())
			{
				cardAccess = loadCardAccess(fixture);
				QVERIFY(cardAccess);
			}

			QCOMPARE(CardInfo(CardType::EID_CARD, FileRef::appEId(), cardAccess).getMobileEidType(), type);
		}


		void enumerations()
		{
			QCOMPARE(Enum<CardType>::allValues(), QList<CardType>({CardType::NONE, CardType::UNKNOWN, CardType::EID_CARD}));
			QCOMPARE(Enum<MobileEidType>::getName(MobileEidType::HW_KEYSTORE), QLatin1String("HW_KEYSTORE"));
		}


		void debug_data()
		{
			QTest::addColumn<CardType>("type");
			QTest::addColumn<int>("retryCounter");
			QTest::addColumn<bool>("pinDeactivated");
			QTest::addColumn<QString>("text");

			QTest::newRow("eID card") << CardType::EID_CARD << 3 << false << QStringLiteral("{Type: EID_CARD, Retry counter: 3, PIN deactivated: false}");
			QTest::newRow("deactivated") << CardType::EID_CARD << 0 << true << QStringLiteral("{Type: EID_CARD, Retry counter: 0, PIN deactivated: true}");
			QTest::newRow("no card") << CardType::NONE << -1 << false << QStringLiteral("{Type: NONE, Retry counter: -1, PIN deactivated: false}");
		}


		void debug()
		{
			QFETCH(CardType, type);
			QFETCH(int, retryCounter);
			QFETCH(bool, pinDeactivated);
			QFETCH(QString, text);

			LogCapture capture;
			qDebug() << CardInfo(type, FileRef(), nullptr, retryCounter, pinDeactivated);
			QCOMPARE(capture.messages(), QStringList({text}));
		}


};

KENDRAWELL_TEST_MAIN(test_CardInfo)
#include "test_CardInfo.moc"
