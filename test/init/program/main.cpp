#include "ProcessEntry.h"

#include <QtPlugin>

Q_IMPORT_PLUGIN(UiPluginActive)


// The program as it is built, with one active front end of the tests in place of the real ones.
int main(int argc, char** argv)
{
	return tessarovin::initApp(argc, argv);
}
