#pragma once

#include "states/StateGenericProviderCommunication.h"

namespace tessarovin
{

// Fetches the card's data from the refresh address of the self-authentication service, once the
// refresh check has approved that address, and hands the parsed document to the context.
// The document holds personal data: its body never goes to the "network" category.
class StateGetSelfAuthenticationData
	: public StateGenericProviderCommunication
{
	Q_OBJECT

	private:
		void setProgress() const override;
		[[nodiscard]] QUrl getRequestUrl() const override;
		[[nodiscard]] QByteArray getPayload() const override;
		[[nodiscard]] bool isRawDataLoggingAllowed() override;
		void handleNetworkReply(const QByteArray& pContent) override;

	public:
		explicit StateGetSelfAuthenticationData(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
