#include "states/StateDidAuthenticateEac1.h"

#include "apdu/CardReturnCode.h"
#include "command/DidAuthenticateEAC1Command.h"
#include "LogCategories.h"

using namespace tessarovin;

StateDidAuthenticateEac1::StateDidAuthenticateEac1(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
	setAbortOnCardRemoved();
}


void StateDidAuthenticateEac1::onEntry(QEvent* pEvent)
{
	getContext()->setProgress(20, tr("Provider is being verified"));
	AbstractState::onEntry(pEvent);
}


void StateDidAuthenticateEac1::run()
{
	const auto& cardConnection = getContext()->getCardConnection();
	if (!cardConnection)
	{
		// Only a card that went away leaves the channel of PACE without a connection; blaming
		// anything else would send the user looking in the wrong place.
		qCWarning(statemachine) << "No card connection available";
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Card_Removed, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Did_Authenticate_Eac1_Card_Command_Failed,
				{FailureCode::Info::Card_Return_Code, Enum<CardReturnCode>::getName(CardReturnCode::CARD_NOT_FOUND)}));
		return;
	}

	addConnection(cardConnection->call(cardConnection->createDidAuthenticateEAC1Command(), this, &StateDidAuthenticateEac1::onCardCommandDone));
}


void StateDidAuthenticateEac1::onCardCommandDone(QSharedPointer<BaseCardCommand> pCommand)
{
	const auto command = pCommand.objectCast<DidAuthenticateEAC1Command>();
	if (!command)
	{
		qCCritical(statemachine) << "Expected a DidAuthenticateEAC1Command as response!";
	}

	const CardReturnCode returnCode = command ? command->getReturnCode() : CardReturnCode::PROTOCOL_ERROR;
	if (returnCode != CardReturnCode::OK)
	{
		updateStatus(cardReturnCodeToGlobalStatus(returnCode));
		Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Did_Authenticate_Eac1_Card_Command_Failed,
				{FailureCode::Info::Card_Return_Code, Enum<CardReturnCode>::getName(returnCode)}));
		return;
	}

	const auto& context = getContext();
	const auto& paceOutput = context->getPaceOutputData();
	const auto& response = context->getDidAuthenticateResponseEac1();
	response->setCertificateHolderAuthorizationTemplate(context->encodeEffectiveChat().toHex());
	response->setChallenge(command->getChallenge().toHex());
	response->setEfCardAccess(paceOutput.getEfCardAccess().toHex());
	response->setIdPicc(paceOutput.getIdIcc().toHex());

	if (!context->hasChainForCertificationAuthority(paceOutput))
	{
		// The server then sends the certificates that lead from the card's trust point on.
		qCDebug(statemachine) << "No cvc chain determined, request new cvc list";
		response->setCertificationAuthorityReference(paceOutput);
	}

	Q_EMIT fireContinue();
}
