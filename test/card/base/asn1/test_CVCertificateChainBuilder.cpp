#include "asn1/CVCertificateChainBuilder.h"

#include "CvcFixture.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

namespace
{

using Certificates = QList<QSharedPointer<const cvcertificate_st>>;

struct Spec
{
	const char* mCar;
	const char* mChr;
	AccessRole mRole;
	char mSignature;
};

// Named certificates; only references, roles and signatures matter to the builder.
const QMap<QString, Spec> cCertificates = {
	{QStringLiteral("R"), {"DECVCA00001", "DECVCA00001", AccessRole::CVCA, 1}},
	{QStringLiteral("L"), {"DECVCA00001", "DECVCA00002", AccessRole::CVCA, 1}},
	{QStringLiteral("D"), {"DECVCA00001", "DEDV000001", AccessRole::DV_od, 1}},
	{QStringLiteral("D'"), {"DECVCA00001", "DEDV000001", AccessRole::DV_od, 2}},
	{QStringLiteral("D1"), {"DECVCA00001", "DEDV000001", AccessRole::DV_od, 3}},
	{QStringLiteral("D2"), {"DECVCA00001", "DEDV000001", AccessRole::DV_no_f, 4}},
	{QStringLiteral("DL"), {"DECVCA00002", "DEDV000001", AccessRole::DV_od, 1}},
	{QStringLiteral("DZ"), {"DECVCA99999", "DEDV000001", AccessRole::DV_od, 1}},
	{QStringLiteral("A"), {"DECVCAB0001", "DECVCAA0001", AccessRole::CVCA, 1}},
	{QStringLiteral("B"), {"DECVCAA0001", "DECVCAB0001", AccessRole::CVCA, 1}},
	{QStringLiteral("DA"), {"DECVCAA0001", "DEDV000001", AccessRole::DV_od, 1}},
	{QStringLiteral("T"), {"DEDV000001", "DETERM00001", AccessRole::AT, 1}},
	{QStringLiteral("T2"), {"DEDV000001", "DETERM00002", AccessRole::AT, 1}},
	{QStringLiteral("TR"), {"DECVCA00001", "DETERM00003", AccessRole::AT, 1}},
	{QStringLiteral("TZ"), {"DEDV999999", "DETERM00004", AccessRole::AT, 1}}
};


QSharedPointer<const cvcertificate_st> make(const QString& pName)
{
	const Spec spec = cCertificates.value(pName);
	// Each call decodes afresh: duplicates are equal by content, never the same object.
	return cvcertificate_st::decode(CvcFixture::unsignedCertificate(spec.mCar, spec.mChr, spec.mRole, QByteArray(64, spec.mSignature)));
}


Certificates makeAll(const QStringList& pNames)
{
	Certificates certificates;
	for (const auto& name : pNames)
	{
		certificates += make(name);
	}
	return certificates;
}


QString nameOf(const QSharedPointer<const cvcertificate_st>& pCertificate)
{
	for (auto it = cCertificates.cbegin(); it != cCertificates.cend(); ++it)
	{
		if (*make(it.key()) == *pCertificate)
		{
			return it.key();
		}
	}
	return QStringLiteral("?");
}


QStringList namesOf(const Certificates& pChain)
{
	QStringList names;
	for (const auto& certificate : pChain)
	{
		names += nameOf(certificate);
	}
	return names;
}


struct PaceOutput
{
	QByteArray mCurrent;
	QByteArray mPrevious;

	[[nodiscard]] const QByteArray& getCarCurr() const
	{
		return mCurrent;
	}


	[[nodiscard]] const QByteArray& getCarPrev() const
	{
		return mPrevious;
	}


};


} // namespace


