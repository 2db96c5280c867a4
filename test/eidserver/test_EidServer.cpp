// The test eID server against independent clients: curl for the provider's origins, the openssl
// tool for PAOS over TLS-PSK, and a client written here (Qt's TLS socket, the EAC computations
// on OpenSSL) that plays the eID client's messages with the simulated card's keys up to the end
// of chip authentication.

#include "EidServerProcess.h"
#include "HttpAnswer.h"
#include "TestEnvironment.h"
#include "TestPki.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslSocket>
#include <QXmlStreamReader>
#include <QtTest>

#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

using namespace tessarovin;

namespace
{

using Pkey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

const char* const cOk = "http://www.bsi.bund.de/ecard/api/1.1/resultmajor#ok";


// What the tests read from a PAOS document: body type, xsi:type, header ids and texts by local name.
struct Document
{
	QString mType;
	QString mProtocolDataType;
	QString mMessageId;
	QString mRelatesTo;
	QMultiMap<QString, QString> mTexts;

	explicit Document(const QByteArray& pXml)
	{
		QXmlStreamReader reader(pXml);
		QStringList stack;
		QString text;
		bool body = false;
		while (!reader.atEnd())
		{
			reader.readNext();
			if (reader.isStartElement())
			{
				const QString name = reader.name().toString();
				if (body && mType.isEmpty())
				{
					mType = name;
				}
				body = body || name == QLatin1String("Body");
				const auto type = reader.attributes().value(QLatin1String("http://www.w3.org/2001/XMLSchema-instance"), QLatin1String("type"));
				if (name == QLatin1String("AuthenticationProtocolData"))
				{
					mProtocolDataType = type.toString().section(QLatin1Char(':'), -1);
				}
				stack << name;
				text.clear();
			}
			else if (reader.isCharacters())
			{
				text += reader.text();
			}
			else if (reader.isEndElement() && !stack.isEmpty())
			{
				const QString name = stack.takeLast();
				if (name == QLatin1String("MessageID"))
				{
					mMessageId = text.trimmed();
				}
				else if (name == QLatin1String("RelatesTo"))
				{
					mRelatesTo = text.trimmed();
				}
				else
				{
					mTexts.insert(name, text.trimmed());
				}
				text.clear();
			}
		}
		if (reader.hasError())
		{
			mType.clear();
		}
	}


	[[nodiscard]] QStringList all(const QString& pName) const
	{
		QStringList values = mTexts.values(pName);
		std::reverse(values.begin(), values.end());
		return values;
	}


	[[nodiscard]] QByteArray hex(const QString& pName) const
	{
		return QByteArray::fromHex(mTexts.value(pName).toLatin1());
	}


};


QByteArray readFile(const QString& pPath)
{
	QFile file(pPath);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


QByteArray simulatorFixture(const QString& pName)
{
	return readFile(getProgramDirectory() + QStringLiteral("/fixtures/simulator/") + pName);
}


Pkey privateKey(const QByteArray& pPkcs8)
{
	const auto* data = reinterpret_cast<const unsigned char*>(pPkcs8.constData());
	return Pkey(d2i_AutoPrivateKey(nullptr, &data, static_cast<long>(pPkcs8.size())), &EVP_PKEY_free);
}


// A public key on the curve of pDomain, from an uncompressed point.
Pkey publicKey(EVP_PKEY* pDomain, const QByteArray& pPoint)
{
	Pkey key(EVP_PKEY_new(), &EVP_PKEY_free);
	if (!key || EVP_PKEY_copy_parameters(key.get(), pDomain) != 1
			|| EVP_PKEY_set1_encoded_public_key(key.get(), reinterpret_cast<const unsigned char*>(pPoint.constData()), static_cast<size_t>(pPoint.size())) != 1)
	{
		return Pkey(nullptr, &EVP_PKEY_free);
	}
	return key;
}


bool verifyPlainSignature(EVP_PKEY* pKey, const QByteArray& pSignature, const QByteArray& pData)
{
	const auto half = pSignature.size() / 2;
	ECDSA_SIG* signature = ECDSA_SIG_new();
	BIGNUM* r = BN_bin2bn(reinterpret_cast<const unsigned char*>(pSignature.constData()), static_cast<int>(half), nullptr);
	BIGNUM* s = BN_bin2bn(reinterpret_cast<const unsigned char*>(pSignature.constData()) + half, static_cast<int>(half), nullptr);
	ECDSA_SIG_set0(signature, r, s);
	unsigned char* der = nullptr;
	const int length = i2d_ECDSA_SIG(signature, &der);
	ECDSA_SIG_free(signature);

	const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> md(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
	const bool verified = length > 0 && EVP_DigestVerifyInit(md.get(), nullptr, EVP_sha256(), nullptr, pKey) == 1
			&& EVP_DigestVerify(md.get(), der, static_cast<size_t>(length),
			reinterpret_cast<const unsigned char*>(pData.constData()), static_cast<size_t>(pData.size())) == 1;
	OPENSSL_free(der);
	return verified;
}


QByteArray cmac(const QByteArray& pKey, const QByteArray& pData)
{
	const std::unique_ptr<EVP_MAC, decltype(&EVP_MAC_free)> mac(EVP_MAC_fetch(nullptr, "CMAC", nullptr), &EVP_MAC_free);
	const std::unique_ptr<EVP_MAC_CTX, decltype(&EVP_MAC_CTX_free)> ctx(EVP_MAC_CTX_new(mac.get()), &EVP_MAC_CTX_free);
	char cipher[] = "AES-128-CBC";
	const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, cipher, 0), OSSL_PARAM_construct_end()};
	QByteArray result(16, '\0');
	size_t length = 0;
	if (!ctx || EVP_MAC_init(ctx.get(), reinterpret_cast<const unsigned char*>(pKey.constData()), static_cast<size_t>(pKey.size()), params) != 1
			|| EVP_MAC_update(ctx.get(), reinterpret_cast<const unsigned char*>(pData.constData()), static_cast<size_t>(pData.size())) != 1
			|| EVP_MAC_final(ctx.get(), reinterpret_cast<unsigned char*>(result.data()), &length, static_cast<size_t>(result.size())) != 1)
	{
		return QByteArray();
	}
	return result;
}


QByteArray sharedSecret(const QByteArray& pEphemeralKey)
{
	const Pkey chip = privateKey(simulatorFixture(QStringLiteral("key41.pkcs8")));
	const Pkey terminal = chip ? publicKey(chip.get(), pEphemeralKey) : Pkey(nullptr, &EVP_PKEY_free);
	if (!chip || !terminal)
	{
		return QByteArray();
	}
	const std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new(chip.get(), nullptr), &EVP_PKEY_CTX_free);
	size_t length = 0;
	if (EVP_PKEY_derive_init(ctx.get()) != 1 || EVP_PKEY_derive_set_peer(ctx.get(), terminal.get()) != 1
			|| EVP_PKEY_derive(ctx.get(), nullptr, &length) != 1)
	{
		return QByteArray();
	}
	QByteArray secret(static_cast<qsizetype>(length), '\0');
	if (EVP_PKEY_derive(ctx.get(), reinterpret_cast<unsigned char*>(secret.data()), &length) != 1)
	{
		return QByteArray();
	}
	return secret;
}


