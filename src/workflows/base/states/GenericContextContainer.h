#pragma once

#include "context/WorkflowContext.h"

#include <QSharedPointer>

namespace tessarovin
{

// The second base of a concrete state: its context in the type the state works with.
template<typename T>
class GenericContextContainer
{
	private:
		const QSharedPointer<T> mContext;

	protected:
		explicit GenericContextContainer(const QSharedPointer<WorkflowContext>& pContext)
			: mContext(pContext.template staticCast<T>())
		{
			// The controller that builds the state decides the context's type; a wrong one is a bug there.
			Q_ASSERT(qobject_cast<T*>(pContext.data()) != nullptr);
		}

	public:
		virtual ~GenericContextContainer() = default;

		[[nodiscard]] const QSharedPointer<T>& getContext() const
		{
			return mContext;
		}
};

} // namespace tessarovin
