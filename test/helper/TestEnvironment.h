#pragma once

#include <QCoreApplication>
#include <QTest>

namespace tessarovin
{

// Points HOME, TMPDIR and the XDG directories (XDG_CONFIG_DIRS too) at an emptied folder of the test's
// own; a relative path is taken from the program's folder.
void prepareTestEnvironment(const char* pHome);

// The folder of the running program, also before an application object exists. Tests, benchmarks
// and the card peer share one output folder, with links to the fixtures beside them: no absolute
// path of the checkout is compiled in, so a clone elsewhere compiles to the same objects.
QString getProgramDirectory();

// Root with CAP_SYS_PTRACE in its effective set: only then are another user's /proc entries
// (open files, executable) readable, as the reverse proxy needs them.
bool mayTraceOtherUsers();

} // namespace tessarovin

#define KENDRAWELL_TEST_MAIN(TestObject) \
	int main(int argc, char** argv) \
	{ \
		tessarovin::prepareTestEnvironment(KENDRAWELL_TEST_HOME); \
		QCoreApplication app(argc, argv); \
		TestObject testObject; \
		return QTest::qExec(&testObject, argc, argv); \
	}
