#pragma once

#include "DatagramHandler.h"
#include "HttpServer.h"
#include "PortFile.h"

#include <QUdpSocket>

namespace tessarovin
{

// One UDP socket on the local server's port. A listening handler binds it and joins the IPv6
// group; a sending one leaves it unbound until the first datagram. Main thread only.
class DatagramHandlerImpl
	: public DatagramHandler
{
	Q_OBJECT

	private:
		QUdpSocket* mSocket;
		QList<QNetworkAddressEntry> mLastBroadcastEntries;
		QList<QHostAddress> mFailedAddresses;
		quint16 mPort;
		PortFile mPortFile;
		bool mEnableListening;

		void resetSocket();

	public:
		explicit DatagramHandlerImpl(bool pEnableListening = true, quint16 pPort = HttpServer::cPort);
		~DatagramHandlerImpl() override;

		[[nodiscard]] bool isBound() const override;
		void send(const QByteArray& pData, const QList<QNetworkAddressEntry>& pEntries) override;

		// A port of 0 stands for the handler's port.
		void sendToAddressEntries(const QByteArray& pData, const QList<QNetworkAddressEntry>& pEntries, quint16 pPort);
		bool sendToAddress(const QByteArray& pData, const QHostAddress& pAddress, quint16 pPort, bool pLogError);

	private Q_SLOTS:
		void onReadyRead();
};

} // namespace tessarovin
