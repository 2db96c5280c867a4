#include "states/StateDidAuthenticateEac2.h"

#include "apdu/CardReturnCode.h"
#include "command/DidAuthenticateEAC2Command.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"

using namespace tessarovin;

StateDidAuthenticateEac2::StateDidAuthenticateEac2(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
	setAbortOnCardRemoved();
}


void StateDidAuthenticateEac2::onEntry(QEvent* pEvent)
{
	getContext()->setProgress(40, tr("eID is being verified"));
	AbstractState::onEntry(pEvent);
}


void StateDidAuthenticateEac2::run()
{
	const auto& context = getContext();
	const auto& cardConnection = context->getCardConnection();
	if (!cardConnection)
	{
		// A missing card is no matter of the provider's rights, which any other failure here blames.
		qCWarning(statemachine) << "No card connection available";
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Card_Removed, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Did_Authenticate_Eac2_Card_Command_Failed,
				{FailureCode::Info::Card_Return_Code, Enum<CardReturnCode>::getName(CardReturnCode::CARD_NOT_FOUND)}));
		return;
	}

	const auto& eac2 = context->getDidAuthenticateEac2();
	const QByteArray ephemeralPublicKey = eac2->getEphemeralPublicKey().toLatin1();

	// A server that did not sign in the EAC2 request signs in the additional input it was asked for.
	QByteArray signature = eac2->getSignature().toLatin1();
	if (signature.isEmpty() && context->getDidAuthenticateEacAdditional())
	{
		signature = context->getDidAuthenticateEacAdditional()->getSignature().toLatin1();
	}

	const auto& eac1 = context->getDidAuthenticateEac1();
	const QByteArray auxiliaryData = eac1 ? eac1->getAuthenticatedAuxiliaryDataAsBinary() : QByteArray();

	const CVCertificateChain chain = context->getChainForCertificationAuthority(context->getPaceOutputData());
	if (!chain.isValid())
	{
		qCCritical(statemachine) << "No cvc chain determined, abort authentication";
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_No_Permission_Error, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode::Reason::Did_Authenticate_Eac2_Invalid_Cvc_Chain);
		return;
	}

	QByteArray pin = context->getPin().toLatin1();
	auto* command = cardConnection->createDidAuthenticateEAC2Command(chain, ephemeralPublicKey, signature, auxiliaryData, pin);
	// The command keeps its own copy and wipes it; this one goes now.
	wipe(pin);
	addConnection(cardConnection->call(command, this, &StateDidAuthenticateEac2::onCardCommandDone));
}


void StateDidAuthenticateEac2::onCardCommandDone(QSharedPointer<BaseCardCommand> pCommand)
{
	const auto command = pCommand.objectCast<DidAuthenticateEAC2Command>();
	if (!command)
	{
		qCCritical(statemachine) << "Expected a DidAuthenticateEAC2Command as response!";
	}

	const CardReturnCode returnCode = command ? command->getReturnCode() : CardReturnCode::PROTOCOL_ERROR;
	if (returnCode != CardReturnCode::OK)
	{
		GlobalStatus::Code status = GlobalStatus::Code::Workflow_No_Permission_Error;
		switch (returnCode)
		{
			case CardReturnCode::COMMAND_FAILED:
				// The reader lost the card in the middle of the protocol.
				status = GlobalStatus::Code::Workflow_Card_Removed;
				break;

			case CardReturnCode::WRONG_LENGTH:
				status = GlobalStatus::Code::Workflow_Wrong_Length_Error;
				break;

			default:
				// The card refused the provider's certificates or signature.
				break;
		}
		updateStatus(GlobalStatus(status, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Did_Authenticate_Eac2_Card_Command_Failed,
				{FailureCode::Info::Card_Return_Code, Enum<CardReturnCode>::getName(returnCode)}));
		return;
	}

	const auto& response = getContext()->getDidAuthenticateResponseEac2();
	response->setEfCardSecurity(command->getCardSecurity());
	response->setAuthenticationToken(command->getAuthTokenAsHex());
	response->setNonce(command->getNonceAsHex());
	Q_EMIT fireContinue();
}
