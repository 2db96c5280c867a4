#pragma once

#include "TestEnvironment.h"

#include <QFile>
#include <QString>

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

} // namespace tessarovin
