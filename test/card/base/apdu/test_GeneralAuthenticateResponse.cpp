#include "apdu/GeneralAuthenticateResponse.h"

#include "asn1/ASN1Util.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QMap>

using namespace tessarovin;

namespace
{

using Fields = QMap<QString, QByteArray>;

Fields parse(const QString& pKind, const ResponseApdu& pResponse)
{
	if (pKind == QLatin1String("encryptedNonce"))
	{
		const GAEncryptedNonceResponse response(pResponse);
		return {{QStringLiteral("encryptedNonce"), response.getEncryptedNonce()}};
	}
	if (pKind == QLatin1String("mapNonce"))
	{
		const GAMapNonceResponse response(pResponse);
		return {{QStringLiteral("mappingData"), response.getMappingData()}};
	}
	if (pKind == QLatin1String("keyAgreement"))
	{
		const GAPerformKeyAgreementResponse response(pResponse);
		return {{QStringLiteral("ephemeralPublicKey"), response.getEphemeralPublicKey()}};
	}
	if (pKind == QLatin1String("mutualAuthentication"))
	{
		const GAMutualAuthenticationResponse response(pResponse);
		return {
			{QStringLiteral("authenticationToken"), response.getAuthenticationToken()},
			{QStringLiteral("carCurr"), response.getCarCurr()},
			{QStringLiteral("carPrev"), response.getCarPrev()}
		};
	}

	const GAChipAuthenticationResponse response(pResponse);
	return {
		{QStringLiteral("nonce"), response.getNonce()},
		{QStringLiteral("authenticationToken"), response.getAuthenticationToken()}
	};
}


QStringList warningsAndAbove(const LogCapture& pCapture)
{
	QStringList result;
	for (const auto& entry : pCapture.entries())
	{
		if (entry.mType != QtDebugMsg && entry.mType != QtInfoMsg)
		{
			// The OpenSSL error text after the label varies between versions.
			result << entry.mMessage.section(QLatin1Char(':'), 0, 0) + (entry.mMessage.contains(QLatin1Char(':')) ? QStringLiteral(":") : QString());
		}
	}
	return result;
}


} // namespace


