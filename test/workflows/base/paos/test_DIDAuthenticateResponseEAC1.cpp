#include "paos/sent/DIDAuthenticateResponseEAC1.h"

#include "PaosGolden.h"
#include "TestEnvironment.h"


using namespace tessarovin;

class test_DIDAuthenticateResponseEAC1
	: public QObject
{
	Q_OBJECT

	private:
		static QStringList protocolData(DIDAuthenticateResponseEAC1& pResponse)
		{
			return childrenOf(pResponse.marshall(), PaosCreator::getNamespace(PaosCreator::Namespace::TECHSCHEMA), QStringLiteral("AuthenticationProtocolData"));
		}

	private Q_SLOTS:
		void golden_data()
		{
			QTest::addColumn<bool>("filled");
			QTest::addColumn<QString>("file");

			QTest::newRow("CHAT and both CARs") << true << "did_authenticate_response_eac1.xml";
			QTest::newRow("nothing set") << false << "did_authenticate_response_eac1_minimal.xml";
		}


		void golden()
		{
			QFETCH(bool, filled);
			QFETCH(QString, file);

			DIDAuthenticateResponseEAC1 response;
			QCOMPARE(response.getType(), PaosType::DID_AUTHENTICATE_RESPONSE_EAC1);
			response.setRelatesTo(QStringLiteral("urn:uuid:0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9"));
			if (filled)
			{
				EstablishPaceChannelOutput paceOutput;
				paceOutput.setCarCurr(QByteArrayLiteral("DETESTCVCA00002"));
				paceOutput.setCarPrev(QByteArrayLiteral("DETESTCVCA00001"));
				response.setCertificateHolderAuthorizationTemplate(QByteArrayLiteral("7f4c12060904007f0007030102025305000513ff00"));
				response.setCertificationAuthorityReference(paceOutput);
				response.setEfCardAccess(QByteArrayLiteral("3114300f060a04007f00070202040202020102020d"));
				response.setIdPicc(QByteArrayLiteral("9a2f6c1e0b7d4a8f3e5c2b1a0d9e8f7c6b5a4938"));
				response.setChallenge(QByteArrayLiteral("1f2e3d4c5b6a7988"));
			}
			QCOMPARE_GOLDEN(response.marshall(), file);
		}


		void certificationAuthorityReferences_data()
		{
			QTest::addColumn<QByteArray>("current");
			QTest::addColumn<QByteArray>("previous");
			QTest::addColumn<QStringList>("references");

			QTest::newRow("current and previous") << QByteArray("DETESTCVCA00002") << QByteArray("DETESTCVCA00001")
												  << QStringList({"DETESTCVCA00002", "DETESTCVCA00001"});
			QTest::newRow("no previous") << QByteArray("DETESTCVCA00002") << QByteArray() << QStringList({"DETESTCVCA00002"});
		}


		void certificationAuthorityReferences()
		{
			QFETCH(QByteArray, current);
			QFETCH(QByteArray, previous);
			QFETCH(QStringList, references);

			EstablishPaceChannelOutput paceOutput;
			paceOutput.setCarCurr(current);
			paceOutput.setCarPrev(previous);
			DIDAuthenticateResponseEAC1 response;
			response.setCertificationAuthorityReference(paceOutput);

			QStringList expected;
			for (const auto& reference : std::as_const(references))
			{
				expected += QStringLiteral("{urn:iso:std:iso-iec:24727:tech:schema}CertificationAuthorityReference=") + reference;
			}
			const QStringList children = protocolData(response);
			QCOMPARE(children.mid(0, children.size() - 3), expected);
		}


		void emptyChatIsWritten()
		{
			// Only a null CHAT means "none"; an empty one still goes to the server as it is.
			DIDAuthenticateResponseEAC1 response;
			response.setCertificateHolderAuthorizationTemplate(QByteArrayLiteral(""));
			QCOMPARE(protocolData(response).size(), 4);
		}


};

KENDRAWELL_TEST_MAIN(test_DIDAuthenticateResponseEAC1)
#include "test_DIDAuthenticateResponseEAC1.moc"
