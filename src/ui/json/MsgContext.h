#pragma once

#include "context/WorkflowContext.h"
#include "Msg.h"
#include "MsgTypes.h"

#include <QList>
#include <QSharedPointer>

namespace tessarovin
{

// The state of the JSON interface: what the client chose and where the running workflow stands.
// Outlives the client's connection. Main thread only.
class MsgContext
{
	private:
		MsgLevel mApiLevel;
		QList<Msg> mStateMsg;
		bool mProgressStatus;
		QSharedPointer<WorkflowContext> mContext;

	public:
		MsgContext();

		[[nodiscard]] MsgLevel getApiLevel() const;
		void setApiLevel(MsgLevel pApiLevel);

		[[nodiscard]] bool provideProgressStatus() const;
		void setProgressStatus(bool pStatus);

		[[nodiscard]] bool isActiveWorkflow() const;
		[[nodiscard]] Msg getLastStateMsg() const;
		void addStateMsg(const Msg& pMsg);

		[[nodiscard]] QSharedPointer<WorkflowContext> getContext() const;
		template<typename T>
		[[nodiscard]] QSharedPointer<T> getContext() const
		{
			return mContext.objectCast<T>();
		}


		void setWorkflowContext(const QSharedPointer<WorkflowContext>& pContext);

		// Forgets the workflow and its state messages; level and progress flag stay.
		void clear();
};

} // namespace tessarovin