class test_GeneralAuthenticateResponse
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void parseResponse_data()
		{
			QTest::addColumn<QString>("kind");
			QTest::addColumn<QByteArray>("response");
			QTest::addColumn<Fields>("fields");
			QTest::addColumn<QStringList>("messages");

			const auto nonce = QByteArray::fromHex("0102030405060708");
			const auto token = QByteArray::fromHex("A1A2A3A4A5A6A7A8");
			const auto point = QByteArray::fromHex("04") + QByteArray(64, '\x5A');
			const auto carCurr = QByteArrayLiteral("DETESTeID00004");
			const auto carPrev = QByteArrayLiteral("DETESTeID00002");
			const auto ok = QByteArray::fromHex("9000");
			const QString decodeWarning = QStringLiteral("Cannot decode ASN.1 object:");

			const Fields noNonce = {{QStringLiteral("encryptedNonce"), QByteArray()}};
			const QString nonceFailure = QStringLiteral("Cannot parse encrypted nonce, return empty byte array");
			QTest::newRow("encrypted nonce") << QStringLiteral("encryptedNonce") << QByteArray::fromHex("7C0A8008") + nonce + ok
											 << Fields({{QStringLiteral("encryptedNonce"), nonce}}) << QStringList();
			QTest::newRow("encrypted nonce, empty object") << QStringLiteral("encryptedNonce") << QByteArray::fromHex("7C00") + ok
														   << noNonce << QStringList({decodeWarning, nonceFailure});
			QTest::newRow("encrypted nonce, no data") << QStringLiteral("encryptedNonce") << ok
													  << noNonce << QStringList({decodeWarning, nonceFailure});
			QTest::newRow("encrypted nonce, wrong field tag") << QStringLiteral("encryptedNonce") << QByteArray::fromHex("7C0A8108") + nonce + ok
															  << noNonce << QStringList({decodeWarning, nonceFailure});
			QTest::newRow("encrypted nonce, universal sequence") << QStringLiteral("encryptedNonce") << QByteArray::fromHex("300A8008") + nonce + ok
																 << noNonce << QStringList({decodeWarning, nonceFailure});
			QTest::newRow("encrypted nonce, truncated") << QStringLiteral("encryptedNonce") << QByteArray::fromHex("7C0A80080102") + ok
														<< noNonce << QStringList({decodeWarning, nonceFailure});
			QTest::newRow("encrypted nonce, extra field") << QStringLiteral("encryptedNonce") << QByteArray::fromHex("7C0D8008") + nonce + QByteArray::fromHex("810100") + ok
														  << noNonce << QStringList({decodeWarning, nonceFailure});
			QTest::newRow("encrypted nonce, status 6300") << QStringLiteral("encryptedNonce") << QByteArray::fromHex("7C0A8008") + nonce + QByteArray::fromHex("6300")
														  << noNonce << QStringList({QStringLiteral("General authentication data seems invalid because of StatusCode:")});
			QTest::newRow("encrypted nonce, unknown status") << QStringLiteral("encryptedNonce") << QByteArray::fromHex("7C0A8008") + nonce + QByteArray::fromHex("1234")
															 << noNonce << QStringList({QStringLiteral("Unknown StatusCode value, returning UNKNOWN, value:"), QStringLiteral("General authentication data seems invalid because of StatusCode:")});
			QTest::newRow("encrypted nonce, empty response") << QStringLiteral("encryptedNonce") << QByteArray()
															 << noNonce << QStringList({QStringLiteral("General authentication data seems invalid because of StatusCode:")});

			const Fields noMapping = {{QStringLiteral("mappingData"), QByteArray()}};
			const QString mappingFailure = QStringLiteral("Cannot parse mapping data, return empty byte array");
			QTest::newRow("mapping data") << QStringLiteral("mapNonce") << QByteArray::fromHex("7C438241") + point + ok
										  << Fields({{QStringLiteral("mappingData"), point}}) << QStringList();
			QTest::newRow("mapping data, empty object") << QStringLiteral("mapNonce") << QByteArray::fromHex("7C00") + ok
														<< noMapping << QStringList({decodeWarning, mappingFailure});
			QTest::newRow("mapping data, tag of the nonce") << QStringLiteral("mapNonce") << QByteArray::fromHex("7C0A8008") + nonce + ok
															<< noMapping << QStringList({decodeWarning, mappingFailure});
			QTest::newRow("mapping data, status 6A80") << QStringLiteral("mapNonce") << QByteArray::fromHex("7C438241") + point + QByteArray::fromHex("6A80")
													   << noMapping << QStringList({QStringLiteral("General authentication data seems invalid because of StatusCode:")});

			const Fields noKey = {{QStringLiteral("ephemeralPublicKey"), QByteArray()}};
			const QString keyFailure = QStringLiteral("Cannot parse ephemeral public key, return empty byte array");
			QTest::newRow("ephemeral key") << QStringLiteral("keyAgreement") << QByteArray::fromHex("7C438441") + point + ok
										   << Fields({{QStringLiteral("ephemeralPublicKey"), point}}) << QStringList();
			QTest::newRow("ephemeral key, empty object") << QStringLiteral("keyAgreement") << QByteArray::fromHex("7C00") + ok
														 << noKey << QStringList({decodeWarning, keyFailure});
			QTest::newRow("ephemeral key, tag of the mapping data") << QStringLiteral("keyAgreement") << QByteArray::fromHex("7C438241") + point + ok
																	<< noKey << QStringList({decodeWarning, keyFailure});

			const auto mutual = [](const QByteArray& pToken, const QByteArray& pCurr, const QByteArray& pPrev) {
					return Fields({{QStringLiteral("authenticationToken"), pToken}, {QStringLiteral("carCurr"), pCurr}, {QStringLiteral("carPrev"), pPrev}});
				};
			const QString tokenFailure = QStringLiteral("Cannot parse authentication token, return empty byte array");
			const auto tokenTlv = QByteArray::fromHex("8608") + token;
			const auto currTlv = QByteArray::fromHex("870E") + carCurr;
			const auto prevTlv = QByteArray::fromHex("880E") + carPrev;
			QTest::newRow("token") << QStringLiteral("mutualAuthentication") << QByteArray::fromHex("7C0A") + tokenTlv + ok
								   << mutual(token, QByteArray(), QByteArray()) << QStringList();
			QTest::newRow("token and both CARs") << QStringLiteral("mutualAuthentication") << QByteArray::fromHex("7C2A") + tokenTlv + currTlv + prevTlv + ok
												 << mutual(token, carCurr, carPrev) << QStringList();
			QTest::newRow("token and current CAR") << QStringLiteral("mutualAuthentication") << QByteArray::fromHex("7C1A") + tokenTlv + currTlv + ok
												   << mutual(token, carCurr, QByteArray()) << QStringList();
			QTest::newRow("token and previous CAR") << QStringLiteral("mutualAuthentication") << QByteArray::fromHex("7C1A") + tokenTlv + prevTlv + ok
													<< mutual(token, QByteArray(), carPrev) << QStringList();
			QTest::newRow("CARs swapped") << QStringLiteral("mutualAuthentication") << QByteArray::fromHex("7C2A") + tokenTlv + prevTlv + currTlv + ok
										  << mutual(QByteArray(), QByteArray(), QByteArray()) << QStringList({decodeWarning, tokenFailure});
			QTest::newRow("CAR without token") << QStringLiteral("mutualAuthentication") << QByteArray::fromHex("7C10") + currTlv + ok
											   << mutual(QByteArray(), QByteArray(), QByteArray()) << QStringList({decodeWarning, tokenFailure});
			QTest::newRow("token, status 6300") << QStringLiteral("mutualAuthentication") << QByteArray::fromHex("7C0A") + tokenTlv + QByteArray::fromHex("6300")
												<< mutual(QByteArray(), QByteArray(), QByteArray()) << QStringList({QStringLiteral("General authentication data seems invalid because of StatusCode:")});

			const auto chip = [](const QByteArray& pNonce, const QByteArray& pToken) {
					return Fields({{QStringLiteral("nonce"), pNonce}, {QStringLiteral("authenticationToken"), pToken}});
				};
			const QString chipFailure = QStringLiteral("Cannot parse chip authentication response");
			const auto nonceTlv = QByteArray::fromHex("8108") + nonce;
			const auto chipTokenTlv = QByteArray::fromHex("8208") + token;
			QTest::newRow("chip authentication") << QStringLiteral("chipAuthentication") << QByteArray::fromHex("7C14") + nonceTlv + chipTokenTlv + ok
												 << chip(nonce, token) << QStringList();
			QTest::newRow("chip authentication, reversed") << QStringLiteral("chipAuthentication") << QByteArray::fromHex("7C14") + chipTokenTlv + nonceTlv + ok
														   << chip(QByteArray(), QByteArray()) << QStringList({chipFailure});
			QTest::newRow("chip authentication, no token") << QStringLiteral("chipAuthentication") << QByteArray::fromHex("7C0A") + nonceTlv + ok
														   << chip(QByteArray(), QByteArray()) << QStringList({chipFailure});
			QTest::newRow("chip authentication, empty object") << QStringLiteral("chipAuthentication") << QByteArray::fromHex("7C00") + ok
															   << chip(QByteArray(), QByteArray()) << QStringList({chipFailure});
			QTest::newRow("chip authentication, status 6982") << QStringLiteral("chipAuthentication") << QByteArray::fromHex("7C14") + nonceTlv + chipTokenTlv + QByteArray::fromHex("6982")
															  << chip(QByteArray(), QByteArray()) << QStringList({QStringLiteral("General authentication data seems invalid because of StatusCode:")});
		}


		void parseResponse()
		{
			QFETCH(QString, kind);
			QFETCH(QByteArray, response);
			QFETCH(Fields, fields);
			QFETCH(QStringList, messages);

			LogCapture capture;
			const Fields parsed = parse(kind, ResponseApdu(response));
			QCOMPARE(parsed.keys(), fields.keys());
			for (const auto& key : fields.keys())
			{
				QCOMPARE(parsed.value(key).toHex(), fields.value(key).toHex());
			}
			QCOMPARE(warningsAndAbove(capture), messages);
		}


		void statusIsNamed()
		{
			LogCapture capture;
			const GAEncryptedNonceResponse response(ResponseApdu(QByteArray::fromHex("7C0A80080102030405060708") + QByteArray::fromHex("6300")));
			QCOMPARE(capture.messages(), QStringList({QStringLiteral("General authentication data seems invalid because of StatusCode: VERIFICATION_FAILED")}));
			QCOMPARE(response.getStatusCode(), StatusCode::VERIFICATION_FAILED);
			QCOMPARE(response.getData().toHex(), QByteArray("7c0a80080102030405060708"));
		}


		void mutualAuthenticationLogsCars()
		{
			LogCapture capture;
			const GAMutualAuthenticationResponse response(ResponseApdu(QByteArray::fromHex("7C1A8608A1A2A3A4A5A6A7A8870E") + QByteArrayLiteral("DETESTeID00004") + QByteArray::fromHex("9000")));
			QCOMPARE(capture.messages(), QStringList({QStringLiteral("mCarCurr \"DETESTeID00004\""), QStringLiteral("mCarPrev \"\"")}));
		}


		void encode_data()
		{
			QTest::addColumn<QString>("kind");
			QTest::addColumn<QByteArray>("expected");

			QTest::newRow("encrypted nonce") << QStringLiteral("encryptedNonce") << QByteArray::fromHex("7C038001AA");
			QTest::newRow("mapping data") << QStringLiteral("mapNonce") << QByteArray::fromHex("7C038201AA");
			QTest::newRow("ephemeral key") << QStringLiteral("keyAgreement") << QByteArray::fromHex("7C038401AA");
			QTest::newRow("mutual authentication") << QStringLiteral("mutualAuthentication") << QByteArray::fromHex("7C098601AA8701BB8801CC");
			QTest::newRow("chip authentication") << QStringLiteral("chipAuthentication") << QByteArray::fromHex("7C068101AA8201BB");
		}


		void encode()
		{
			QFETCH(QString, kind);
			QFETCH(QByteArray, expected);

			// The card simulator answers with these encodings.
			const auto aa = QByteArray::fromHex("AA");
			const auto bb = QByteArray::fromHex("BB");
			const auto cc = QByteArray::fromHex("CC");
			QByteArray encoded;
			if (kind == QLatin1String("encryptedNonce"))
			{
				const QSharedPointer<GA_ENCRYPTEDNONCEDATA> data(GA_ENCRYPTEDNONCEDATA_new(), &GA_ENCRYPTEDNONCEDATA_free);
				QVERIFY(Asn1OctetStringUtil::setValue(aa, data->mEncryptedNonce));
				encoded = encodeObject(data.data());
			}
			else if (kind == QLatin1String("mapNonce"))
			{
				const QSharedPointer<GA_MAPNONCEDATA> data(GA_MAPNONCEDATA_new(), &GA_MAPNONCEDATA_free);
				QVERIFY(Asn1OctetStringUtil::setValue(aa, data->mMappingData));
				encoded = encodeObject(data.data());
			}
			else if (kind == QLatin1String("keyAgreement"))
			{
				const QSharedPointer<GA_PERFORMKEYAGREEMENTDATA> data(GA_PERFORMKEYAGREEMENTDATA_new(), &GA_PERFORMKEYAGREEMENTDATA_free);
				QVERIFY(Asn1OctetStringUtil::setValue(aa, data->mEphemeralPublicKey));
				encoded = encodeObject(data.data());
			}
			else if (kind == QLatin1String("mutualAuthentication"))
			{
				const QSharedPointer<GA_MUTUALAUTHENTICATIONDATA> data(GA_MUTUALAUTHENTICATIONDATA_new(), &GA_MUTUALAUTHENTICATIONDATA_free);
				data->mCarCurr = ASN1_OCTET_STRING_new();
				data->mCarPrev = ASN1_OCTET_STRING_new();
				QVERIFY(Asn1OctetStringUtil::setValue(aa, data->mAuthenticationToken));
				QVERIFY(Asn1OctetStringUtil::setValue(bb, data->mCarCurr));
				QVERIFY(Asn1OctetStringUtil::setValue(cc, data->mCarPrev));
				encoded = encodeObject(data.data());
			}
			else
			{
				const QSharedPointer<GA_CHIPAUTHENTICATIONDATA> data(GA_CHIPAUTHENTICATIONDATA_new(), &GA_CHIPAUTHENTICATIONDATA_free);
				QVERIFY(Asn1OctetStringUtil::setValue(aa, data->mNonce));
				QVERIFY(Asn1OctetStringUtil::setValue(bb, data->mAuthenticationToken));
				encoded = encodeObject(data.data());
			}
			QCOMPARE(encoded.toHex(), expected.toHex());

			LogCapture capture;
			const Fields parsed = parse(kind, ResponseApdu(StatusCode::SUCCESS, encoded));
			QVERIFY(!parsed.first().isEmpty());
			QCOMPARE(warningsAndAbove(capture), QStringList());
		}


};

KENDRAWELL_TEST_MAIN(test_GeneralAuthenticateResponse)
#include "test_GeneralAuthenticateResponse.moc"
