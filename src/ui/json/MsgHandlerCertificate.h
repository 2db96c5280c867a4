#pragma once

#include "MsgContext.h"
#include "MsgHandler.h"

namespace tessarovin
{

// CERTIFICATE: who asks for the data (the certificate description) and the terminal
// certificate's validity.
class MsgHandlerCertificate
	: public MsgHandler
{
	public:
		explicit MsgHandlerCertificate(const MsgContext& pContext);
};

} // namespace tessarovin