// The key derivation of AES-128: SHA-1 over secret, nonce and counter, cut to 16 octets.
QByteArray deriveKey(const QByteArray& pSecret, const QByteArray& pNonce, char pCounter)
{
	return QCryptographicHash::hash(pSecret + pNonce + QByteArray(3, '\0') + pCounter, QCryptographicHash::Sha1).left(16);
}


// The chip's side of id-CA-ECDH-AES-CBC-CMAC-128 with the simulated card's key 41: the
// authentication token over the terminal's ephemeral key.
QByteArray chipToken(const QByteArray& pMacKey, const QByteArray& pEphemeralKey)
{
	const QByteArray keyObject = QByteArray::fromHex("060A04007F00070202030202") + QByteArray::fromHex("8641") + pEphemeralKey;
	return cmac(pMacKey, QByteArray::fromHex("7F49") + static_cast<char>(keyObject.size()) + keyObject).left(8);
}


QByteArray aes(const EVP_CIPHER* pCipher, const QByteArray& pKey, const QByteArray& pIv, const QByteArray& pData, bool pEncrypt)
{
	const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
	QByteArray out(pData.size() + 16, '\0');
	int length = 0;
	int last = 0;
	if (EVP_CipherInit_ex(ctx.get(), pCipher, nullptr, reinterpret_cast<const unsigned char*>(pKey.constData()),
			pIv.isEmpty() ? nullptr : reinterpret_cast<const unsigned char*>(pIv.constData()), pEncrypt ? 1 : 0) != 1
			|| EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1
			|| EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &length,
			reinterpret_cast<const unsigned char*>(pData.constData()), static_cast<int>(pData.size())) != 1
			|| EVP_CipherFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(out.data()) + length, &last) != 1)
	{
		return QByteArray();
	}
	return out.left(length + last);
}


QByteArray isoPad(const QByteArray& pData)
{
	QByteArray padded = pData + char(0x80);
	while (padded.size() % 16 != 0)
	{
		padded += '\0';
	}
	return padded;
}


// The card's half of secure messaging after chip authentication, written after the protocol
// here so that it shares nothing with the server's OpenPACE channel.
class ChipChannel
{
	private:
		QByteArray mEncryptionKey;
		QByteArray mMacKey;
		quint8 mCounter = 0;

		[[nodiscard]] QByteArray counterBlock() const
		{
			return QByteArray(15, '\0') + static_cast<char>(mCounter);
		}


		[[nodiscard]] QByteArray mac(const QByteArray& pData) const
		{
			return cmac(mMacKey, isoPad(counterBlock() + pData)).left(8);
		}

	public:
		ChipChannel(const QByteArray& pSecret, const QByteArray& pNonce)
			: mEncryptionKey(deriveKey(pSecret, pNonce, 1))
			, mMacKey(deriveKey(pSecret, pNonce, 2))
		{
		}


		// The plain command header of a protected READ BINARY, or empty when its MAC is wrong.
		QByteArray unwrapCommand(const QByteArray& pCommand)
		{
			++mCounter;
			if (pCommand.size() < 6 || (static_cast<uchar>(pCommand.at(0)) & 0x0C) != 0x0C)
			{
				return QByteArray();
			}
			const QByteArray objects = pCommand.mid(5, static_cast<uchar>(pCommand.at(4)));
			const auto macAt = objects.indexOf(QByteArray::fromHex("8E08"));
			if (macAt < 0 || mac(isoPad(pCommand.left(4)) + objects.left(macAt)) != objects.mid(macAt + 2, 8))
			{
				return QByteArray();
			}
			QByteArray header = pCommand.left(4);
			header[0] = static_cast<char>(header.at(0) & ~0x0C);
			return header;
		}


		QByteArray wrapResponse(const QByteArray& pData)
		{
			++mCounter;
			const QByteArray iv = aes(EVP_aes_128_ecb(), mEncryptionKey, QByteArray(), counterBlock(), true);
			const QByteArray cryptogram = QByteArray(1, char(0x01)) + aes(EVP_aes_128_cbc(), mEncryptionKey, iv, isoPad(pData), true);
			const QByteArray objects = QByteArray(1, char(0x87)) + static_cast<char>(cryptogram.size()) + cryptogram + QByteArray::fromHex("99029000");
			return objects + QByteArray::fromHex("8E08") + mac(objects) + QByteArray::fromHex("9000");
		}


};


QByteArray randomBytes(int pSize)
{
	QByteArray data(pSize, '\0');
	for (auto& byte : data)
	{
		byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
	}
	return data;
}


QByteArray envelope(const QString& pRelatesTo, const QString& pMessageId, const QByteArray& pBody)
{
	QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
					 "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:wsa=\"http://www.w3.org/2005/03/addressing\""
					 " xmlns:iso=\"urn:iso:std:iso-iec:24727:tech:schema\" xmlns:ecard=\"http://www.bsi.bund.de/ecard/api/1.1\""
					 " xmlns:dss=\"urn:oasis:names:tc:dss:1.0:core:schema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
					 "<soap:Header>";
	if (!pRelatesTo.isEmpty())
	{
		xml += "<wsa:RelatesTo>" + pRelatesTo.toUtf8() + "</wsa:RelatesTo>";
	}
	return xml + "<wsa:MessageID>" + pMessageId.toUtf8() + "</wsa:MessageID></soap:Header><soap:Body>" + pBody + "</soap:Body></soap:Envelope>";
}


