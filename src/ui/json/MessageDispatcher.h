#pragma once

#include "Msg.h"
#include "MsgContext.h"
#include "MsgHandler.h"
#include "ReaderInfo.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QSharedPointer>
#include <QString>

#include <functional>

namespace tessarovin
{

// The protocol engine of the JSON interface: checks each command against the API level and the
// running workflow's state and builds its answer, and turns the workflow's events into messages.
// Bad input is always answered, never dropped. Main thread only.
class MessageDispatcher
{
	private:
		MsgContext mContext;

		[[nodiscard]] MsgHandler createForStateChange(MsgType pStateType);
		[[nodiscard]] MsgHandler checkApiLevel(MsgLevel pLevel, const QString& pCmd, const std::function<MsgHandler()>& pFunc) const;
		[[nodiscard]] MsgHandler checkState(MsgType pStateType, MsgCmdType pCmdType, const std::function<MsgHandler()>& pFunc) const;
		[[nodiscard]] MsgHandler checkNoWorkflow(MsgCmdType pCmdType, const std::function<MsgHandler()>& pFunc) const;
		[[nodiscard]] MsgHandler approveState() const;
		[[nodiscard]] MsgHandler cancel() const;
		[[nodiscard]] MsgHandler unexpectedCondition(const QString& pDetail) const;

	public:
		MessageDispatcher() = default;

		[[nodiscard]] Msg processCommand(const QByteArray& pMsg);
		[[nodiscard]] MsgHandler createForCommand(const QJsonObject& pObj);

		[[nodiscard]] Msg init(const QSharedPointer<WorkflowContext>& pContext);
		[[nodiscard]] Msg finish();
		void reset();

		[[nodiscard]] Msg processStateChange(const QString& pState);
		[[nodiscard]] Msg processProgressChange();
		[[nodiscard]] QList<Msg> processReaderChange(const ReaderInfo& pInfo);

		[[nodiscard]] MsgLevel getApiLevel() const;
};

} // namespace tessarovin
