#include "paos/received/DIDAuthenticateEAC1.h"

#include "TestEnvironment.h"

#include <QFile>


using namespace tessarovin;

namespace
{

QSharedPointer<const cvcertificate_st> load(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/asn1/cvc/brainpoolP256r1/") + pName + QStringLiteral(".cvcert"));
	if (!file.open(QIODevice::ReadOnly))
	{
		return nullptr;
	}
	return cvcertificate_st::decode(file.readAll());
}

} // namespace


class test_DIDAuthenticateEAC1
	: public QObject
{
	Q_OBJECT

	private:
		QMap<QString, QSharedPointer<const cvcertificate_st>> mCertificates;
		// Not the order of the chain: the server may send them in any order.
		const QStringList mReceived = {"terminal", "dv_foreign", "cvca", "dv_domestic", "link"};

	private Q_SLOTS:
		void initTestCase()
		{
			for (const auto& name : std::as_const(mReceived))
			{
				const auto certificate = load(name);
				QVERIFY2(certificate, qPrintable(name));
				mCertificates.insert(name, certificate);
			}
		}


		void certificatesByRole_data()
		{
			QTest::addColumn<QList<AccessRole>>("roles");
			QTest::addColumn<QStringList>("names");

			QTest::newRow("terminal") << QList<AccessRole>({AccessRole::AT}) << QStringList({"terminal"});
			QTest::newRow("both DV kinds, received order") << QList<AccessRole>({AccessRole::DV_od, AccessRole::DV_no_f}) << QStringList({"dv_foreign", "dv_domestic"});
			QTest::newRow("CVCA and link") << QList<AccessRole>({AccessRole::CVCA}) << QStringList({"cvca", "link"});
			QTest::newRow("no role") << QList<AccessRole>() << QStringList();
		}


		void certificatesByRole()
		{
			QFETCH(QList<AccessRole>, roles);
			QFETCH(QStringList, names);

			Eac1InputType record;
			for (const auto& name : std::as_const(mReceived))
			{
				record.appendCvcert(mCertificates.value(name));
			}
			DIDAuthenticateEAC1 message;
			message.setEac1InputType(record);

			QList<QSharedPointer<const cvcertificate_st>> expected;
			for (const auto& name : std::as_const(names))
			{
				expected += mCertificates.value(name);
			}
			QCOMPARE(message.getCvCertificates(roles), expected);
			QCOMPARE(message.getCvCertificates().size(), mReceived.size());
		}


		void setterCopiesRecord()
		{
			Eac1InputType record;
			record.setTransactionInfo(QStringLiteral("order 42"));
			record.setAcceptedEidTypes({AcceptedEidType::SE_ENDORSED});
			record.setCertificateDescription(QByteArrayLiteral("\x30\x00"), nullptr);

			DIDAuthenticateEAC1 message;
			QCOMPARE(message.getType(), PaosType::DID_AUTHENTICATE_EAC1);
			QVERIFY(message.getAuthenticatedAuxiliaryData().isNull());
			QVERIFY(message.getRequiredChat().isNull());
			message.setEac1InputType(record);
			record.setTransactionInfo(QStringLiteral("changed"));
			record.appendCvcert(mCertificates.value(QStringLiteral("terminal")));

			QCOMPARE(message.getTransactionInfo(), QStringLiteral("order 42"));
			QCOMPARE(message.getAcceptedEidTypes(), QList<AcceptedEidType>({AcceptedEidType::SE_ENDORSED}));
			QCOMPARE(message.getCertificateDescriptionAsBinary(), QByteArrayLiteral("\x30\x00"));
			QVERIFY(message.getCvCertificates().isEmpty());
		}


};

KENDRAWELL_TEST_MAIN(test_DIDAuthenticateEAC1)
#include "test_DIDAuthenticateEAC1.moc"
