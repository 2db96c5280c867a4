#pragma once

#include "paos/ResponseType.h"
#include "paos/sent/PaosCreator.h"

namespace tessarovin
{

// The answer to InitializeFramework: the result and the eCard-API version the client speaks.
class InitializeFrameworkResponse
	: public PaosCreator
	, public ResponseType
{
	protected:
		void createBodyElement(QXmlStreamWriter& pWriter) override;

	public:
		InitializeFrameworkResponse();
		~InitializeFrameworkResponse() override;

		using PaosCreator::setRelatesTo;
};

} // namespace tessarovin
