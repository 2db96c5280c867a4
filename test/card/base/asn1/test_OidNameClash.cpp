#include "asn1/Oid.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <openssl/objects.h>

using namespace tessarovin;

namespace
{

// Another library took one of our names for an identifier of its own before the application
// object registers ours.
const int cClashingNid = OBJ_create("1.3.6.1.4.1.99999.1", "id-PK-ECDH", "clashing name");

} // namespace


class test_OidNameClash
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void identifierIsKeptWithoutNames()
		{
			QVERIFY(cClashingNid != NID_undef);

			const Oid oid(KnownOid::ID_PK_ECDH);
			QVERIFY(!oid.isEmpty());
			QVERIFY(OBJ_obj2nid(oid.getObject()) != cClashingNid);
			QCOMPARE(Oid(QByteArray::fromHex("04007F000702020102")), oid);
			QVERIFY(oid != Oid(KnownOid::ID_PK_DH));
			QCOMPARE(QByteArray(OBJ_nid2sn(cClashingNid)), QByteArray("id-PK-ECDH"));
		}


};

KENDRAWELL_TEST_MAIN(test_OidNameClash)
#include "test_OidNameClash.moc"
