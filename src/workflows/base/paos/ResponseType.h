#pragma once

#include "ECardApiResult.h"
#include "paos/PaosMessage.h"

namespace tessarovin
{

// A PAOS message that carries an eCard-API result: every response the client sends and the
// server's closing StartPAOSResponse. Starts with the ok result.
class ResponseType
	: public PaosMessage
{
	private:
		ECardApiResult mResult;

	protected:
		explicit ResponseType(PaosType pType);

	public:
		~ResponseType() override;

		[[nodiscard]] const ECardApiResult& getResult() const;
		void setResult(const ECardApiResult& pResult);
};

} // namespace tessarovin
