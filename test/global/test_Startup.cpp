#include "TestEnvironment.h"

#include <QVariant>

// The probe library registers a start-up routine in a file that this program never calls.
class test_Startup
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void routineRanOnConstruction()
		{
			QCOMPARE(qApp->property("startupProbeRuns").toInt(), 1);
		}


};

KENDRAWELL_TEST_MAIN(test_Startup)
#include "test_Startup.moc"
