#pragma once

#include "Enum.h"

#include <QSsl>

namespace tessarovin
{

// QSsl::KeyAlgorithm has no meta-enum of its own: this mirror with the same keys and values gives it one.
namespace EnumKeyAlgorithm
{
Q_NAMESPACE

enum class KeyAlgorithm
{
	Opaque = QSsl::Opaque,
	Rsa = QSsl::Rsa,
	Dsa = QSsl::Dsa,
	Ec = QSsl::Ec,
	Dh = QSsl::Dh
};
Q_ENUM_NS(KeyAlgorithm)

} // namespace EnumKeyAlgorithm


template<>
struct EnumMetaObject<QSsl::KeyAlgorithm>
{
	static QMetaEnum get()
	{
		return QMetaEnum::fromType<EnumKeyAlgorithm::KeyAlgorithm>();
	}
};

} // namespace tessarovin


inline QDebug operator<<(QDebug pDbg, QSsl::KeyAlgorithm pValue)
{
	return tessarovin::writeEnumName(pDbg, pValue);
}