class test_CVCertificateChainBuilder
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void build_data()
		{
			QTest::addColumn<QStringList>("input");
			QTest::addColumn<QList<QStringList>>("chains");
			QTest::addColumn<QStringList>("messages");
			QTest::addColumn<QStringList>("absent");

			const QString duplicate = QStringLiteral("Ignored duplicate certificate");
			const QString twoTerminals = QStringLiteral("More than one terminal certificate");
			const QString missing = QStringLiteral("Missing terminal certificate");
			const QString noChains = QStringLiteral("No valid chains could be built");
			const QString invalid = QStringLiteral("Ignored invalid chain");
			const QString circular = QStringLiteral("Maximum chain length exceeded, potential circular reference");

			QTest::newRow("root, DV, terminal") << QStringList({"R", "D", "T"}) << QList<QStringList>({{"R", "D", "T"}})
												<< QStringList({"Identified terminal certificate", "Found valid chain [(Self Signed) DECVCA00001, DEDV000001, DETERM00001]"})
												<< QStringList({duplicate, noChains});
			QTest::newRow("terminal first") << QStringList({"T", "D", "R"}) << QList<QStringList>({{"R", "D", "T"}}) << QStringList() << QStringList();
			QTest::newRow("link without root") << QStringList({"L", "DL", "T"}) << QList<QStringList>({{"L", "DL", "T"}}) << QStringList() << QStringList();
			QTest::newRow("root, link, DV, terminal") << QStringList({"R", "L", "DL", "T"}) << QList<QStringList>({{"R", "L", "DL", "T"}}) << QStringList() << QStringList();
			QTest::newRow("DV twice") << QStringList({"R", "D", "D", "T"}) << QList<QStringList>({{"R", "D", "T"}})
									  << QStringList({duplicate}) << QStringList();
			QTest::newRow("terminal twice") << QStringList({"R", "D", "T", "T"}) << QList<QStringList>({{"R", "D", "T"}})
											<< QStringList({duplicate}) << QStringList({twoTerminals});
			QTest::newRow("two terminals") << QStringList({"R", "D", "T", "T2"}) << QList<QStringList>()
										   << QStringList({twoTerminals}) << QStringList({missing, noChains, invalid});
			QTest::newRow("no terminal") << QStringList({"R", "D"}) << QList<QStringList>()
										 << QStringList({missing}) << QStringList({noChains});
			QTest::newRow("nothing") << QStringList() << QList<QStringList>() << QStringList({missing}) << QStringList();
			QTest::newRow("terminal under nothing") << QStringList({"TZ", "R", "D"}) << QList<QStringList>()
													<< QStringList({invalid + QStringLiteral(" [DETERM00004]"), noChains}) << QStringList();
			QTest::newRow("terminal under a root") << QStringList({"R", "TR"}) << QList<QStringList>()
												   << QStringList({invalid, noChains}) << QStringList();
			QTest::newRow("DV under an unknown authority") << QStringList({"DZ", "T"}) << QList<QStringList>({{"DZ", "T"}}) << QStringList() << QStringList();
			QTest::newRow("two DVs under one CHR") << QStringList({"R", "D1", "D2", "T"}) << QList<QStringList>({{"R", "D2", "T"}, {"R", "D1", "T"}})
												   << QStringList() << QStringList();
			QTest::newRow("same body, other signature") << QStringList({"R", "D", "D'", "T"}) << QList<QStringList>({{"R", "D'", "T"}, {"R", "D", "T"}})
														<< QStringList() << QStringList({duplicate});
			QTest::newRow("circular pair") << QStringList({"A", "B", "DA", "T"}) << QList<QStringList>()
										   << QStringList({circular, noChains}) << QStringList();
			QTest::newRow("circular pair beside a good chain") << QStringList({"R", "D", "A", "B", "DA", "T"}) << QList<QStringList>({{"R", "D", "T"}})
															   << QStringList({circular}) << QStringList({noChains});
		}


		void build()
		{
			QFETCH(QStringList, input);
			QFETCH(QList<QStringList>, chains);
			QFETCH(QStringList, messages);
			QFETCH(QStringList, absent);

			const LogCapture log;
			const CVCertificateChainBuilder builder(makeAll(input));

			for (const auto& message : messages)
			{
				QVERIFY2(log.contains(message), qPrintable(message + QStringLiteral(" not in\n") + log.messages().join(QLatin1Char('\n'))));
			}
			for (const auto& message : absent)
			{
				QVERIFY2(!log.contains(message), qPrintable(message));
			}

			QCOMPARE(log.count(QStringLiteral("Found valid chain")), chains.size());

			// Each chain is found from the first certificate that no earlier chain has at that
			// place; so the first chain found is the one a query meets first.
			for (qsizetype i = 0; i < chains.size(); ++i)
			{
				const QStringList& chain = chains.at(i);
				qsizetype start = 0;
				for (qsizetype j = 0; j < i; ++j)
				{
					while (start < chain.size() && chains.at(j).value(start) == chain.at(start))
					{
						++start;
					}
				}
				QCOMPARE(namesOf(builder.getChainStartingWith(make(chain.at(start)))), chain.mid(start));
			}
			if (chains.isEmpty())
			{
				for (const auto& name : input)
				{
					QVERIFY(!builder.getChainStartingWith(make(name)).isValid());
				}
			}
		}


		void chainForAuthority_data()
		{
			QTest::addColumn<QStringList>("input");
			QTest::addColumn<QByteArray>("car");
			QTest::addColumn<QStringList>("chain");

			QTest::newRow("root is left out") << QStringList({"R", "D", "T"}) << QByteArray("DECVCA00001") << QStringList({"D", "T"});
			QTest::newRow("link under the card's CVCA") << QStringList({"L", "DL", "T"}) << QByteArray("DECVCA00001") << QStringList({"L", "DL", "T"});
			QTest::newRow("card already trusts the new CVCA") << QStringList({"L", "DL", "T"}) << QByteArray("DECVCA00002") << QStringList({"DL", "T"});
			QTest::newRow("root and link") << QStringList({"R", "L", "DL", "T"}) << QByteArray("DECVCA00001") << QStringList({"L", "DL", "T"});
			QTest::newRow("later DV first") << QStringList({"R", "D1", "D2", "T"}) << QByteArray("DECVCA00001") << QStringList({"D2", "T"});
			QTest::newRow("DV is no authority for a chain") << QStringList({"R", "D", "T"}) << QByteArray("DEDV000001") << QStringList();
			QTest::newRow("unknown authority") << QStringList({"R", "D", "T"}) << QByteArray("DECVCA00009") << QStringList();
			QTest::newRow("empty authority") << QStringList({"R", "D", "T"}) << QByteArray() << QStringList();
			QTest::newRow("two terminals") << QStringList({"R", "D", "T", "T2"}) << QByteArray("DECVCA00001") << QStringList();
			QTest::newRow("no terminal") << QStringList({"R", "D"}) << QByteArray("DECVCA00001") << QStringList();
		}


		void chainForAuthority()
		{
			QFETCH(QStringList, input);
			QFETCH(QByteArray, car);
			QFETCH(QStringList, chain);

			const CVCertificateChainBuilder builder(makeAll(input));
			const LogCapture log;
			const auto result = builder.getChainForCertificationAuthority(car);
			QCOMPARE(namesOf(result), chain);
			QCOMPARE(result.isValid(), !chain.isEmpty());
			QVERIFY(log.contains(QStringLiteral("Get chain for authority")));
			QCOMPARE(log.contains(QStringLiteral("Cannot find a valid chain for authority")), chain.isEmpty());
			if (!chain.isEmpty())
			{
				QStringList holders;
				for (const auto& name : chain)
				{
					holders += QString::fromLatin1(cCertificates.value(name).mChr);
				}
				QVERIFY(log.contains(QStringLiteral("Found valid chain [%1]").arg(holders.join(QStringLiteral(", ")))));
			}
		}


		void chainForPaceOutput_data()
		{
			QTest::addColumn<QByteArray>("current");
			QTest::addColumn<QByteArray>("previous");
			QTest::addColumn<QStringList>("chain");
			QTest::addColumn<bool>("triedPrevious");
			QTest::addColumn<bool>("failed");

			QTest::newRow("current") << QByteArray("DECVCA00001") << QByteArray("DECVCA00009") << QStringList({"L", "DL", "T"}) << false << false;
			QTest::newRow("current, previous unused") << QByteArray("DECVCA00002") << QByteArray("DECVCA00001") << QStringList({"DL", "T"}) << false << false;
			QTest::newRow("previous") << QByteArray("DECVCA00009") << QByteArray("DECVCA00001") << QStringList({"L", "DL", "T"}) << true << false;
			QTest::newRow("neither") << QByteArray("DECVCA00009") << QByteArray("DECVCA00008") << QStringList() << true << true;
			QTest::newRow("no previous") << QByteArray("DECVCA00009") << QByteArray() << QStringList() << true << true;
		}


		void chainForPaceOutput()
		{
			QFETCH(QByteArray, current);
			QFETCH(QByteArray, previous);
			QFETCH(QStringList, chain);
			QFETCH(bool, triedPrevious);
			QFETCH(bool, failed);

			const CVCertificateChainBuilder builder(makeAll({"L", "DL", "T"}));
			const LogCapture log;
			const auto result = builder.getChainForCertificationAuthority(PaceOutput {current, previous});
			QCOMPARE(namesOf(result), chain);
			QCOMPARE(log.contains(QStringLiteral("Cannot get CVC chain for CAR current, try CAR previous")), triedPrevious);
			QCOMPARE(log.contains(QStringLiteral("Cannot get CVC chain for CAR current and CAR previous")), failed);
		}


		void chainStartingWith_data()
		{
			QTest::addColumn<QString>("root");
			QTest::addColumn<QStringList>("chain");

			QTest::newRow("root") << QStringLiteral("R") << QStringList({"R", "L", "DL", "T"});
			QTest::newRow("link") << QStringLiteral("L") << QStringList({"L", "DL", "T"});
			QTest::newRow("DV") << QStringLiteral("DL") << QStringList({"DL", "T"});
			QTest::newRow("terminal") << QStringLiteral("T") << QStringList();
			QTest::newRow("unknown") << QStringLiteral("D") << QStringList();
			QTest::newRow("null") << QString() << QStringList();
		}


		void chainStartingWith()
		{
			QFETCH(QString, root);
			QFETCH(QStringList, chain);

			const CVCertificateChainBuilder builder(makeAll({"R", "L", "DL", "T"}));
			const LogCapture log;
			const auto result = builder.getChainStartingWith(root.isNull() ? nullptr : make(root));
			QCOMPARE(namesOf(result), chain);
			QVERIFY(log.contains(QStringLiteral("Get chain for root")));
			QCOMPARE(log.contains(QStringLiteral("Cannot find a valid chain for root")), chain.isEmpty());
		}


		void defaultBuilderHasNoChains()
		{
			const CVCertificateChainBuilder builder;
			QVERIFY(!builder.getChainForCertificationAuthority(QByteArray("DECVCA00001")).isValid());
			QVERIFY(!builder.getChainStartingWith(make(QStringLiteral("R"))).isValid());
		}


		void loopingGroupsGiveNoChain()
		{
			// Two groups of certificates that issue each other: every branch runs into a loop.
			Certificates certificates;
			for (int i = 0; i < 4; ++i)
			{
				certificates += cvcertificate_st::decode(CvcFixture::unsignedCertificate("DECVCAB0001", "DECVCAA0001", AccessRole::CVCA, QByteArray(64, static_cast<char>(i))));
				certificates += cvcertificate_st::decode(CvcFixture::unsignedCertificate("DECVCAA0001", "DECVCAB0001", AccessRole::CVCA, QByteArray(64, static_cast<char>(i))));
			}
			certificates += make(QStringLiteral("DA"));
			certificates += make(QStringLiteral("T"));

			const LogCapture log;
			const CVCertificateChainBuilder builder(certificates);
			QVERIFY(log.contains(QStringLiteral("Maximum chain length exceeded, potential circular reference")));
			QVERIFY(log.contains(QStringLiteral("No valid chains could be built")));
		}


};

KENDRAWELL_TEST_MAIN(test_CVCertificateChainBuilder)
#include "test_CVCertificateChainBuilder.moc"
