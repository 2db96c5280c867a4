#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QNetworkAddressEntry>
#include <QObject>

namespace tessarovin
{

// The UDP transport of the remote-reader discovery: sends to the broadcast address of local
// networks and reports every datagram received, whatever its content. Main thread only.
class DatagramHandler
	: public QObject
{
	Q_OBJECT

	public:
		// Link-local group of the IPv6 discovery, which has no broadcast.
		static const QHostAddress cMulticastGroup;

		DatagramHandler() = default;
		~DatagramHandler() override = default;

		[[nodiscard]] virtual bool isBound() const = 0;
		virtual void send(const QByteArray& pData, const QList<QNetworkAddressEntry>& pEntries) = 0;

		// Every usable entry of the interfaces that are up and running, in the system's order.
		[[nodiscard]] static QList<QNetworkAddressEntry> getAllBroadcastAddresses();
		[[nodiscard]] static QHostAddress getBroadcastAddress(const QNetworkAddressEntry& pEntry);
		[[nodiscard]] static bool isValidAddressEntry(const QNetworkAddressEntry& pEntry);

	Q_SIGNALS:
		void fireNewMessage(const QByteArray& pData, const QHostAddress& pAddress);
};

} // namespace tessarovin
