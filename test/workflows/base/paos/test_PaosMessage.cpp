#include "paos/PaosMessage.h"

#include "paos/received/DIDAuthenticateEAC1.h"
#include "paos/received/DIDAuthenticateEAC2.h"
#include "paos/received/DIDAuthenticateEACAdditional.h"
#include "paos/received/InitializeFramework.h"
#include "paos/received/Transmit.h"
#include "paos/ResponseType.h"
#include "paos/sent/DIDAuthenticateResponseEAC1.h"
#include "paos/sent/DIDAuthenticateResponseEAC2.h"
#include "paos/sent/InitializeFrameworkResponse.h"
#include "paos/sent/StartPaos.h"
#include "paos/sent/TransmitResponse.h"
#include "TestEnvironment.h"

#include <memory>


using namespace tessarovin;

namespace
{

std::unique_ptr<PaosMessage> create(PaosType pType)
{
	switch (pType)
	{
		case PaosType::STARTPAOS:
			return std::make_unique<StartPaos>(QByteArrayLiteral("00"));

		case PaosType::INITIALIZE_FRAMEWORK:
			return std::make_unique<InitializeFramework>();

		case PaosType::INITIALIZE_FRAMEWORK_RESPONSE:
			return std::make_unique<InitializeFrameworkResponse>();

		case PaosType::DID_AUTHENTICATE_EAC1:
			return std::make_unique<DIDAuthenticateEAC1>();

		case PaosType::DID_AUTHENTICATE_RESPONSE_EAC1:
			return std::make_unique<DIDAuthenticateResponseEAC1>();

		case PaosType::DID_AUTHENTICATE_EAC2:
			return std::make_unique<DIDAuthenticateEAC2>();

		case PaosType::DID_AUTHENTICATE_RESPONSE_EAC2:
			return std::make_unique<DIDAuthenticateResponseEAC2>();

		case PaosType::DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE:
			return std::make_unique<DIDAuthenticateEACAdditional>();

		case PaosType::TRANSMIT:
			return std::make_unique<Transmit>();

		case PaosType::TRANSMIT_RESPONSE:
			return std::make_unique<TransmitResponse>();

		case PaosType::UNKNOWN:
		case PaosType::STARTPAOS_RESPONSE:
			break;
	}
	return nullptr;
}

} // namespace


class test_PaosMessage
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void typeValues()
		{
			const QList<PaosType> all = Enum<PaosType>::allValues();
			QCOMPARE(all.size(), 12);
			for (int value = 0; value < all.size(); ++value)
			{
				QCOMPARE(static_cast<int>(all.at(value)), value);
			}
			QCOMPARE(Enum<PaosType>::getName(PaosType::DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE), QLatin1String("DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE"));
			QVERIFY(QByteArray(QMetaType::fromType<PaosType>().name()).endsWith("EnumPaosType::PaosType"));

			QString printed;
			QDebug(&printed) << PaosType::TRANSMIT_RESPONSE;
			QCOMPARE(printed.trimmed(), QStringLiteral("TRANSMIT_RESPONSE"));
		}


		void classFixesType_data()
		{
			QTest::addColumn<PaosType>("type");
			QTest::addColumn<bool>("response");
			QTest::addColumn<bool>("sent");

			QTest::newRow("StartPAOS") << PaosType::STARTPAOS << false << true;
			QTest::newRow("InitializeFramework") << PaosType::INITIALIZE_FRAMEWORK << false << false;
			QTest::newRow("InitializeFrameworkResponse") << PaosType::INITIALIZE_FRAMEWORK_RESPONSE << true << true;
			QTest::newRow("DIDAuthenticate EAC1") << PaosType::DID_AUTHENTICATE_EAC1 << false << false;
			QTest::newRow("DIDAuthenticateResponse EAC1") << PaosType::DID_AUTHENTICATE_RESPONSE_EAC1 << true << true;
			QTest::newRow("DIDAuthenticate EAC2") << PaosType::DID_AUTHENTICATE_EAC2 << false << false;
			QTest::newRow("DIDAuthenticateResponse EAC2") << PaosType::DID_AUTHENTICATE_RESPONSE_EAC2 << true << true;
			QTest::newRow("DIDAuthenticate additional") << PaosType::DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE << false << false;
			QTest::newRow("Transmit") << PaosType::TRANSMIT << false << false;
			QTest::newRow("TransmitResponse") << PaosType::TRANSMIT_RESPONSE << true << true;
		}


		void classFixesType()
		{
			QFETCH(PaosType, type);
			QFETCH(bool, response);
			QFETCH(bool, sent);

			const auto message = create(type);
			QVERIFY(message);
			QCOMPARE(message->getType(), type);
			QVERIFY(message->getMessageId().isNull());
			QVERIFY(message->getRelatesTo().isNull());
			QCOMPARE(dynamic_cast<PaosCreator*>(message.get()) != nullptr, sent);

			const auto* responseType = dynamic_cast<ResponseType*>(message.get());
			QCOMPARE(responseType != nullptr, response);
			if (responseType)
			{
				// A fresh response is ok until a state says otherwise.
				const ECardApiResult& result = responseType->getResult();
				QCOMPARE(result.getMajor(), ECardApiResult::Major::Ok);
				QCOMPARE(result.getMinor(), ECardApiResult::Minor::null);
				QVERIFY(result.getMessage().isNull());
				QCOMPARE(result.getOrigin(), ECardApiResult::Origin::Client);
			}
		}


		void receivedIds()
		{
			Transmit transmit;
			transmit.setMessageId(QStringLiteral("urn:uuid:server"));
			transmit.setRelatesTo(QStringLiteral("urn:uuid:client"));
			QCOMPARE(transmit.getMessageId(), QStringLiteral("urn:uuid:server"));
			QCOMPARE(transmit.getRelatesTo(), QStringLiteral("urn:uuid:client"));
		}


		void transmitKeepsOrderAndStatusText()
		{
			Transmit transmit;
			QVERIFY(transmit.getInputApduInfos().isEmpty());
			for (const auto& apdu : {QByteArray::fromHex("00a4040c"), QByteArray::fromHex("00b0000000")})
			{
				InputApduInfo info(apdu);
				info.addAcceptableStatusCode(QByteArrayLiteral("9000"));
				transmit.appendInputApduInfo(info);
			}
			QCOMPARE(transmit.getInputApduInfos().size(), 2);
			QCOMPARE(transmit.getInputApduInfos().at(0).getInputApdu(), QByteArray::fromHex("00a4040c"));
			QCOMPARE(transmit.getInputApduInfos().at(1).getInputApdu(), QByteArray::fromHex("00b0000000"));
			QCOMPARE(transmit.getInputApduInfos().at(1).getAcceptableStatusCodes(), QByteArrayList({"9000"}));
		}


		void eac2CopiesRecord()
		{
			Eac2InputType record;
			record.setEphemeralPublicKey(QStringLiteral("04ab"));
			DIDAuthenticateEAC2 message;
			message.setEac2InputType(record);
			record.setSignature(QStringLiteral("cd"));

			QCOMPARE(message.getEphemeralPublicKey(), QStringLiteral("04ab"));
			QVERIFY(message.getSignature().isNull());
			QVERIFY(message.getCvCertificates().isEmpty());
		}


};

KENDRAWELL_TEST_MAIN(test_PaosMessage)
#include "test_PaosMessage.moc"
