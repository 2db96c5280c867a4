#include "DatagramHandlerImpl.h"

#include "Env.h"
#include "LogCategories.h"

#include <QNetworkDatagram>
#include <QNetworkProxy>

using namespace tessarovin;

namespace
{

constexpr quint16 cDefaultPort = 24727;

void registerCreators()
{
	Env::setCreator<DatagramHandler*()>([] {
				return new DatagramHandlerImpl();
			});
	Env::setCreator<DatagramHandler*(bool)>([](bool pEnableListening) {
				return new DatagramHandlerImpl(pEnableListening);
			});
}


} // namespace

Q_CONSTRUCTOR_FUNCTION(registerCreators)


DatagramHandlerImpl::DatagramHandlerImpl(bool pEnableListening, quint16 pPort)
	: DatagramHandler()
	, mSocket(nullptr)
	, mLastBroadcastEntries()
	, mFailedAddresses()
	, mPort(pPort)
	, mPortFile(QStringLiteral("udp"), cDefaultPort)
	, mEnableListening(pEnableListening)
{
	resetSocket();
}


DatagramHandlerImpl::~DatagramHandlerImpl()
{
	if (isBound())
	{
		qCDebug(network) << "Shutdown socket";
		mSocket->close();
	}
	mPortFile.remove();

	if (mSocket)
	{
		mSocket->deleteLater();
	}
}


void DatagramHandlerImpl::resetSocket()
{
	if (isBound())
	{
		mSocket->close();
	}

	if (mSocket)
	{
		mSocket->deleteLater();
	}
	mSocket = new QUdpSocket();

	// Discovery datagrams belong to the local network; a configured proxy must never see them.
	mSocket->setProxy(QNetworkProxy::NoProxy);
	connect(mSocket, &QUdpSocket::readyRead, this, &DatagramHandlerImpl::onReadyRead);

	if (!mEnableListening)
	{
		qCDebug(network) << "Skipping binding";
		if (mPort == 0)
		{
			mPort = cDefaultPort;
			qCWarning(network) << "Client port cannot be 0! Reset to default:" << mPort;
		}
		return;
	}

	if (!mSocket->bind(QHostAddress::Any, mPort, QAbstractSocket::DefaultForPlatform))
	{
		qCDebug(network) << "Cannot bind socket:" << mSocket->errorString();
		return;
	}

	if (!mSocket->joinMulticastGroup(cMulticastGroup))
	{
		qCDebug(network) << "Could not join multicast group:" << mSocket->errorString();
	}

	mPort = mSocket->localPort();
	mPortFile.handlePort(mPort);
	qCDebug(network) << "Bound on port:" << mPort;
}


bool DatagramHandlerImpl::isBound() const
{
	return mSocket && mSocket->state() == QAbstractSocket::BoundState;
}


void DatagramHandlerImpl::send(const QByteArray& pData, const QList<QNetworkAddressEntry>& pEntries)
{
	sendToAddressEntries(pData, pEntries, 0);
}


void DatagramHandlerImpl::sendToAddressEntries(const QByteArray& pData, const QList<QNetworkAddressEntry>& pEntries, quint16 pPort)
{
	if (pEntries != mLastBroadcastEntries)
	{
		mLastBroadcastEntries = pEntries;
		mFailedAddresses.clear();
		qCDebug(network) << "Broadcast Addresses changed...";
		for (const auto& entry : pEntries)
		{
			qCDebug(network) << entry.ip() << entry.broadcast();
		}
	}

	QList<QHostAddress> sentAddresses;
	for (const auto& entry : pEntries)
	{
		const auto address = getBroadcastAddress(entry);
		// Every IPv6 entry maps to the one multicast group, which gets one datagram.
		if (sentAddresses.contains(address))
		{
			continue;
		}

		const bool newFailure = !mFailedAddresses.contains(address);
		if (sendToAddress(pData, address, pPort, newFailure))
		{
			sentAddresses << address;
			mFailedAddresses.removeAll(address);
		}
		else if (newFailure)
		{
			qCDebug(network) << "Broadcasting to" << address << "failed";
			mFailedAddresses << address;
		}
	}
}


bool DatagramHandlerImpl::sendToAddress(const QByteArray& pData, const QHostAddress& pAddress, quint16 pPort, bool pLogError)
{
	const quint16 port = pPort == 0 ? mPort : pPort;
	if (mSocket->writeDatagram(pData, pAddress, port) == pData.size())
	{
		return true;
	}

	if (pLogError)
	{
		qCCritical(network).nospace() << "Cannot write datagram to address " << pAddress << ":" << mSocket->error() << "|" << mSocket->errorString();
	}
	return false;
}


void DatagramHandlerImpl::onReadyRead()
{
	while (mSocket->hasPendingDatagrams())
	{
		// No size limit: the whole datagram, as large as the system delivers it.
		const QNetworkDatagram datagram = mSocket->receiveDatagram();
		if (!datagram.isValid())
		{
			qCCritical(network) << "Cannot read datagram";
			continue;
		}

		Q_EMIT fireNewMessage(datagram.data(), datagram.senderAddress());
	}
}
