#include "states/StateBuilder.h"

#include "TestEnvironment.h"
#include "TestState.h"
#include "TestWorkflowContext.h"


using namespace tessarovin;

class test_StateBuilder
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void stripNamespace_data()
		{
			QTest::addColumn<QByteArray>("className");
			QTest::addColumn<QString>("name");

			QTest::newRow("namespace") << QByteArray("tessarovin::StateSelectReader") << QStringLiteral("StateSelectReader");
			QTest::newRow("nested") << QByteArray("a::b::StateX") << QStringLiteral("StateX");
			QTest::newRow("bare") << QByteArray("FinalState") << QStringLiteral("FinalState");
			QTest::newRow("empty") << QByteArray() << QString();
			QTest::newRow("only a namespace") << QByteArray("tessarovin::") << QString();
		}


		void stripNamespace()
		{
			QFETCH(QByteArray, className);
			QFETCH(QString, name);

			QCOMPARE(tessarovin::stripNamespace(className.constData()), name);
		}


		void createState()
		{
			const auto context = QSharedPointer<TestWorkflowContext>::create();

			const QScopedPointer<StateTestTwo> state(tessarovin::createState<StateTestTwo>(context));

			QCOMPARE(QByteArray(state->metaObject()->className()), QByteArray("tessarovin::StateTestTwo"));
			QCOMPARE(state->objectName(), QStringLiteral("StateTestTwo"));
			QCOMPARE(state->getStateName(), QStringLiteral("StateTestTwo"));
			QCOMPARE(state->getContext(), context);
			QVERIFY(state->parent() == nullptr);
		}


};

KENDRAWELL_TEST_MAIN(test_StateBuilder)
#include "test_StateBuilder.moc"
