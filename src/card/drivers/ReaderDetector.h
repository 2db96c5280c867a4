#pragma once

#include "ReaderConfigurationInfo.h"
#include "UsbId.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace tessarovin
{

class UeventMonitor;

// Finds the card readers among the attached USB devices and reports when devices come or go.
// A singleton of Env on the main thread; every query reads the attached devices afresh.
class ReaderDetector
	: public QObject
	, public QAbstractNativeEventFilter
{
	Q_OBJECT
	friend class Env;

	private:
		const QString mSysfsRoot;

	protected:
		ReaderDetector();
		// Reads the devices below pSysfsRoot and reports the changes pMonitor sees (taken over).
		ReaderDetector(const QString& pSysfsRoot, UeventMonitor* pMonitor);
		~ReaderDetector() override;

	public:
		// An id as sysfs writes it: exactly four hexadecimal digits (a line end aside), else 0.
		[[nodiscard]] static quint32 parseUsbId(const QByteArray& pText);
		// The ids of the USB devices below <root>/bus/usb/devices; a device without two valid ids is skipped.
		[[nodiscard]] static QList<UsbId> readUsbIds(const QString& pSysfsRoot);

		// No native device messages exist here; the kernel's uevents take their place.
		bool nativeEventFilter(const QByteArray& pEventType, void* pMessage, qintptr* pResult) override;

		[[nodiscard]] virtual QList<UsbId> attachedDevIds() const;
		[[nodiscard]] QList<ReaderConfigurationInfo> getAttachedSupportedDevices() const;
		[[nodiscard]] ReaderConfigurationInfo getReaderConfigurationInfo(const QString& pReaderName) const;

	Q_SIGNALS:
		void fireReaderChangeDetected();
};

} // namespace tessarovin
