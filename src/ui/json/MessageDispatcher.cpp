#include "MessageDispatcher.h"

#include "context/AuthContext.h"
#include "context/ChangePinContext.h"
#include "Env.h"
#include "LogCategories.h"
#include "MsgHandlerAccessRights.h"
#include "MsgHandlerApiLevel.h"
#include "MsgHandlerAuth.h"
#include "MsgHandlerCertificate.h"
#include "MsgHandlerChangePin.h"
#include "MsgHandlerEnterCan.h"
#include "MsgHandlerEnterNewPin.h"
#include "MsgHandlerEnterPin.h"
#include "MsgHandlerEnterPuk.h"
#include "MsgHandlerInfo.h"
#include "MsgHandlerInsertCard.h"
#include "MsgHandlerPause.h"
#include "MsgHandlerReader.h"
#include "MsgHandlerReaderList.h"
#include "MsgHandlerStatus.h"
#include "VolatileSettings.h"

#include <QJsonDocument>
#include <QJsonParseError>

using namespace tessarovin;

namespace
{

const QLatin1String cError("error");


MsgHandler answer(MsgType pType, const QString& pError)
{
	return MsgHandler(pType, cError, pError);
}


// Commands the client cannot use in this program.
MsgHandler notAvailable(MsgCmdType pCmdType)
{
	return answer(MsgType::UNKNOWN_COMMAND, QString(Enum<MsgCmdType>::getName(pCmdType)));
}


} // namespace


Msg MessageDispatcher::processCommand(const QByteArray& pMsg)
{
	QJsonParseError error {};
	const auto document = QJsonDocument::fromJson(pMsg, &error);
	if (error.error != QJsonParseError::NoError)
	{
		return answer(MsgType::INVALID, QStringLiteral("%1 (offset: %2)").arg(error.errorString()).arg(error.offset));
	}

	const auto command = document.object();
	auto handler = createForCommand(command);

	// Any JSON type, null included: the client matches answers to its commands by it.
	if (const auto request = command.value(QLatin1String("request")); !request.isUndefined())
	{
		handler.setValue(QLatin1String("request"), request);
	}
	return handler;
}


MsgHandler MessageDispatcher::createForCommand(const QJsonObject& pObj)
{
	const auto cmd = pObj.value(QLatin1String("cmd")).toString();
	if (cmd.isEmpty())
	{
		return answer(MsgType::INVALID, QStringLiteral("Command cannot be undefined"));
	}

	const auto cmdType = Enum<MsgCmdType>::valueFromName(cmd, MsgCmdType::UNDEFINED);
	qCDebug(json) << "Process type:" << cmdType;

	switch (cmdType)
	{
		case MsgCmdType::UNDEFINED:
			return answer(MsgType::UNKNOWN_COMMAND, cmd);

		case MsgCmdType::ACCEPT:
			return checkState(MsgType::ACCESS_RIGHTS, cmdType, [this] {
					return approveState();
				});

		case MsgCmdType::CANCEL:
			if (!mContext.isActiveWorkflow())
			{
				return answer(MsgType::BAD_STATE, QString(Enum<MsgCmdType>::getName(cmdType)));
			}
			return cancel();

		case MsgCmdType::CONTINUE:
			return checkState(MsgType::PAUSE, cmdType, [this] {
					return approveState();
				});

		case MsgCmdType::INTERRUPT:
		case MsgCmdType::GET_LOG:
			return notAvailable(cmdType);

		case MsgCmdType::GET_STATUS:
			return checkApiLevel(MsgLevel::v2, cmd, [this] {
					return MsgHandlerStatus(mContext);
				});

		case MsgCmdType::GET_INFO:
			return MsgHandlerInfo();

		case MsgCmdType::GET_API_LEVEL:
			return MsgHandlerApiLevel(mContext);

		case MsgCmdType::SET_API_LEVEL:
			return MsgHandlerApiLevel(pObj, mContext);

		case MsgCmdType::GET_READER:
			return MsgHandlerReader(pObj, mContext);

		case MsgCmdType::GET_READER_LIST:
			return MsgHandlerReaderList(mContext);

		case MsgCmdType::RUN_AUTH:
			return checkNoWorkflow(cmdType, [this, &pObj] {
					return MsgHandlerAuth(pObj, mContext);
				});

		case MsgCmdType::RUN_CHANGE_PIN:
			return checkNoWorkflow(cmdType, [this, &pObj] {
					return MsgHandlerChangePin(pObj, mContext);
				});

		case MsgCmdType::GET_CERTIFICATE:
			return checkState(MsgType::ACCESS_RIGHTS, cmdType, [this] {
					return MsgHandlerCertificate(mContext);
				});

		case MsgCmdType::GET_ACCESS_RIGHTS:
			return checkState(MsgType::ACCESS_RIGHTS, cmdType, [this] {
					return MsgHandlerAccessRights(mContext);
				});

		case MsgCmdType::SET_ACCESS_RIGHTS:
			return checkState(MsgType::ACCESS_RIGHTS, cmdType, [this, &pObj] {
					return MsgHandlerAccessRights(pObj, mContext);
				});

		case MsgCmdType::SET_CARD:
			return checkApiLevel(MsgLevel::v2, cmd, [this, cmdType, &pObj] {
					return checkState(MsgType::INSERT_CARD, cmdType, [this, &pObj] {
							return MsgHandlerInsertCard(pObj, mContext);
						});
				});

		case MsgCmdType::SET_PIN:
			return checkState(MsgType::ENTER_PIN, cmdType, [this, &pObj] {
					return MsgHandlerEnterPin(pObj, mContext);
				});

		case MsgCmdType::SET_NEW_PIN:
			return checkState(MsgType::ENTER_NEW_PIN, cmdType, [this, &pObj] {
					if (!mContext.getContext<ChangePinContext>())
					{
						return unexpectedCondition(QStringLiteral("SET_NEW_PIN"));
					}
					return MsgHandler(MsgHandlerEnterNewPin(pObj, mContext));
				});

		case MsgCmdType::SET_CAN:
			return checkState(MsgType::ENTER_CAN, cmdType, [this, &pObj] {
					return MsgHandlerEnterCan(pObj, mContext);
				});

		case MsgCmdType::SET_PUK:
			return checkState(MsgType::ENTER_PUK, cmdType, [this, &pObj] {
					return MsgHandlerEnterPuk(pObj, mContext);
				});
	}

	return answer(MsgType::UNKNOWN_COMMAND, cmd);
}


