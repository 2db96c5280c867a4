#include "Survey.h"

#include "AbstractSettings.h"
#include "AppSettings.h"
#include "TestEnvironment.h"
#include "VolatileSettings.h"

#include <QSignalSpy>
#include <QSysInfo>


using namespace tessarovin;

namespace
{

// A survey of the test's own, beside the singleton.
class TestSurvey
	: public Survey
{
	Q_OBJECT

	public:
		TestSurvey() = default;
		~TestSurvey() override = default;
};


ReaderInfo reader(ReaderManagerPluginType pType, bool pEid, int pMaxApduLength = 65546)
{
	ReaderInfo info(QStringLiteral("reader"), pType, CardInfo(pEid ? CardType::EID_CARD : CardType::NONE, FileRef(), QSharedPointer<const SecurityInfos>(), 3));
	info.setMaxApduLength(pMaxApduLength);
	return info;
}


QString value(const Survey& pSurvey, const QString& pTitle)
{
	for (const auto& [title, entry] : pSurvey.getSurveyData())
	{
		if (title == pTitle)
		{
			return entry;
		}
	}
	return QStringLiteral("missing");
}


} // namespace


class test_Survey
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationName(QStringLiteral("Kendrawell"));
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
		}


		void init()
		{
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
			// Every case starts with a user who was never asked.
			const auto store = AbstractSettings::getStore();
			store->remove(QStringLiteral("deviceSurveyPending"));
			store->sync();
		}


		void desktop()
		{
			TestSurvey survey;
			survey.setReaderInfo(reader(ReaderManagerPluginType::PCSC, true));
			survey.setAuthWasSuccessful(true);

			const Survey::SurveyData expected({
					{QStringLiteral("Vendor"), QString()},
					{QStringLiteral("Model Name"), QString()},
					{QStringLiteral("Model Number"), QString()},
					{QStringLiteral("Build Number"), QString()},
					{QStringLiteral("OS version"), QSysInfo::productVersion()},
					{QStringLiteral("Kernel version"), QSysInfo::kernelVersion()},
					{QStringLiteral("Max. NFC Packet Length"), QStringLiteral("0")},
					{QStringLiteral("Kendrawell Version"), QStringLiteral("2.6.3")},
					{QStringLiteral("NFC Tag Type"), QStringLiteral("U")}
				});
			QCOMPARE(survey.getSurveyData(), expected);
			QVERIFY(!survey.askForDeviceSurvey());
		}


		void nfcAuthentication_data()
		{
			QTest::addColumn<bool>("eid");
			QTest::addColumn<bool>("success");
			QTest::addColumn<bool>("ask");

			QTest::newRow("eID card, success") << true << true << true;
			QTest::newRow("eID card, failure") << true << false << false;
			QTest::newRow("no eID card, success") << false << true << false;
		}


		void nfcAuthentication()
		{
			QFETCH(bool, eid);
			QFETCH(bool, success);
			QFETCH(bool, ask);

			TestSurvey survey;
			QSignalSpy changed(&survey, &Survey::fireSurveyDataChanged);
			survey.setReaderInfo(reader(ReaderManagerPluginType::NFC, eid, 1024));
			survey.setAuthWasSuccessful(success);

			// A reader without an eID card changes nothing.
			QCOMPARE(changed.count(), eid ? 1 : 0);
			QCOMPARE(value(survey, QStringLiteral("Max. NFC Packet Length")), eid ? QStringLiteral("1024") : QStringLiteral("0"));
			QCOMPARE(value(survey, QStringLiteral("NFC Tag Type")), QStringLiteral("U"));
			QCOMPARE(survey.askForDeviceSurvey(), ask);
		}


		void answeredOnce_data()
		{
			QTest::addColumn<bool>("answer");

			QTest::newRow("yes") << true;
			QTest::newRow("no") << false;
		}


		void answeredOnce()
		{
			QFETCH(bool, answer);

			TestSurvey survey;
			survey.setReaderInfo(reader(ReaderManagerPluginType::NFC, true));
			survey.setAuthWasSuccessful(true);
			QVERIFY(survey.askForDeviceSurvey());

			survey.setDeviceSurveyPending(answer);
			QVERIFY(!survey.askForDeviceSurvey());
			QCOMPARE(Env::getSingleton<AppSettings>()->getGeneralSettings().isDeviceSurveyPending(), answer);

			// Whatever the answer was, the user is not asked again.
			TestSurvey later;
			later.setReaderInfo(reader(ReaderManagerPluginType::NFC, true));
			later.setAuthWasSuccessful(true);
			QVERIFY(!later.askForDeviceSurvey());
		}


		void otherReaderAfterNfc_data()
		{
			QTest::addColumn<bool>("success");

			QTest::newRow("after success") << true;
			QTest::newRow("without success") << false;
		}


		void otherReaderAfterNfc()
		{
			QFETCH(bool, success);

			TestSurvey survey;
			survey.setReaderInfo(reader(ReaderManagerPluginType::NFC, true, 1024));
			survey.setAuthWasSuccessful(success);

			survey.setReaderInfo(reader(ReaderManagerPluginType::PCSC, true));
			// A successful NFC authentication keeps its data for the survey.
			QCOMPARE(value(survey, QStringLiteral("Max. NFC Packet Length")), success ? QStringLiteral("1024") : QStringLiteral("0"));
			QCOMPARE(survey.askForDeviceSurvey(), success);

			survey.resetNfcData();
			QCOMPARE(value(survey, QStringLiteral("Max. NFC Packet Length")), QStringLiteral("0"));
			QVERIFY(!survey.askForDeviceSurvey());
		}


		void sdkIgnoresReaders()
		{
			TestSurvey survey;
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(true);
			QSignalSpy changed(&survey, &Survey::fireSurveyDataChanged);
			const auto before = survey.getSurveyData();

			survey.setReaderInfo(reader(ReaderManagerPluginType::NFC, true, 1024));
			survey.setAuthWasSuccessful(true);
			survey.setReaderInfo(reader(ReaderManagerPluginType::PCSC, true));

			QCOMPARE(changed.count(), 0);
			QCOMPARE(survey.getSurveyData(), before);
			QVERIFY(!survey.askForDeviceSurvey());
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
		}


		void noPendingReply()
		{
			TestSurvey survey;
			QSignalSpy changed(&survey, &Survey::fireSurveyDataChanged);
			survey.onNetworkReplyFinished();
			QCOMPARE(changed.count(), 0);
		}


};

KENDRAWELL_TEST_MAIN(test_Survey)
#include "test_Survey.moc"
