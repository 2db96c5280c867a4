#pragma once

#include <QCoreApplication>
#include <QTest>

namespace tessarovin
{

// Points HOME, TMPDIR and the XDG directories (XDG_CONFIG_DIRS too) at an emptied folder of the test's own.
void prepareTestEnvironment(const char* pHome);

} // namespace tessarovin

#define KENDRAWELL_TEST_MAIN(TestObject) \
	int main(int argc, char** argv) \
	{ \
		tessarovin::prepareTestEnvironment(KENDRAWELL_TEST_HOME); \
		QCoreApplication app(argc, argv); \
		TestObject testObject; \
		return QTest::qExec(&testObject, argc, argv); \
	}
