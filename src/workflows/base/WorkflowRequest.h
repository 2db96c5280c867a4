#pragma once

#include "context/WorkflowContext.h"
#include "controller/WorkflowController.h"
#include "Enum.h"

#include <QMetaType>
#include <QSharedPointer>
#include <QVariant>

#include <functional>
#include <utility>

namespace tessarovin
{

defineEnumType(WorkflowControl,
		UNHANDLED,
		SKIP,
		ENQUEUE
		)

// What a front end hands to the application core to run a workflow: how to create its context
// and controller, what to do while another workflow runs, and the caller's own data. The context
// exists as soon as the request does, so front ends can read and claim it before the start.
class WorkflowRequest
{
	public:
		using ControllerGenerator = std::function<QSharedPointer<WorkflowController>(const QSharedPointer<WorkflowContext>&)>;
		using ContextGenerator = std::function<QSharedPointer<WorkflowContext>()>;
		using BusyHandler = std::function<WorkflowControl(const QSharedPointer<WorkflowRequest>& pActiveWorkflow, const QSharedPointer<WorkflowRequest>& pWaitingWorkflow)>;

	private:
		const ControllerGenerator mControllerGenerator;
		const ContextGenerator mContextGenerator;
		const BusyHandler mBusyHandler;
		const QVariant mData;
		QSharedPointer<WorkflowController> mController;
		const QSharedPointer<WorkflowContext> mContext;

	public:
		WorkflowRequest(const ControllerGenerator& pControllerGenerator,
				const ContextGenerator& pContextGenerator,
				const BusyHandler& pBusyHandler,
				const QVariant& pData);

		[[nodiscard]] Action getAction() const;
		[[nodiscard]] QSharedPointer<WorkflowContext> getContext() const;
		[[nodiscard]] QSharedPointer<WorkflowController> getController() const;
		[[nodiscard]] QVariant getData() const;

		[[nodiscard]] bool isInitialized() const;
		void initialize();

		// Asked of the new request while another one runs; either argument may be null.
		[[nodiscard]] WorkflowControl handleBusyWorkflow(const QSharedPointer<WorkflowRequest>& pActiveWorkflow, const QSharedPointer<WorkflowRequest>& pWaitingWorkflow) const;

		// The generators of a workflow whose context is built from pArgs (copied into the context
		// generator).
		template<typename Controller, typename Context, typename... Args>
		static std::pair<ControllerGenerator, ContextGenerator> getGenerator(Args... pArgs)
		{
			ControllerGenerator controller = [](const QSharedPointer<WorkflowContext>& pContext) {
						return QSharedPointer<WorkflowController>(new Controller(pContext.template staticCast<Context>()));
					};
			ContextGenerator context = [pArgs ...] {
						return QSharedPointer<WorkflowContext>(new Context(pArgs ...));
					};
			return {controller, context};
		}

};

} // namespace tessarovin

Q_DECLARE_METATYPE(QSharedPointer<tessarovin::WorkflowRequest>)