QByteArray startPaos(const QByteArray& pSessionId)
{
	return "<iso:StartPAOS><iso:SessionIdentifier>" + pSessionId + "</iso:SessionIdentifier>"
		   "<iso:ConnectionHandle xsi:type=\"iso:ConnectionHandleType\"><iso:CardApplication>e80704007f00070302</iso:CardApplication>"
		   "<iso:SlotHandle>00</iso:SlotHandle></iso:ConnectionHandle>"
		   "<iso:UserAgent><iso:Name>test</iso:Name><iso:VersionMajor>1</iso:VersionMajor><iso:VersionMinor>0</iso:VersionMinor>"
		   "<iso:VersionSubminor>0</iso:VersionSubminor></iso:UserAgent>"
		   "<iso:SupportedAPIVersions><iso:Major>1</iso:Major><iso:Minor>1</iso:Minor><iso:Subminor>5</iso:Subminor></iso:SupportedAPIVersions>"
		   "</iso:StartPAOS>";
}


QByteArray result(bool pOk = true)
{
	return pOk ? QByteArray("<dss:Result><dss:ResultMajor>") + cOk + "</dss:ResultMajor></dss:Result>"
			   : QByteArrayLiteral("<dss:Result><dss:ResultMajor>http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error</dss:ResultMajor>"
			"<dss:ResultMinor>http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#cancellationByUser</dss:ResultMinor></dss:Result>");
}


QByteArray initializeFrameworkResponse()
{
	return "<ecard:InitializeFrameworkResponse>" + result() + "<ecard:Version><ecard:Major>1</ecard:Major><ecard:Minor>1</ecard:Minor>"
		   "<ecard:SubMinor>5</ecard:SubMinor></ecard:Version></ecard:InitializeFrameworkResponse>";
}


QByteArray didAuthenticateResponse(const char* pType, const QList<QPair<const char*, QByteArray>>& pValues, bool pOk = true)
{
	QByteArray data;
	for (const auto& [name, value] : pValues)
	{
		data += QByteArray("<iso:") + name + '>' + value.toHex() + "</iso:" + name + '>';
	}
	return "<iso:DIDAuthenticateResponse>" + result(pOk) + "<iso:AuthenticationProtocolData xsi:type=\"iso:" + pType
		   + "\" Protocol=\"urn:oid:1.3.162.15480.3.0.14.2\">" + data + "</iso:AuthenticationProtocolData></iso:DIDAuthenticateResponse>";
}


QByteArray httpPost(const QByteArray& pBody)
{
	return "POST /paos HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/vnd.paos+xml; charset=UTF-8\r\n"
		   "PAOS: ver=\"urn:liberty:paos:2006-08\"\r\nContent-Length: " + QByteArray::number(pBody.size()) + "\r\n\r\n" + pBody;
}


} // namespace


