#pragma once

#include "paos/PaosMessage.h"

namespace tessarovin
{

// The server's InitializeFramework request; its content is not read.
class InitializeFramework
	: public PaosMessage
{
	public:
		InitializeFramework();
		~InitializeFramework() override;
};

} // namespace tessarovin
