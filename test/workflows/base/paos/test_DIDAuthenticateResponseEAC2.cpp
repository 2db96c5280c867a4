#include "paos/sent/DIDAuthenticateResponseEAC2.h"

#include "PaosGolden.h"
#include "TestEnvironment.h"


using namespace tessarovin;

class test_DIDAuthenticateResponseEAC2
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void golden_data()
		{
			QTest::addColumn<bool>("filled");
			QTest::addColumn<QString>("file");

			QTest::newRow("all four") << true << "did_authenticate_response_eac2.xml";
			QTest::newRow("challenge only") << false << "did_authenticate_response_eac2_challenge.xml";
		}


		void golden()
		{
			QFETCH(bool, filled);
			QFETCH(QString, file);

			DIDAuthenticateResponseEAC2 response;
			QCOMPARE(response.getType(), PaosType::DID_AUTHENTICATE_RESPONSE_EAC2);
			response.setRelatesTo(QStringLiteral("urn:uuid:1b2c3d4e-5f60-4172-83a4-b5c6d7e8f90a"));
			if (filled)
			{
				response.setEfCardSecurity(QByteArrayLiteral("3082010206092a864886f70d010702a081f4"));
				response.setAuthenticationToken(QByteArrayLiteral("8e1f2a3b4c5d6e7f"));
				response.setNonce(QByteArrayLiteral("0123456789abcdef"));
			}
			response.setChallenge(QByteArrayLiteral("fedcba9876543210"));
			QCOMPARE_GOLDEN(response.marshall(), file);
		}


		void nullValuesAreLeftOut_data()
		{
			QTest::addColumn<int>("field");
			QTest::addColumn<QString>("name");

			QTest::newRow("EF.CardSecurity") << 0 << "EFCardSecurity";
			QTest::newRow("token") << 1 << "AuthenticationToken";
			QTest::newRow("nonce") << 2 << "Nonce";
			QTest::newRow("challenge") << 3 << "Challenge";
		}


		void nullValuesAreLeftOut()
		{
			QFETCH(int, field);
			QFETCH(QString, name);

			// An empty value is set, unlike a null one, and is written as an empty element.
			DIDAuthenticateResponseEAC2 response;
			const QByteArray empty("");
			switch (field)
			{
				case 0:
					response.setEfCardSecurity(empty);
					break;

				case 1:
					response.setAuthenticationToken(empty);
					break;

				case 2:
					response.setNonce(empty);
					break;

				default:
					response.setChallenge(empty);
			}

			const QStringList children = childrenOf(response.marshall(), PaosCreator::getNamespace(PaosCreator::Namespace::TECHSCHEMA), QStringLiteral("AuthenticationProtocolData"));
			QCOMPARE(children, QStringList({QStringLiteral("{urn:iso:std:iso-iec:24727:tech:schema}%1=").arg(name)}));
		}


};

KENDRAWELL_TEST_MAIN(test_DIDAuthenticateResponseEAC2)
#include "test_DIDAuthenticateResponseEAC2.moc"