class test_EidServer
	: public QObject
{
	Q_OBJECT

	private:
		EidServerProcess mServer;
		TestPki mPki;

		struct Token
		{
			QByteArray mSessionId;
			QByteArray mPsk;
			QUrl mServerAddress;
			Document mDocument {QByteArray()};
		};

		QByteArray runCurl(const QStringList& pArguments, int* pExitCode = nullptr)
		{
			QProcess process;
			process.start(QStringLiteral("curl"), QStringList {QStringLiteral("-sS"), QStringLiteral("--cacert"), TestPki::getFixture(QStringLiteral("tls_ca.pem"))} + pArguments);
			process.waitForFinished(60000);
			if (pExitCode)
			{
				*pExitCode = process.exitCode();
			}
			return process.readAllStandardOutput();
		}


		Token fetchToken(const QString& pOptions = QString())
		{
			Token token;
			token.mDocument = Document(runCurl({mServer.getTcTokenUrl(QUrlQuery(pOptions)).toString()}));
			token.mSessionId = token.mDocument.mTexts.value(QStringLiteral("SessionIdentifier")).toLatin1();
			token.mPsk = token.mDocument.mTexts.value(QStringLiteral("PSK")).toLatin1();
			token.mServerAddress = QUrl(token.mDocument.mTexts.value(QStringLiteral("ServerAddress")));
			return token;
		}


		// One message over a fresh TLS-PSK connection, as Qt's socket sends it (a client independent of ours).
		HttpAnswer post(const Token& pToken, const QByteArray& pBody)
		{
			QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
			configuration.setProtocol(QSsl::TlsV1_2);
			configuration.setCiphers({QSslCipher(QStringLiteral("RSA-PSK-AES256-GCM-SHA384"))});
			configuration.setCaCertificates(QSslCertificate::fromPath(TestPki::getFixture(QStringLiteral("tls_ca.pem"))));
			QSslSocket socket;
			socket.setSslConfiguration(configuration);
			QObject::connect(&socket, &QSslSocket::preSharedKeyAuthenticationRequired, &socket, [&pToken](QSslPreSharedKeyAuthenticator* pAuthenticator){
						pAuthenticator->setIdentity(pToken.mSessionId);
						pAuthenticator->setPreSharedKey(QByteArray::fromHex(pToken.mPsk));
					});
			socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), static_cast<quint16>(pToken.mServerAddress.port()));
			if (!socket.waitForEncrypted(30000))
			{
				qWarning() << "No TLS-PSK connection:" << socket.errorString();
				return HttpAnswer();
			}
			socket.write(httpPost(pBody));
			QByteArray data;
			HttpAnswer answer;
			while (socket.waitForReadyRead(60000))
			{
				data += socket.readAll();
				answer = HttpAnswer::parse(data);
				if (answer.mStatus != 0 && answer.mBody.size() >= answer.mHeader.value("content-length").toInt())
				{
					break;
				}
			}
			return answer;
		}


		QProcess::ExitStatus runSClient(const QStringList& pOptions, const QByteArray& pInput, QByteArray& pOutput, int& pExitCode, quint16 pPort = 0)
		{
			QProcess process;
			process.start(QStringLiteral("openssl"), QStringList {QStringLiteral("s_client"), QStringLiteral("-connect"),
																  QStringLiteral("127.0.0.1:%1").arg(pPort ? pPort : mServer.getPort(QStringLiteral("eid"))), QStringLiteral("-ign_eof")} + pOptions);
			process.waitForStarted();
			process.write(pInput);
			process.closeWriteChannel();
			if (!process.waitForFinished(60000))
			{
				process.kill();
				process.waitForFinished();
			}
			pOutput = process.readAllStandardOutput();
			pExitCode = process.exitCode();
			return process.exitStatus();
		}


		QJsonObject paosEvent(const QByteArray& pSessionId, const QString& pReceived)
		{
			const auto event = mServer.waitForEvent(QStringLiteral("paos"), [&](const QJsonObject& pEvent){
						return pEvent.value(QLatin1String("session")).toString().toLatin1() == pSessionId
							   && pEvent.value(QLatin1String("received")).toString() == pReceived;
					});
			return event.value_or(QJsonObject());
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mServer.start(QDir::current().absoluteFilePath(QStringLiteral("pki"))));
			QVERIFY(mPki.open(mServer.getPkiFolder()));
			QCOMPARE(mPki.getSubjectUrl(), QStringLiteral("https://127.0.0.1:%1").arg(mServer.getPort(QStringLiteral("provider"))));
		}


		void tcToken_data()
		{
			QTest::addColumn<QString>("options");
			QTest::addColumn<QString>("listener");
			QTest::addColumn<bool>("psk");
			QTest::addColumn<QString>("refresh");

			QTest::newRow("default") << QString() << "eid" << true << "/refresh?session=";
			QTest::newRow("no psk") << "psk=0" << "eid" << false << "/refresh?session=";
			QTest::newRow("outsider certificate") << "cert=outsider" << "eidOutsider" << true << "/refresh?session=";
			QTest::newRow("tls 1.3") << "tls=13" << "eidTls13" << true << "/refresh?session=";
			QTest::newRow("self authentication") << "selfauth=1" << "eid" << true << "&selfauth=1";
		}


		void tcToken()
		{
			QFETCH(QString, options);
			QFETCH(QString, listener);
			QFETCH(bool, psk);
			QFETCH(QString, refresh);

			const QUrl url = mServer.getTcTokenUrl(QUrlQuery(options));
			int exitCode = -1;
			const Document token(runCurl({QStringLiteral("-H"), QStringLiteral("X-Test-Header: %1").arg(QTest::currentDataTag()), url.toString()}, &exitCode));
			QCOMPARE(exitCode, 0);
			QCOMPARE(token.mType, QString()); // no SOAP body
			const auto& texts = token.mTexts;
			QCOMPARE(texts.value(QStringLiteral("ServerAddress")), QStringLiteral("https://127.0.0.1:%1/paos").arg(mServer.getPort(listener)));
			QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{32}$")).match(texts.value(QStringLiteral("SessionIdentifier"))).hasMatch());
			const QString origin = QStringLiteral("https://127.0.0.1:%1").arg(mServer.getPort(QStringLiteral("provider")));
			QVERIFY(texts.value(QStringLiteral("RefreshAddress")).startsWith(origin + QStringLiteral("/refresh?session=")));
			QVERIFY(texts.value(QStringLiteral("RefreshAddress")).contains(refresh));
			QVERIFY(texts.value(QStringLiteral("CommunicationErrorAddress")).startsWith(origin + QStringLiteral("/communication-error")));
			QCOMPARE(texts.value(QStringLiteral("Binding")), QStringLiteral("urn:liberty:paos:2006-08"));
			QCOMPARE(texts.contains(QStringLiteral("PathSecurity-Protocol")), psk);
			QCOMPARE(texts.contains(QStringLiteral("PSK")), psk);
			if (psk)
			{
				QCOMPARE(texts.value(QStringLiteral("PathSecurity-Protocol")), QStringLiteral("urn:ietf:rfc:4279"));
				QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{64}$")).match(texts.value(QStringLiteral("PSK"))).hasMatch());
			}

			const auto request = mServer.waitForEvent(QStringLiteral("request"), [](const QJsonObject& pEvent){
						return pEvent.value(QLatin1String("headers")).toObject().value(QLatin1String("X-Test-Header")).toString() == QLatin1String(QTest::currentDataTag());
					});
			QVERIFY(request);
			QCOMPARE(request->value(QLatin1String("origin")).toString(), QStringLiteral("provider"));
			QCOMPARE(request->value(QLatin1String("path")).toString(), QStringLiteral("/tctoken"));
			QCOMPARE(request->value(QLatin1String("query")).toString(), url.query());
		}


		void tcTokenAnswer_data()
		{
			QTest::addColumn<QString>("options");
			QTest::addColumn<QString>("status");
			QTest::addColumn<bool>("emptyBody");

			QTest::newRow("503") << "status=503" << "503" << true;
			QTest::newRow("500") << "status=500" << "500" << true;
			QTest::newRow("404") << "status=404" << "404" << true;
			QTest::newRow("empty") << "body=empty" << "200" << true;
			QTest::newRow("token") << QString() << "200" << false;
		}


		void tcTokenAnswer()
		{
			QFETCH(QString, options);
			QFETCH(QString, status);
			QFETCH(bool, emptyBody);

			const QByteArray output = runCurl({QStringLiteral("-w"), QStringLiteral("\n%{http_code}"), mServer.getTcTokenUrl(QUrlQuery(options)).toString()});
			QCOMPARE(output.mid(output.lastIndexOf('\n') + 1), status.toLatin1());
			QCOMPARE(output.lastIndexOf('\n') == 0, emptyBody);
		}


		void redirect_data()
		{
			QTest::addColumn<QString>("listener");
			QTest::addColumn<QString>("query");
			QTest::addColumn<int>("status");
			QTest::addColumn<QString>("location"); // "self": the request's own URL

			const QString target = QStringLiteral("https://127.0.0.1:1/target?a=1&b=2");
			const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(target));
			for (const int code : {302, 303, 307, 301, 308})
			{
				QTest::addRow("redirect origin %d", code) << "redirect" << QStringLiteral("code=%1&to=%2").arg(code).arg(encoded) << code << target;
			}
			QTest::newRow("provider origin") << "provider" << QStringLiteral("to=") + encoded << 302 << target;
			QTest::newRow("http target") << "redirect" << "code=303&to=http%3A%2F%2F127.0.0.1%3A80%2Frefresh" << 303 << "http://127.0.0.1:80/refresh";
			QTest::newRow("empty location") << "redirect" << "code=302&to=" << 302 << QString();
			QTest::newRow("loop") << "redirect" << "code=307" << 307 << "self";
		}


		void redirect()
		{
			QFETCH(QString, listener);
			QFETCH(QString, query);
			QFETCH(int, status);
			QFETCH(QString, location);

			const QString url = QStringLiteral("https://127.0.0.1:%1/redirect?%2").arg(mServer.getPort(listener)).arg(query);
			const QByteArray headers = runCurl({QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-D"), QStringLiteral("-"), url});
			const HttpAnswer answer = HttpAnswer::parse(headers);
			QCOMPARE(answer.mStatus, status);
			QVERIFY(answer.mHeader.contains("location"));
			QCOMPARE(QString::fromUtf8(answer.mHeader.value("location")), location == QLatin1String("self") ? url : location);
		}


		void refresh()
		{
			const Token token = fetchToken(QStringLiteral("selfauth=1"));
			const QString address = token.mDocument.mTexts.value(QStringLiteral("RefreshAddress"));
			const QByteArray head = runCurl({QStringLiteral("-I"), address});
			QCOMPARE(HttpAnswer::parse(head).mStatus, 200);
			QVERIFY(mServer.waitForEvent(QStringLiteral("request"), [](const QJsonObject& pEvent){
						return pEvent.value(QLatin1String("method")).toString() == QLatin1String("HEAD")
							   && pEvent.value(QLatin1String("path")).toString() == QLatin1String("/refresh");
					}));

			// No data read yet: the document lists nothing.
			const auto document = QJsonDocument::fromJson(runCurl({address})).object();
			QVERIFY(document.value(QLatin1String("OperationsAllowedByUser")).isObject());
			QVERIFY(document.value(QLatin1String("PersonalData")).isObject());
		}


		void startPaosWithOpenSsl_data()
		{
			QTest::addColumn<QString>("options");
			QTest::addColumn<QString>("type");
			QTest::addColumn<QString>("protocolDataType");

			QTest::newRow("initialize framework") << QString() << "InitializeFramework" << QString();
			QTest::newRow("eac1 at once") << "eac1=direct" << "DIDAuthenticate" << "EAC1InputType";
		}


		void startPaosWithOpenSsl()
		{
			QFETCH(QString, options);
			QFETCH(QString, type);
			QFETCH(QString, protocolDataType);

			const Token token = fetchToken(options);
			QByteArray request = httpPost(envelope(QString(), QStringLiteral("urn:uuid:hand-written-1"), startPaos(token.mSessionId)));
			request.replace("Host: 127.0.0.1\r\n", "Host: 127.0.0.1\r\nConnection: close\r\n");
			QByteArray output;
			int exitCode = -1;
			QCOMPARE(runSClient({QStringLiteral("-quiet"), QStringLiteral("-tls1_2"), QStringLiteral("-psk"), QString::fromLatin1(token.mPsk),
								 QStringLiteral("-psk_identity"), QString::fromLatin1(token.mSessionId)}, request, output, exitCode), QProcess::NormalExit);
			QCOMPARE(exitCode, 0);
			const HttpAnswer answer = HttpAnswer::parse(output);
			QCOMPARE(answer.mStatus, 200);
			QCOMPARE(answer.mHeader.value("content-type"), QByteArray("application/vnd.paos+xml; charset=utf-8"));
			const Document reply(answer.mBody);
			QCOMPARE(reply.mType, type);
			QCOMPARE(reply.mProtocolDataType, protocolDataType);
			QCOMPARE(reply.mRelatesTo, QStringLiteral("urn:uuid:hand-written-1"));
			QVERIFY(reply.mMessageId.startsWith(QLatin1String("urn:uuid:")));

			const auto event = paosEvent(token.mSessionId, QStringLiteral("StartPAOS"));
			QCOMPARE(event.value(QLatin1String("sessionIdentifierOk")).toBool(), true);
			QCOMPARE(event.value(QLatin1String("sentMessageId")).toString(), reply.mMessageId);
			QVERIFY(mServer.waitForEvent(QStringLiteral("psk"), [&token](const QJsonObject& pEvent){
						return pEvent.value(QLatin1String("identity")).toString().toLatin1() == token.mSessionId
							   && pEvent.value(QLatin1String("accepted")).toBool();
					}));
		}


		void pskRefused_data()
		{
			QTest::addColumn<QString>("options");
			QTest::addColumn<QString>("protocol");
			QTest::addColumn<bool>("ownIdentity");
			QTest::addColumn<bool>("ownKey");

			QTest::newRow("other identity") << QString() << "-tls1_2" << false << true;
			QTest::newRow("server knows another identity") << "identity=wrong" << "-tls1_2" << true << true;
			QTest::newRow("other key") << QString() << "-tls1_2" << true << false;
			QTest::newRow("tls 1.3") << QString() << "-tls1_3" << true << true;
		}


		void pskRefused()
		{
			QFETCH(QString, options);
			QFETCH(QString, protocol);
			QFETCH(bool, ownIdentity);
			QFETCH(bool, ownKey);

			const Token token = fetchToken(options);
			const QByteArray identity = ownIdentity ? token.mSessionId : QByteArrayLiteral("0123456789ABCDEF0123456789ABCDEF");
			const QByteArray key = ownKey ? token.mPsk : randomBytes(32).toHex();
			QByteArray output;
			int exitCode = -1;
			runSClient({QStringLiteral("-quiet"), protocol, QStringLiteral("-psk"), QString::fromLatin1(key), QStringLiteral("-psk_identity"), QString::fromLatin1(identity)},
					httpPost(envelope(QString(), QStringLiteral("urn:uuid:refused"), startPaos(token.mSessionId))), output, exitCode);
			QVERIFY(exitCode != 0);
			QVERIFY(!output.contains("HTTP/1.1"));
			const auto events = mServer.getEvents(QStringLiteral("paos"));
			for (const auto& event : events)
			{
				QVERIFY(event.value(QLatin1String("session")).toString().toLatin1() != token.mSessionId);
			}
		}


		void listeners_data()
		{
			QTest::addColumn<QString>("options");
			QTest::addColumn<QString>("listener");
			QTest::addColumn<QString>("protocol");
			QTest::addColumn<bool>("psk");
			QTest::addColumn<QByteArray>("certificate"); // empty: no handshake

			QTest::newRow("outsider") << "cert=outsider" << "eidOutsider" << "-tls1_2" << true << QByteArray("CN = outsider");
			QTest::newRow("tls 1.3 only") << "tls=13" << "eidTls13" << "-tls1_3" << false << QByteArray("CN = eid_server");
			QTest::newRow("tls 1.3 only refuses 1.2") << "tls=13" << "eidTls13" << "-tls1_2" << true << QByteArray();
		}


		void listeners()
		{
			QFETCH(QString, options);
			QFETCH(QString, listener);
			QFETCH(QString, protocol);
			QFETCH(bool, psk);
			QFETCH(QByteArray, certificate);

			const Token token = fetchToken(options);
			QCOMPARE(token.mServerAddress.port(), mServer.getPort(listener));
			QStringList arguments {protocol, QStringLiteral("-showcerts")};
			if (psk)
			{
				arguments << QStringLiteral("-psk") << QString::fromLatin1(token.mPsk) << QStringLiteral("-psk_identity") << QString::fromLatin1(token.mSessionId);
			}
			QByteArray output;
			int exitCode = -1;
			QByteArray request = httpPost(envelope(QString(), QStringLiteral("urn:uuid:listener"), startPaos(token.mSessionId)));
			runSClient(arguments, request.replace("\r\n\r\n", "\r\nConnection: close\r\n\r\n"), output, exitCode, mServer.getPort(listener));
			if (certificate.isEmpty())
			{
				QVERIFY(exitCode != 0);
				QVERIFY(!output.contains("HTTP/1.1"));
				return;
			}
			QCOMPARE(exitCode, 0);
			QVERIFY(output.contains("subject=C = DE, O = Tessarovin Test, " + certificate));
			const Document reply(HttpAnswer::parse(output).mBody);
			QCOMPARE(reply.mType, QStringLiteral("InitializeFramework"));
			QCOMPARE(reply.mRelatesTo, QStringLiteral("urn:uuid:listener"));
		}


		void cannedDialogue_data()
		{
			QTest::addColumn<QString>("options");
			QTest::addColumn<bool>("wrongToken");
			QTest::addColumn<QString>("last"); // what the server sends after the chip's token
			QTest::addColumn<bool>("resultOk");

			QTest::newRow("level 1") << "level=1" << false << "StartPAOSResponse" << true;
			QTest::newRow("level 1 without signature") << "level=1&signature=0" << false << "StartPAOSResponse" << true;
			QTest::newRow("level 1 eac1 at once") << "level=1&eac1=direct" << false << "StartPAOSResponse" << true;
			QTest::newRow("level 1 other chain") << "level=1&chain=two_dvs" << false << "StartPAOSResponse" << true;
			QTest::newRow("level 1 error result") << "level=1&result=error" << false << "StartPAOSResponse" << false;
			QTest::newRow("wrong token") << "level=1" << true << "StartPAOSResponse" << false;
			QTest::newRow("level 2 reads") << "level=2&selfauth=1" << false << "Transmit" << true;
		}


		void cannedDialogue()
		{
			QFETCH(QString, options);
			QFETCH(bool, wrongToken);
			QFETCH(QString, last);
			QFETCH(bool, resultOk);

			const QUrlQuery query(options);
			const bool eac1Direct = query.queryItemValue(QStringLiteral("eac1")) == QLatin1String("direct");
			const bool signature = query.queryItemValue(QStringLiteral("signature")) != QLatin1String("0");
			const QString chain = query.hasQueryItem(QStringLiteral("chain")) ? query.queryItemValue(QStringLiteral("chain")) : QStringLiteral("valid");
			const Token token = fetchToken(options);
			QCOMPARE(token.mSessionId.size(), 32);
			int counter = 0;
			QString relatesTo;
			const auto send = [&](const QByteArray& pBody){
						const QString id = QStringLiteral("urn:uuid:client-%1").arg(++counter);
						const HttpAnswer answer = post(token, envelope(relatesTo, id, pBody));
						const Document reply(answer.mBody);
						if (answer.mStatus != 200 || reply.mRelatesTo != id)
						{
							qWarning() << "Answer" << answer.mStatus << answer.mBody;
						}
						relatesTo = reply.mMessageId;
						return reply;
					};

			Document reply = send(startPaos(token.mSessionId));
			if (!eac1Direct)
			{
				QCOMPARE(reply.mType, QStringLiteral("InitializeFramework"));
				reply = send(initializeFrameworkResponse());
			}
			QCOMPARE(reply.mType, QStringLiteral("DIDAuthenticate"));
			QCOMPARE(reply.mProtocolDataType, QStringLiteral("EAC1InputType"));
			QStringList certificates;
			const auto expected = mPki.getEac1Certificates(chain == QLatin1String("valid") ? TestPki::Chain::VALID : TestPki::Chain::TWO_DVS);
			for (const auto& certificate : expected)
			{
				certificates << QString::fromLatin1(certificate.toHex());
			}
			QCOMPARE(reply.all(QStringLiteral("Certificate")).join(QLatin1Char(',')).toLower(), certificates.join(QLatin1Char(',')));
			QCOMPARE(reply.hex(QStringLiteral("CertificateDescription")), mPki.getDescription(TestPki::Chain::VALID));
			QCOMPARE(reply.hex(QStringLiteral("RequiredCHAT")).left(2), QByteArray::fromHex("7F4C"));
			const QByteArray auxiliaryData = reply.hex(QStringLiteral("AuthenticatedAuxiliaryData"));
			QCOMPARE(auxiliaryData.left(1), QByteArray::fromHex("67"));

			const QByteArray idPicc = randomBytes(32);
			QByteArray challenge = randomBytes(8);
			reply = send(didAuthenticateResponse("EAC1OutputType", {
						{"CertificateHolderAuthorizationTemplate", reply.hex(QStringLiteral("RequiredCHAT"))},
						{"EFCardAccess", simulatorFixture(QStringLiteral("ef_card_access.der"))},
						{"IDPICC", idPicc}, {"Challenge", challenge}}));
			QCOMPARE(reply.mType, QStringLiteral("DIDAuthenticate"));
			QCOMPARE(reply.mProtocolDataType, QStringLiteral("EAC2InputType"));
			const QByteArray ephemeralKey = reply.hex(QStringLiteral("EphemeralPublicKey"));
			QCOMPARE(ephemeralKey.size(), 65);
			QCOMPARE(ephemeralKey.at(0), char(0x04));
			QCOMPARE(reply.mTexts.contains(QStringLiteral("Signature")), signature);
			if (!signature)
			{
				challenge = randomBytes(8);
				reply = send(didAuthenticateResponse("EAC2OutputType", {{"Challenge", challenge}}));
				QCOMPARE(reply.mProtocolDataType, QStringLiteral("EACAdditionalInputType"));
			}
			const Pkey terminal = privateKey(TestPki::readFixture(QStringLiteral("terminal.pkcs8")));
			QVERIFY(terminal);
			QVERIFY(verifyPlainSignature(terminal.get(), reply.hex(QStringLiteral("Signature")), idPicc + challenge + ephemeralKey.mid(1, 32) + auxiliaryData));

			const QByteArray nonce = randomBytes(8);
			const QByteArray secret = sharedSecret(ephemeralKey);
			QVERIFY(!secret.isEmpty());
			QByteArray authenticationToken = chipToken(deriveKey(secret, nonce, 2), ephemeralKey);
			QCOMPARE(authenticationToken.size(), 8);
			if (wrongToken)
			{
				authenticationToken[0] = static_cast<char>(authenticationToken.at(0) ^ 1);
			}
			reply = send(didAuthenticateResponse("EAC2OutputType", {
						{"EFCardSecurity", simulatorFixture(QStringLiteral("ef_card_security.der"))},
						{"AuthenticationToken", authenticationToken}, {"Nonce", nonce}}));
			const int chipAuthenticationMessages = counter;
			QCOMPARE(reply.mType, last);
			if (last == QLatin1String("StartPAOSResponse"))
			{
				QCOMPARE(reply.mTexts.value(QStringLiteral("ResultMajor")) == QLatin1String(cOk), resultOk);
			}
			else
			{
				// The card's part: each Transmit reads one data group by short identifier under secure messaging.
				ChipChannel channel(secret, nonce);
				for (int group = 1; group <= 5; ++group)
				{
					QCOMPARE(reply.mType, QStringLiteral("Transmit"));
					const QByteArray header = channel.unwrapCommand(reply.hex(QStringLiteral("InputAPDU")));
					QCOMPARE(header, QByteArray::fromHex("00B0") + static_cast<char>(0x80 + group) + '\0');
					const QByteArray content = simulatorFixture(QStringLiteral("dg0%1.der").arg(group));
					reply = send("<iso:TransmitResponse>" + result() + "<iso:OutputAPDU>" + channel.wrapResponse(content).toHex()
							+ "</iso:OutputAPDU></iso:TransmitResponse>");
					QVERIFY(mServer.waitForEvent(QStringLiteral("paos"), [&token, group, &content](const QJsonObject& pEvent){
								const auto data = pEvent.value(QLatin1String("data")).toObject();
								return pEvent.value(QLatin1String("session")).toString().toLatin1() == token.mSessionId
									   && data.value(QLatin1String("dg")).toInt() == group
									   && data.value(QLatin1String("plain")).toString() == QString::fromLatin1((content + QByteArray::fromHex("9000")).toHex());
							}));
				}
				QCOMPARE(reply.mType, QStringLiteral("StartPAOSResponse"));
				QCOMPARE(reply.mTexts.value(QStringLiteral("ResultMajor")), QString::fromLatin1(cOk));
				QVERIFY(mServer.waitForEvent(QStringLiteral("paos"), [&token](const QJsonObject& pEvent){
							return pEvent.value(QLatin1String("session")).toString().toLatin1() == token.mSessionId
								   && pEvent.value(QLatin1String("level")).toInt() == 2;
						}));

				// The provider shows what was read as the self-authentication document.
				const auto document = QJsonDocument::fromJson(runCurl({token.mDocument.mTexts.value(QStringLiteral("RefreshAddress"))})).object();
				const auto personal = document.value(QLatin1String("PersonalData")).toObject();
				QCOMPARE(personal.value(QLatin1String("DocumentType")).toString(), QStringLiteral("ID"));
				QCOMPARE(personal.value(QLatin1String("FamilyNames")).toString(), QStringLiteral("KESTERMANN"));
				QCOMPARE(document.value(QLatin1String("OperationsAllowedByUser")).toObject().value(QLatin1String("GivenNames")).toString(), QStringLiteral("ALLOWED"));
			}

			// The last EAC2 output, the one with the chip's token (without signature a first one carries the challenge).
			const auto found = mServer.waitForEvent(QStringLiteral("paos"), [&token](const QJsonObject& pEvent){
						return pEvent.value(QLatin1String("session")).toString().toLatin1() == token.mSessionId
							   && pEvent.contains(QLatin1String("chipAuthentication"));
					});
			QVERIFY(found);
			const QJsonObject& event = *found;
			QCOMPARE(event.value(QLatin1String("chipAuthentication")).toString() == QLatin1String("ok"), !wrongToken);
			QCOMPARE(event.value(QLatin1String("level")).toInt(), wrongToken ? 0 : 1);
			const auto events = mServer.getEvents(QStringLiteral("paos"));
			int mine = 0;
			for (const auto& paos : events)
			{
				if (paos.value(QLatin1String("session")).toString().toLatin1() == token.mSessionId)
				{
					++mine;
					QVERIFY(paos.value(QLatin1String("relatesToOk")).toBool());
				}
			}
			QCOMPARE(mine, counter);
			QCOMPARE(event.value(QLatin1String("chain")).toArray().size(), chipAuthenticationMessages);
		}


		void clientMessages_data()
		{
			QTest::addColumn<QByteArray>("body");
			QTest::addColumn<QString>("error");

			QTest::newRow("transmit response first") << QByteArray("<iso:TransmitResponse>" + result() + "<iso:OutputAPDU>9000</iso:OutputAPDU></iso:TransmitResponse>")
													 << "expected StartPAOS";
			QTest::newRow("client error") << initializeFrameworkResponse().replace(result(), result(false)) << QString();
		}


		void clientMessages()
		{
			QFETCH(QByteArray, body);
			QFETCH(QString, error);

			const Token token = fetchToken();
			if (error.isEmpty())
			{
				QCOMPARE(Document(post(token, envelope(QString(), QStringLiteral("urn:uuid:first"), startPaos(token.mSessionId))).mBody).mType,
						QStringLiteral("InitializeFramework"));
			}
			const Document reply(post(token, envelope(QStringLiteral("urn:uuid:not-the-server's"), QStringLiteral("urn:uuid:x"), body)).mBody);
			QCOMPARE(reply.mType, QStringLiteral("StartPAOSResponse"));
			QCOMPARE(reply.mTexts.value(QStringLiteral("ResultMajor")), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error"));
			const auto event = mServer.waitForEvent(QStringLiteral("paos"), [&token](const QJsonObject& pEvent){
						return pEvent.value(QLatin1String("session")).toString().toLatin1() == token.mSessionId
							   && pEvent.value(QLatin1String("messageId")).toString() == QLatin1String("urn:uuid:x");
					});
			QVERIFY(event);
			QCOMPARE(event->value(QLatin1String("relatesToOk")).toBool(), false);
			QCOMPARE(event->value(QLatin1String("error")).toString(), error);
		}


		void faults_data()
		{
			QTest::addColumn<QString>("options");
			QTest::addColumn<int>("status");
			QTest::addColumn<QString>("type");
			QTest::addColumn<QByteArray>("header");

			QTest::newRow("http 500") << "fault=http500" << 500 << QString() << QByteArray();
			QTest::newRow("http 503") << "fault=http503" << 503 << QString() << QByteArray();
			QTest::newRow("garbage") << "fault=garbage" << 200 << QString() << QByteArray();
			QTest::newRow("closed") << "fault=close" << 0 << QString() << QByteArray();
			QTest::newRow("unknown element") << "fault=unknownElement" << 200 << "UnknownRequest" << QByteArray();
			QTest::newRow("unexpected") << "fault=unexpected" << 200 << "Transmit" << QByteArray();
			QTest::newRow("ended by server") << "fault=endError" << 200 << "StartPAOSResponse" << QByteArray();
			QTest::newRow("delayed") << "fault=delay&delay=1" << 200 << "InitializeFramework" << QByteArray();
			QTest::newRow("no-log") << "nolog=1" << 200 << "InitializeFramework" << QByteArray("no-log");
			QTest::newRow("fault later") << "fault=http503&at=InitializeFrameworkResponse" << 200 << "InitializeFramework" << QByteArray();
		}


		void faults()
		{
			QFETCH(QString, options);
			QFETCH(int, status);
			QFETCH(QString, type);
			QFETCH(QByteArray, header);

			const Token token = fetchToken(options);
			const HttpAnswer answer = post(token, envelope(QString(), QStringLiteral("urn:uuid:fault"), startPaos(token.mSessionId)));
			QCOMPARE(answer.mStatus, status);
			QCOMPARE(Document(answer.mBody).mType, type);
			QCOMPARE(answer.mHeader.value("pragma"), header);
			if (options.contains(QLatin1String("garbage")))
			{
				QCOMPARE(answer.mBody, QByteArray("This is no PAOS message <<<"));
			}
			if (options.contains(QLatin1String("at=")))
			{
				const HttpAnswer second = post(token, envelope(Document(answer.mBody).mMessageId, QStringLiteral("urn:uuid:second"), initializeFrameworkResponse()));
				QCOMPARE(second.mStatus, 503);
			}
		}


		void stunnel_data()
		{
			QTest::addColumn<bool>("psk");

			QTest::newRow("certificate, session of the TC token") << false;
			QTest::newRow("pre-shared key") << true;
		}


		// The PAOS connection resumes the TLS session of an earlier connection to the same port.
		void stunnel()
		{
			QFETCH(bool, psk);

			EidServerProcess server;
			QVERIFY(server.start(QString(), true));
			const quint16 port = server.getPort(QStringLiteral("stunnel"));
			QVERIFY(port != 0);
			QTemporaryDir folder;
			const QString session = folder.filePath(QStringLiteral("session.pem"));
			const QStringList verify {QStringLiteral("-CAfile"), TestPki::getFixture(QStringLiteral("tls_ca.pem")), QStringLiteral("-verify_return_error")};

			QByteArray output;
			int exitCode = -1;
			const QUrl url = server.getTcTokenUrl(QUrlQuery(psk ? QStringLiteral("server=stunnel") : QStringLiteral("server=stunnel&psk=0")), QStringLiteral("stunnel"));
			QCOMPARE(url.port(), port);
			runSClient(verify + QStringList {QStringLiteral("-sess_out"), session},
					"GET " + url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n",
					output, exitCode, port);
			QCOMPARE(exitCode, 0);
			QVERIFY(output.contains("New, TLSv1.2"));
			const Document token(HttpAnswer::parse(output).mBody);
			QCOMPARE(token.mTexts.value(QStringLiteral("ServerAddress")), QStringLiteral("https://127.0.0.1:%1/paos").arg(port));
			QCOMPARE(token.mTexts.contains(QStringLiteral("PSK")), psk);
			const QByteArray sessionId = token.mTexts.value(QStringLiteral("SessionIdentifier")).toLatin1();

			QStringList options = verify;
			if (psk)
			{
				options << QStringLiteral("-psk") << token.mTexts.value(QStringLiteral("PSK")) << QStringLiteral("-psk_identity") << QString::fromLatin1(sessionId)
						<< QStringLiteral("-cipher") << QStringLiteral("RSA-PSK-AES256-GCM-SHA384") << QStringLiteral("-sess_out") << session;
				runSClient(options, httpPost(envelope(QString(), QStringLiteral("urn:uuid:psk-1"), startPaos(sessionId))).replace("\r\n\r\n", "\r\nConnection: close\r\n\r\n"),
						output, exitCode, port);
				QCOMPARE(exitCode, 0);
				QVERIFY(output.contains("New, TLSv1.2, Cipher is RSA-PSK-AES256-GCM-SHA384"));
				QCOMPARE(Document(HttpAnswer::parse(output).mBody).mType, QStringLiteral("InitializeFramework"));
				options.removeLast();
				options.removeLast();
			}
			options << QStringLiteral("-sess_in") << session;
			const QByteArray body = psk ? initializeFrameworkResponse() : startPaos(sessionId);
			const QString relatesTo = psk ? Document(HttpAnswer::parse(output).mBody).mMessageId : QString();
			runSClient(options, httpPost(envelope(relatesTo, QStringLiteral("urn:uuid:resumed"), body)).replace("\r\n\r\n", "\r\nConnection: close\r\n\r\n"),
					output, exitCode, port);
			QCOMPARE(exitCode, 0);
			QVERIFY2(output.contains("Reused, TLSv1.2"), output.constData());
			const Document reply(HttpAnswer::parse(output).mBody);
			QCOMPARE(reply.mType, psk ? QStringLiteral("DIDAuthenticate") : QStringLiteral("InitializeFramework"));
			QCOMPARE(reply.mRelatesTo, QStringLiteral("urn:uuid:resumed"));
			QVERIFY(server.waitForEvent(QStringLiteral("paos"), [&sessionId](const QJsonObject& pEvent){
						return pEvent.value(QLatin1String("session")).toString().toLatin1() == sessionId
							   && pEvent.value(QLatin1String("messageId")).toString() == QLatin1String("urn:uuid:resumed")
							   && pEvent.value(QLatin1String("relatesToOk")).toBool();
					}));
		}


		void cleanupTestCase()
		{
			mServer.stop();
		}


};

QTEST_GUILESS_MAIN(test_EidServer)
#include "test_EidServer.moc"
