#pragma once

#include <QMetaType>
#include <QVariant>
#include <QtGlobal>

namespace tessarovin
{

// A signal argument of a type without default constructor (FailureCode, GlobalStatus), which
// QVariant::value<T>() cannot produce. The type must be the signal's parameter type.
template<typename T>
const T& spyArgument(const QVariant& pArgument)
{
	if (pArgument.metaType() != QMetaType::fromType<T>())
	{
		qFatal("Spy argument is a %s, not a %s", pArgument.metaType().name(), QMetaType::fromType<T>().name());
	}
	return *static_cast<const T*>(pArgument.constData());
}


} // namespace tessarovin
