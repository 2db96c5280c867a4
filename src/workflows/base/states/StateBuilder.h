#pragma once

#include "context/WorkflowContext.h"

#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

// The bare class name: front ends compare state names without the namespace.
[[nodiscard]] QString stripNamespace(const char* pClassName);


// A state of type T on the context, named after its class. The caller adds it to a machine or
// makes it the child of a composite state.
template<typename T>
T* createState(const QSharedPointer<WorkflowContext>& pContext)
{
	auto* state = new T(pContext);
	state->setObjectName(stripNamespace(state->metaObject()->className()));
	return state;
}


} // namespace tessarovin
