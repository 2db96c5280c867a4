#include <QCoreApplication>
#include <QVariant>

namespace
{

// Nothing refers to this file: only the whole-archive link keeps the routine in a program.
void markStartupProbe()
{
	const int runs = qApp->property("startupProbeRuns").toInt();
	qApp->setProperty("startupProbeRuns", runs + 1);
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(markStartupProbe)
