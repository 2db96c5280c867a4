#pragma once

#include "ReaderManager.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QString>
#include <QtTest>

namespace tessarovin
{

// What the pcscd fixture of CTest (test/card/pcsc/pcscd_fixture.py) left in its folder beside the
// test programs: empty when its pcscd runs, otherwise why the test cannot use it.
inline QString pcscdFixtureProblem()
{
	const QString folder = getProgramDirectory() + QStringLiteral("/pcscd");
	QFile skip(folder + QStringLiteral("/skip"));
	if (skip.open(QIODevice::ReadOnly))
	{
		return QString::fromUtf8(skip.readAll());
	}
	if (!QFile::exists(folder + QStringLiteral("/pcscd.pid")))
	{
		return QStringLiteral("pcscd is not running: ctest starts it for this test");
	}
	return QString();
}


// The name of vpcd's reader once the reader manager reports it, empty before.
inline QString vpcdReaderName(const ReaderManager& pManager)
{
	const auto infos = pManager.getReaderInfos();
	for (const auto& info : infos)
	{
		if (info.getPluginType() == ReaderManagerPluginType::PCSC && info.getName().startsWith(QLatin1String("Virtual PCD")))
		{
			return info.getName();
		}
	}
	return QString();
}

} // namespace tessarovin

// Skips the test where the fixture's pcscd does not run (another pcscd holds the socket); in CI,
// where the scripts start nothing else, that is a failure.
#define KENDRAWELL_REQUIRE_PCSCD_FIXTURE() \
	if (const QString problem = tessarovin::pcscdFixtureProblem(); !problem.isEmpty()) \
	{ \
		if (qEnvironmentVariableIsSet("CI")) \
		{ \
			QFAIL(qPrintable(problem)); \
		} \
		QSKIP(qPrintable(problem)); \
	}
