#include "asn1/CVCertificateChain.h"

#include "CvcFixture.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

namespace
{

using Certificates = QList<QSharedPointer<const cvcertificate_st>>;


QSharedPointer<const cvcertificate_st> make(AccessRole pRole)
{
	return cvcertificate_st::decode(CvcFixture::unsignedCertificate("CAR", "CHR", pRole));
}


QByteArray fixture(const QString& pName)
{
	return CvcFixture::read(QStringLiteral("prime256v1"), pName + QStringLiteral(".cvcert"));
}


} // namespace


class test_CVCertificateChain
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void cleanup()
		{
			CVCertificateChain::setProductiveRootSource(nullptr);
		}


		void validity_data()
		{
			QTest::addColumn<QList<AccessRole>>("roles");
			QTest::addColumn<bool>("valid");

			using R = AccessRole;
			QTest::newRow("empty") << QList<R>() << false;
			QTest::newRow("terminal alone") << QList<R>({R::AT}) << false;
			QTest::newRow("official DV, terminal") << QList<R>({R::DV_od, R::AT}) << true;
			QTest::newRow("foreign DV, terminal") << QList<R>({R::DV_no_f, R::AT}) << true;
			QTest::newRow("CVCA, link, DV, terminal") << QList<R>({R::CVCA, R::CVCA, R::DV_od, R::AT}) << true;
			QTest::newRow("CVCA, terminal") << QList<R>({R::CVCA, R::AT}) << false;
			QTest::newRow("terminal, terminal") << QList<R>({R::AT, R::AT}) << false;
			QTest::newRow("ends in a DV") << QList<R>({R::CVCA, R::DV_od}) << false;
			QTest::newRow("terminal before DV") << QList<R>({R::CVCA, R::AT, R::DV_od}) << false;
		}


		void validity()
		{
			QFETCH(QList<AccessRole>, roles);
			QFETCH(bool, valid);

			Certificates certificates;
			for (const auto role : roles)
			{
				certificates += make(role);
			}

			const CVCertificateChain chain(certificates);
			QCOMPARE(chain.isValid(), valid);
			QCOMPARE(chain.size(), valid ? certificates.size() : 0);
			if (valid)
			{
				QCOMPARE(chain.getTerminalCvc(), certificates.constLast());
				QCOMPARE(chain.getDvCvc(), certificates.at(certificates.size() - 2));
			}
		}


		void emptyChainHasNoCertificates()
		{
			const CVCertificateChain chain;
			QVERIFY(!chain.isValid());
			QVERIFY(chain.getTerminalCvc().isNull());
			QVERIFY(chain.getDvCvc().isNull());
			QVERIFY(!chain.isProductive());
			QVERIFY(!CVCertificateChain(Certificates({make(AccessRole::DV_od), nullptr})).isValid());
		}


		void productive_data()
		{
			QTest::addColumn<QStringList>("roots");
			QTest::addColumn<bool>("productive");

			QTest::newRow("first certificate is a root") << QStringList({"cvca"}) << true;
			QTest::newRow("among other roots and garbage") << QStringList({"link", "garbage", "cvca"}) << true;
			QTest::newRow("other roots only") << QStringList({"link"}) << false;
			QTest::newRow("no roots") << QStringList() << false;
		}


		void productive()
		{
			QFETCH(QStringList, roots);
			QFETCH(bool, productive);

			QList<QByteArray> ders;
			for (const auto& root : roots)
			{
				ders += root == QLatin1String("garbage") ? QByteArray("garbage") : fixture(root);
			}
			CVCertificateChain::setProductiveRootSource([ders] {
					return ders;
				});

			// A fresh decoding of the same octets: identity is by content, not by pointer.
			const CVCertificateChain chain(cvcertificate_st::decodeList({fixture(QStringLiteral("cvca")),
					fixture(QStringLiteral("dv_foreign")), fixture(QStringLiteral("terminal_foreign"))}));
			QVERIFY(chain.isValid());
			QCOMPARE(chain.isProductive(), productive);
		}


		void productiveWithoutSource()
		{
			const CVCertificateChain chain(cvcertificate_st::decodeList({fixture(QStringLiteral("cvca")),
					fixture(QStringLiteral("dv_foreign")), fixture(QStringLiteral("terminal_foreign"))}));
			QVERIFY(!chain.isProductive());
		}


};

KENDRAWELL_TEST_MAIN(test_CVCertificateChain)
#include "test_CVCertificateChain.moc"
