#pragma once

#include <QtGlobal>

namespace tessarovin
{

// The USB vendor and product id of one attached device.
struct UsbId
{
	quint32 mVendorId = 0;
	quint32 mProductId = 0;

	friend bool operator==(const UsbId&, const UsbId&) = default;
};

} // namespace tessarovin
