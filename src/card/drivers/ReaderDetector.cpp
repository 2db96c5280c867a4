#include "ReaderDetector.h"

#include "Env.h"
#include "LogCategories.h"
#include "ReaderConfiguration.h"
#include "ReaderInfo.h"
#include "UeventMonitor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

using namespace tessarovin;


ReaderDetector::ReaderDetector()
	: ReaderDetector(QStringLiteral("/sys"), new UeventMonitor())
{
}


ReaderDetector::ReaderDetector(const QString& pSysfsRoot, UeventMonitor* pMonitor)
	: QObject()
	, QAbstractNativeEventFilter()
	, mSysfsRoot(pSysfsRoot)
{
	pMonitor->setParent(this);
	connect(pMonitor, &UeventMonitor::fireUsbDeviceChanged, this, &ReaderDetector::fireReaderChangeDetected);

	if (auto* app = QCoreApplication::instance())
	{
		app->installNativeEventFilter(this);
	}
	qCDebug(card_drivers) << "initNativeEvents() =" << true;
}


ReaderDetector::~ReaderDetector()
{
	if (auto* app = QCoreApplication::instance())
	{
		app->removeNativeEventFilter(this);
	}
	qCDebug(card_drivers) << "terminateNativeEvents() =" << true;
}


quint32 ReaderDetector::parseUsbId(const QByteArray& pText)
{
	auto text = pText;
	if (text.endsWith('\n'))
	{
		text.chop(1);
	}

	// toUInt alone would also take "0x1F", " 1F" or "+1F".
	const auto isHexDigit = [](char pChar){
				return (pChar >= '0' && pChar <= '9') || (pChar >= 'a' && pChar <= 'f') || (pChar >= 'A' && pChar <= 'F');
			};
	if (text.size() != 4 || !std::all_of(text.cbegin(), text.cend(), isHexDigit))
	{
		return 0;
	}
	return text.toUInt(nullptr, 16);
}


QList<UsbId> ReaderDetector::readUsbIds(const QString& pSysfsRoot)
{
	const auto readId = [](const QString& pPath){
				QFile file(pPath);
				return file.open(QIODevice::ReadOnly) ? parseUsbId(file.read(16)) : 0;
			};

	QList<UsbId> ids;
	const QDir devices(pSysfsRoot + QStringLiteral("/bus/usb/devices"));
	const auto entries = devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
	for (const auto& entry : entries)
	{
		// Interfaces ("1-1:1.0") have no ids of their own and drop out here.
		const UsbId id {readId(devices.filePath(entry + QStringLiteral("/idVendor"))), readId(devices.filePath(entry + QStringLiteral("/idProduct")))};
		if (id.mVendorId != 0 && id.mProductId != 0)
		{
			ids += id;
		}
	}
	return ids;
}


bool ReaderDetector::nativeEventFilter(const QByteArray& pEventType, void* pMessage, qintptr* pResult)
{
	Q_UNUSED(pEventType)
	Q_UNUSED(pMessage)
	Q_UNUSED(pResult)
	return false;
}


QList<UsbId> ReaderDetector::attachedDevIds() const
{
	return readUsbIds(mSysfsRoot);
}


QList<ReaderConfigurationInfo> ReaderDetector::getAttachedSupportedDevices() const
{
	const auto* configuration = Env::getSingleton<ReaderConfiguration>();

	QList<ReaderConfigurationInfo> infos;
	const auto ids = attachedDevIds();
	for (const auto& id : ids)
	{
		const auto info = configuration->getReaderConfigurationInfoById(id);
		if (info.isKnownReader() && !info.getUrl().isEmpty())
		{
			infos += info;
		}
	}
	return infos;
}


ReaderConfigurationInfo ReaderDetector::getReaderConfigurationInfo(const QString& pReaderName) const
{
	const auto candidates = getAttachedSupportedDevices() + Env::getSingleton<ReaderConfiguration>()->getVirtualReaderConfigurationInfos();
	for (const auto& info : candidates)
	{
		const auto pattern = info.getPattern().isEmpty() ? info.getName() : info.getPattern();
		const QRegularExpression expression(pattern);
		if (!expression.isValid())
		{
			// It can match nothing; taking it as literal text would guess at what was meant.
			qCWarning(card_drivers) << "Invalid reader pattern" << pattern << "of" << info.getName() << ':' << expression.errorString();
			continue;
		}

		if (expression.match(pReaderName).hasMatch())
		{
			return info;
		}
	}

	return ReaderConfigurationInfo(pReaderName);
}


// Declared by the card layer, which knows no reader list; defined here, where the list is known.
ReaderConfigurationInfo ReaderInfo::getReaderConfigurationInfo() const
{
	return Env::getSingleton<ReaderDetector>()->getReaderConfigurationInfo(getName());
}
