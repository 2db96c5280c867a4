#pragma once

#include "paos/PaosMessage.h"
#include "paos/received/ConnectionHandle.h"

#include <QString>

namespace tessarovin
{

// What the three received DIDAuthenticate requests share; the xsi:type of their
// AuthenticationProtocolData decides which one a document is.
class DidAuthenticateMessage
	: public PaosMessage
{
	private:
		ConnectionHandle mConnectionHandle;
		QString mDidName;

	protected:
		explicit DidAuthenticateMessage(PaosType pType);

	public:
		~DidAuthenticateMessage() override;

		[[nodiscard]] const ConnectionHandle& getConnectionHandle() const;
		void setConnectionHandle(const ConnectionHandle& pConnectionHandle);

		[[nodiscard]] const QString& getDidName() const;
		void setDidName(const QString& pDidName);
};

} // namespace tessarovin
