#include "DatagramHandler.h"

#include "LogCategories.h"

#include <QNetworkInterface>

using namespace tessarovin;

const QHostAddress DatagramHandler::cMulticastGroup(QStringLiteral("ff02::178"));


QList<QNetworkAddressEntry> DatagramHandler::getAllBroadcastAddresses()
{
	QList<QNetworkAddressEntry> entries;

	const auto interfaces = QNetworkInterface::allInterfaces();
	for (const auto& networkInterface : interfaces)
	{
		const auto flags = networkInterface.flags();
		if (!networkInterface.isValid() || !flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning))
		{
			continue;
		}

		const auto addressEntries = networkInterface.addressEntries();
		for (const auto& entry : addressEntries)
		{
			if (isValidAddressEntry(entry))
			{
				entries << entry;
			}
		}
	}

	return entries;
}


QHostAddress DatagramHandler::getBroadcastAddress(const QNetworkAddressEntry& pEntry)
{
	switch (pEntry.ip().protocol())
	{
		case QAbstractSocket::IPv4Protocol:
			return pEntry.broadcast();

		case QAbstractSocket::IPv6Protocol:
			return cMulticastGroup;

		default:
			qCDebug(network) << "Skipping unknown protocol type:" << pEntry.ip().protocol();
			return QHostAddress();
	}
}


bool DatagramHandler::isValidAddressEntry(const QNetworkAddressEntry& pEntry)
{
	const auto& address = pEntry.ip();
	switch (address.protocol())
	{
		case QAbstractSocket::IPv4Protocol:
			// Private networks count as global here, and they are where the discovery is used.
			return address.isGlobal() && !pEntry.broadcast().isNull();

		case QAbstractSocket::IPv6Protocol:
			return address.isGlobal();

		default:
			qCDebug(network) << "Skipping unknown protocol type:" << address.protocol();
			return false;
	}
}
