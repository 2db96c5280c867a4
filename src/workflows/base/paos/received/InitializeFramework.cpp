#include "paos/received/InitializeFramework.h"

using namespace tessarovin;


InitializeFramework::InitializeFramework()
	: PaosMessage(PaosType::INITIALIZE_FRAMEWORK)
{
}


InitializeFramework::~InitializeFramework() = default;