MsgHandler MessageDispatcher::checkApiLevel(MsgLevel pLevel, const QString& pCmd, const std::function<MsgHandler()>& pFunc) const
{
	if (mContext.getApiLevel() < pLevel)
	{
		return answer(MsgType::UNKNOWN_COMMAND, pCmd);
	}
	return pFunc();
}


MsgHandler MessageDispatcher::checkState(MsgType pStateType, MsgCmdType pCmdType, const std::function<MsgHandler()>& pFunc) const
{
	if (mContext.getLastStateMsg().getType() != pStateType)
	{
		return answer(MsgType::BAD_STATE, QString(Enum<MsgCmdType>::getName(pCmdType)));
	}
	return pFunc();
}


MsgHandler MessageDispatcher::checkNoWorkflow(MsgCmdType pCmdType, const std::function<MsgHandler()>& pFunc) const
{
	if (mContext.isActiveWorkflow())
	{
		return answer(MsgType::BAD_STATE, QString(Enum<MsgCmdType>::getName(pCmdType)));
	}
	return pFunc();
}


MsgHandler MessageDispatcher::approveState() const
{
	mContext.getContext()->setStateApproved(true);
	return MsgHandler::Void;
}


MsgHandler MessageDispatcher::cancel() const
{
	mContext.getContext()->killWorkflow(GlobalStatus::Code::Workflow_Cancellation_By_User);
	return MsgHandler::Void;
}


MsgHandler MessageDispatcher::unexpectedCondition(const QString& pDetail) const
{
	qCCritical(json) << "Unexpected condition:" << mContext.getContext().data() << "|" << pDetail;
	return answer(MsgType::INTERNAL_ERROR, QStringLiteral("Unexpected condition"));
}


Msg MessageDispatcher::init(const QSharedPointer<WorkflowContext>& pContext)
{
	mContext.clear();
	mContext.setWorkflowContext(pContext);

	if (pContext.objectCast<AuthContext>())
	{
		return MsgHandlerAuth();
	}
	if (pContext.objectCast<ChangePinContext>())
	{
		return MsgHandlerChangePin();
	}
	return Msg();
}


