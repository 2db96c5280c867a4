#include "Card.h"

#include "LogCapture.h"
#include "MockCard.h"
#include "TestEnvironment.h"
#include "VolatileSettings.h"

using namespace tessarovin;

class test_Card
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void cleanup()
		{
			if (auto* settings = Env::getSingleton<VolatileSettings>())
			{
				settings->setUsedAsSdk(true);
				settings->setMessages(VolatileSettings::Messages());
			}
		}


		void unsupportedOperations()
		{
			MockCard card;
			LogCapture capture;

			const auto pace = card.establishPaceChannel(PacePasswordId::PACE_CAN, 6, QByteArray(), QByteArray());
			QCOMPARE(pace.getPasswordId(), PacePasswordId::PACE_CAN);
			QCOMPARE(pace.getPaceReturnCode(), CardReturnCode::COMMAND_FAILED);
			QCOMPARE(pace.getResultCode(), 0xF0100001);

			QCOMPARE(card.destroyPaceChannel(), CardReturnCode::COMMAND_FAILED);

			const auto pin = card.setEidPin(30);
			QCOMPARE(pin.mReturnCode, CardReturnCode::COMMAND_FAILED);
			QVERIFY(pin.mResponseApdu.isEmpty());

			const auto challenge = card.getChallenge();
			QCOMPARE(challenge.mReturnCode, CardReturnCode::COMMAND_FAILED);
			QVERIFY(challenge.mResponseApdu.isEmpty());

			// The base never looks at the chain.
			alignas(std::max_align_t) const char chain[64] = {};
			const auto taCa = card.performTAandCA(reinterpret_cast<const CVCertificateChain&>(chain), QByteArray(), QByteArray(), QByteArray(), QByteArray());
			QCOMPARE(taCa.mReturnCode, CardReturnCode::COMMAND_FAILED);
			QVERIFY(taCa.mEfCardSecurity.isEmpty() && taCa.mAuthenticationToken.isEmpty() && taCa.mNonce.isEmpty());

			QCOMPARE(capture.messages(), QStringList({
						QStringLiteral("Establishment of PACE channel not supported"),
						QStringLiteral("Destruction of PACE channel not supported"),
						QStringLiteral("Setting eID PIN is not supported"),
						QStringLiteral("Getting challenge is not supported"),
						QStringLiteral("Performing terminal and card authentication is not supported")
					}));
		}


		void errorMessage_data()
		{
			QTest::addColumn<bool>("sdk");
			QTest::addColumn<QString>("message");
			QTest::addColumn<QString>("expected");

			QTest::newRow("own front end") << false << QStringLiteral("failed") << QStringLiteral("failed");
			QTest::newRow("sdk") << true << QStringLiteral("failed") << QStringLiteral("sdk failed");
			QTest::newRow("sdk, empty text") << true << QStringLiteral("") << QStringLiteral("sdk failed");
			QTest::newRow("sdk, null text") << true << QString() << QString();
		}


		void errorMessage()
		{
			QFETCH(bool, sdk);
			QFETCH(QString, message);
			QFETCH(QString, expected);

			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(sdk);
			Env::getSingleton<VolatileSettings>()->setMessages(VolatileSettings::Messages(QString(), QStringLiteral("sdk failed")));
			const QString result = Card::generateErrorMessage(message);
			QCOMPARE(result, expected);
			QCOMPARE(result.isNull(), expected.isNull());
		}


		void progressMessage_data()
		{
			QTest::addColumn<bool>("sdk");
			QTest::addColumn<QString>("message");
			QTest::addColumn<int>("progress");
			QTest::addColumn<bool>("keep");
			QTest::addColumn<QString>("expected");

			QTest::newRow("no progress") << false << QStringLiteral("Reading") << -1 << false << QStringLiteral("Reading");
			QTest::newRow("progress") << false << QStringLiteral("Reading") << 42 << false << QStringLiteral("Reading\n42 %");
			QTest::newRow("no text") << false << QString() << 42 << false << QStringLiteral("42 %");
			QTest::newRow("below one") << false << QStringLiteral("Reading") << 0 << false << QStringLiteral("Reading\n0 %");
			QTest::newRow("negative") << false << QStringLiteral("Reading") << -5 << false << QStringLiteral("Reading\n0 %");
			QTest::newRow("sdk") << true << QStringLiteral("Reading") << 42 << false << QStringLiteral("sdk progress\n42 %");
			QTest::newRow("sdk, no progress") << true << QStringLiteral("Reading") << -1 << false << QStringLiteral("sdk progress\n0 %");
			QTest::newRow("sdk, keep") << true << QStringLiteral("Reading") << 42 << true << QStringLiteral("Reading");
			QTest::newRow("keep outside sdk") << false << QStringLiteral("Reading") << 42 << true << QStringLiteral("Reading\n42 %");
		}


		void progressMessage()
		{
			QFETCH(bool, sdk);
			QFETCH(QString, message);
			QFETCH(int, progress);
			QFETCH(bool, keep);
			QFETCH(QString, expected);

			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(sdk);
			Env::getSingleton<VolatileSettings>()->setMessages(VolatileSettings::Messages(QString(), QString(), QString(), QStringLiteral("sdk progress")));
			QCOMPARE(Card::generateProgressMessage(message, progress, keep), expected);
		}


		// A remote card may report after the registry's cleanup deleted the settings: the texts
		// then stay those of the own front end. Last here, as the settings stay gone.
		void messagesAfterSettingsAreGone()
		{
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(true);
			delete Env::getSingleton<VolatileSettings>();
			QCOMPARE(Env::getSingleton<VolatileSettings>(), nullptr);

			QCOMPARE(Card::generateErrorMessage(QStringLiteral("failed")), QStringLiteral("failed"));
			QVERIFY(Card::generateErrorMessage(QString()).isNull());
			QCOMPARE(Card::generateProgressMessage(QStringLiteral("Reading"), 42), QStringLiteral("Reading\n42 %"));
			QCOMPARE(Card::generateProgressMessage(QStringLiteral("Reading"), -1), QStringLiteral("Reading"));
			QCOMPARE(Card::generateProgressMessage(QStringLiteral("Reading"), 42, true), QStringLiteral("Reading\n42 %"));
		}


};

KENDRAWELL_TEST_MAIN(test_Card)
#include "test_Card.moc"
