#pragma once

#include "NetworkManager.h"

namespace tessarovin
{

// A network manager that a requestor owns, apart from the process-wide one.
class ServerRequestorManager
	: public NetworkManager
{
	Q_OBJECT

	public:
		ServerRequestorManager() = default;
		~ServerRequestorManager() override;
};

} // namespace tessarovin
