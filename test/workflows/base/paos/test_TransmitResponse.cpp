#include "paos/sent/TransmitResponse.h"

#include "PaosGolden.h"
#include "TestEnvironment.h"


using namespace tessarovin;

class test_TransmitResponse
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void golden_data()
		{
			QTest::addColumn<QList<QByteArray>>("apdus");
			QTest::addColumn<bool>("failed");
			QTest::addColumn<QString>("file");

			QTest::newRow("no APDU") << QList<QByteArray>() << false << "transmit_response_0.xml";
			QTest::newRow("one APDU, failed") << QList<QByteArray>({"6982"}) << true << "transmit_response_1.xml";
			QTest::newRow("three APDUs") << QList<QByteArray>({"9000", "0102030405069000", "6a82"}) << false << "transmit_response_3.xml";
		}


		void golden()
		{
			QFETCH(QList<QByteArray>, apdus);
			QFETCH(bool, failed);
			QFETCH(QString, file);

			TransmitResponse response;
			QCOMPARE(response.getType(), PaosType::TRANSMIT_RESPONSE);
			response.setRelatesTo(QStringLiteral("urn:uuid:2c3d4e5f-6071-4283-94a5-b6c7d8e9f0a1"));
			response.setOutputApdus(apdus);
			if (failed)
			{
				response.setResult(ECardApiResult(ECardApiResult::Major::Error, ECardApiResult::Minor::AL_Unknown_Error,
						QStringLiteral("Unexpected transmit status")));
			}
			QCOMPARE_GOLDEN(response.marshall(), file);
		}


		void setOutputApdusReplaces()
		{
			TransmitResponse response;
			response.setOutputApdus({"9000", "6a82"});
			response.setOutputApdus({"6982"});
			const QStringList children = childrenOf(response.marshall(), PaosCreator::getNamespace(PaosCreator::Namespace::TECHSCHEMA), QStringLiteral("TransmitResponse"));
			QCOMPARE(children.size(), 2);
			QCOMPARE(children.at(1), QStringLiteral("{urn:iso:std:iso-iec:24727:tech:schema}OutputAPDU=6982"));
		}


};

KENDRAWELL_TEST_MAIN(test_TransmitResponse)
#include "test_TransmitResponse.moc"
