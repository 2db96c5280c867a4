#include "states/StateTransmit.h"

#include "command/TransmitCommand.h"
#include "LogCategories.h"

using namespace tessarovin;

namespace
{

FailureCode transmitFailed(CardReturnCode pReturnCode)
{
	return FailureCode(FailureCode::Reason::Transmit_Card_Command_Failed,
			{FailureCode::Info::Card_Return_Code, Enum<CardReturnCode>::getName(pReturnCode)});
}


} // namespace


StateTransmit::StateTransmit(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
	setAbortOnCardRemoved();
}


void StateTransmit::onEntry(QEvent* pEvent)
{
	getContext()->setProgress(60, tr("Reading data"));
	AbstractState::onEntry(pEvent);
}


void StateTransmit::run()
{
	const auto& context = getContext();
	const auto& cardConnection = context->getCardConnection();
	if (!cardConnection)
	{
		// The card went away between the states: the server still gets an answer, an error one.
		qCWarning(statemachine) << "No card connection available";
		updateStatus(cardReturnCodeToGlobalStatus(CardReturnCode::CARD_NOT_FOUND));
		Q_EMIT fireAbort(transmitFailed(CardReturnCode::CARD_NOT_FOUND));
		return;
	}

	const auto& transmit = context->getTransmit();
	const QList<InputApduInfo> inputApduInfos = transmit ? transmit->getInputApduInfos() : QList<InputApduInfo>();
	addConnection(cardConnection->call(cardConnection->createTransmitCommand(inputApduInfos, QString()), this, &StateTransmit::onCardCommandDone));
}


void StateTransmit::onCardCommandDone(QSharedPointer<BaseCardCommand> pCommand)
{
	const auto& context = getContext();
	const CardReturnCode returnCode = pCommand->getReturnCode();
	const auto command = pCommand.objectCast<TransmitCommand>();

	const auto storeOutput = [&context, &command] {
				if (!context->getTransmitResponse())
				{
					context->setTransmitResponse(QSharedPointer<TransmitResponse>::create());
				}
				context->getTransmitResponse()->setOutputApdus(command ? command->getOutputApduAsHex() : QByteArrayList());
			};

	switch (returnCode)
	{
		case CardReturnCode::OK:
			storeOutput();
			Q_EMIT fireContinue();
			return;

		case CardReturnCode::UNEXPECTED_TRANSMIT_STATUS:
			storeOutput();
			updateStatus(cardReturnCodeToGlobalStatus(returnCode));
			Q_EMIT fireContinue();
			return;

		default:
			updateStatus(cardReturnCodeToGlobalStatus(returnCode));
			Q_EMIT fireAbort(transmitFailed(returnCode));
			return;
	}
}
