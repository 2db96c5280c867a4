#include "paos/sent/StartPaos.h"

#include "PaosGolden.h"
#include "TestEnvironment.h"


using namespace tessarovin;

class test_StartPaos
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			// No third part: the user agent writes 0 for it.
			QCoreApplication::setApplicationVersion(QStringLiteral("2.7+31-default"));
		}


		void golden()
		{
			StartPaos startPaos(QByteArrayLiteral("4b3c0e1d2f9a8b7c6d5e4f3a2b1c0d9e"));
			QCOMPARE(startPaos.getType(), PaosType::STARTPAOS);
			QCOMPARE_GOLDEN(startPaos.marshall(), QStringLiteral("start_paos.xml"));
		}


		void sessionIdentifierIsEscapedText()
		{
			StartPaos startPaos(QByteArrayLiteral("a<b>&c"));
			const auto children = childrenOf(startPaos.marshall(), PaosCreator::getNamespace(PaosCreator::Namespace::TECHSCHEMA), QStringLiteral("StartPAOS"));
			QVERIFY(!children.isEmpty());
			QCOMPARE(children.first(), QStringLiteral("{urn:iso:std:iso-iec:24727:tech:schema}SessionIdentifier=a<b>&c"));
		}


};

KENDRAWELL_TEST_MAIN(test_StartPaos)
#include "test_StartPaos.moc"