Msg MessageDispatcher::finish()
{
	Msg result;
	if (const auto authContext = mContext.getContext<AuthContext>())
	{
		result = MsgHandlerAuth(authContext);
	}
	else if (const auto changePinContext = mContext.getContext<ChangePinContext>())
	{
		result = MsgHandlerChangePin(changePinContext);
	}
	reset();
	return result;
}


void MessageDispatcher::reset()
{
	mContext.clear();

	// What the client gave for one workflow ends with it.
	auto* settings = Env::getSingleton<VolatileSettings>();
	settings->setMessages(VolatileSettings::Messages());
	settings->setHandleInterrupt(false);
	settings->setDeveloperMode(false);
}


Msg MessageDispatcher::processStateChange(const QString& pState)
{
	if (!mContext.isActiveWorkflow() || pState.isEmpty())
	{
		return unexpectedCondition(pState);
	}

	auto stateType = MsgType::VOID;
	if (pState == QLatin1String("StateEnterPacePassword"))
	{
		switch (mContext.getContext()->getPasswordType())
		{
			case PacePasswordId::PACE_PIN:
				stateType = MsgType::ENTER_PIN;
				break;

			case PacePasswordId::PACE_CAN:
				stateType = MsgType::ENTER_CAN;
				break;

			case PacePasswordId::PACE_PUK:
				stateType = MsgType::ENTER_PUK;
				break;

			default:
				break;
		}
	}
	else if (pState == QLatin1String("StateEnterNewPacePin"))
	{
		stateType = MsgType::ENTER_NEW_PIN;
	}
	else if (pState == QLatin1String("StateEditAccessRights"))
	{
		stateType = MsgType::ACCESS_RIGHTS;
	}
	else if (pState == QLatin1String("StateSelectReader"))
	{
		stateType = MsgType::INSERT_CARD;
	}
	else if (pState == QLatin1String("StateUnfortunateCardPosition"))
	{
		stateType = MsgType::PAUSE;
	}

	const Msg msg = createForStateChange(stateType);
	mContext.addStateMsg(msg);
	return msg;
}


MsgHandler MessageDispatcher::createForStateChange(MsgType pStateType)
{
	if (mContext.getContext()->isWorkflowCancelled())
	{
		return approveState();
	}

	// The input states wait for the client's command.
	switch (pStateType)
	{
		case MsgType::ACCESS_RIGHTS:
			return MsgHandlerAccessRights(mContext);

		case MsgType::ENTER_PIN:
			return MsgHandlerEnterPin(mContext);

		case MsgType::ENTER_NEW_PIN:
			return MsgHandlerEnterNewPin(mContext);

		case MsgType::ENTER_CAN:
			return MsgHandlerEnterCan(mContext);

		case MsgType::ENTER_PUK:
			return MsgHandlerEnterPuk(mContext);

		case MsgType::INSERT_CARD:
		{
			// The workflow goes on looking for a card whether or not the client inserts one.
			const MsgHandlerInsertCard handler(mContext);
			mContext.getContext()->setStateApproved(true);
			return handler;
		}

		case MsgType::PAUSE:
			if (mContext.getApiLevel() >= MsgLevel::v3)
			{
				return MsgHandlerPause();
			}
			return approveState();

		default:
			return approveState();
	}
}


Msg MessageDispatcher::processProgressChange()
{
	if (mContext.getApiLevel() < MsgLevel::v2)
	{
		return Msg();
	}

	if (!mContext.isActiveWorkflow())
	{
		return unexpectedCondition(QString());
	}

	if (!mContext.provideProgressStatus())
	{
		return Msg();
	}
	return MsgHandlerStatus(mContext);
}


QList<Msg> MessageDispatcher::processReaderChange(const ReaderInfo& pInfo)
{
	QList<Msg> messages {MsgHandlerReader(pInfo, mContext)};

	// Asked for a card while one was there: once it is gone, the client has to be asked after all.
	// An INSERT_CARD the client saw is not repeated.
	const auto lastStateMsg = mContext.getLastStateMsg();
	if (mContext.isActiveWorkflow() && lastStateMsg.getType() == MsgType::INSERT_CARD && lastStateMsg.isEmpty())
	{
		const Msg insertCard = MsgHandlerInsertCard(mContext);
		mContext.addStateMsg(insertCard);
		messages << insertCard;
	}
	return messages;
}


MsgLevel MessageDispatcher::getApiLevel() const
{
	return mContext.getApiLevel();
}
