#include "ProcessEntry.h"

int main(int argc, char** argv)
{
	return tessarovin::initApp(argc, argv);
}
