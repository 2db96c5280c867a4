#pragma once

#include "Enum.h"

#include <QSsl>

namespace tessarovin
{

// QSsl::SslProtocol has no meta-enum of its own: this mirror with the same keys and values gives
// it one. Plain numbers, because Qt marks the old protocols deprecated.
namespace EnumSslProtocol
{
Q_NAMESPACE

enum class SslProtocol
{
	TlsV1_0 = 0,
	TlsV1_1 = 1,
	TlsV1_2 = 2,
	AnyProtocol = 3,
	SecureProtocols = 4,
	TlsV1_0OrLater = 5,
	TlsV1_1OrLater = 6,
	TlsV1_2OrLater = 7,
	DtlsV1_0 = 8,
	DtlsV1_0OrLater = 9,
	DtlsV1_2 = 10,
	DtlsV1_2OrLater = 11,
	TlsV1_3 = 12,
	TlsV1_3OrLater = 13,
	UnknownProtocol = -1
};
Q_ENUM_NS(SslProtocol)

} // namespace EnumSslProtocol


template<>
struct EnumMetaObject<QSsl::SslProtocol>
{
	static QMetaEnum get()
	{
		return QMetaEnum::fromType<EnumSslProtocol::SslProtocol>();
	}
};

static_assert(static_cast<int>(EnumSslProtocol::SslProtocol::TlsV1_3OrLater) == QSsl::TlsV1_3OrLater);
static_assert(static_cast<int>(EnumSslProtocol::SslProtocol::TlsV1_2) == QSsl::TlsV1_2);

} // namespace tessarovin
