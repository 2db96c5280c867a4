#include "TcToken.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"

#include <QRegularExpression>

using namespace tessarovin;

namespace
{

const QLatin1String cServerAddress("ServerAddress");
const QLatin1String cSessionIdentifier("SessionIdentifier");
const QLatin1String cRefreshAddress("RefreshAddress");
const QLatin1String cCommunicationErrorAddress("CommunicationErrorAddress");
const QLatin1String cBinding("Binding");
const QLatin1String cPathSecurityProtocol("PathSecurity-Protocol");
const QLatin1String cPsk("PSK");


// The schema type anyURI: an empty text is a URI too.
bool isAnyUri(const QString& pText)
{
	return pText.isEmpty() || QUrl(pText, QUrl::TolerantMode).isValid();
}


bool isHexBinary(const QByteArray& pText)
{
	static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-F]*$"), QRegularExpression::CaseInsensitiveOption);
	return pText.isEmpty() || (pText.size() % 2 == 0 && hexDigits.match(QString::fromUtf8(pText)).hasMatch());
}


// A present but empty element must stay distinguishable from an absent one.
QByteArray toBytes(const QString& pText)
{
	if (pText.isNull())
	{
		return QByteArray();
	}
	const QByteArray bytes = pText.toUtf8();
	return bytes.isNull() ? QByteArray("") : bytes;
}


void wipeText(QString& pText)
{
	if (pText.isDetached())
	{
		std::fill(pText.begin(), pText.end(), QChar());
	}
	pText.clear();
}


} // namespace


TcToken::TcToken(const QSharedPointer<QIODevice>& pStream)
	: mSchemaConform(false)
	, mBinding()
	, mPathSecurityProtocol()
	, mPsk()
	, mSessionIdentifier()
	, mServerAddress()
	, mCommunicationErrorAddress()
	, mRefreshAddress()
{
	if (pStream.isNull())
	{
		return;
	}
	if (!pStream->isOpen() && !pStream->open(QIODevice::ReadOnly))
	{
		qCWarning(network) << "Cannot open the TC token for reading:" << pStream->errorString();
		return;
	}
	parse(pStream);
}


TcToken::~TcToken()
{
	tessarovin::wipe(mPsk);
}


void TcToken::parse(const QSharedPointer<QIODevice>& pStream)
{
	QString binding;
	QString pathSecurityProtocol;
	QString psk;
	QString sessionIdentifier;
	QString serverAddress;
	QString communicationErrorAddress;
	QString refreshAddress;

	QXmlStreamReader reader(pStream.data());
	while (!reader.atEnd() && !reader.hasError())
	{
		if (reader.readNext() != QXmlStreamReader::StartElement)
		{
			continue;
		}

		const auto name = reader.name();
		if (name == cBinding)
		{
			binding = readElementValue(reader);
		}
		else if (name == cPathSecurityProtocol)
		{
			pathSecurityProtocol = readElementValue(reader);
		}
		else if (name == cPsk)
		{
			wipeText(psk);
			psk = readElementValue(reader, false);
		}
		else if (name == cSessionIdentifier)
		{
			sessionIdentifier = readElementValue(reader);
		}
		else if (name == cServerAddress)
		{
			serverAddress = readElementValue(reader);
		}
		else if (name == cCommunicationErrorAddress)
		{
			communicationErrorAddress = readElementValue(reader);
		}
		else if (name == cRefreshAddress)
		{
			refreshAddress = readElementValue(reader);
		}
	}

	if (reader.hasError())
	{
		qCDebug(network) << "XML error:" << reader.errorString();
		wipeText(psk);
		return;
	}

	QByteArray pskBytes = toBytes(psk);
	wipeText(psk);
	const QByteArray sessionBytes = toBytes(sessionIdentifier);
	if (valuesAreSchemaConform(binding, pathSecurityProtocol, pskBytes, sessionBytes, serverAddress, communicationErrorAddress, refreshAddress))
	{
		mSchemaConform = true;
		mBinding = binding;
		mPathSecurityProtocol = pathSecurityProtocol;
		mPsk = pskBytes;
		mSessionIdentifier = sessionBytes;
		mServerAddress = QUrl(serverAddress, QUrl::TolerantMode);
		mCommunicationErrorAddress = QUrl(communicationErrorAddress, QUrl::TolerantMode);
		mRefreshAddress = QUrl(refreshAddress, QUrl::TolerantMode);
	}
	tessarovin::wipe(pskBytes);
}


QString TcToken::readElementValue(QXmlStreamReader& pReader, bool pLogValue) const
{
	const QString name = pReader.name().toString();
	// A child element is an error: a known element carries text only.
	QString value = pReader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement).trimmed();
	if (value.isNull())
	{
		value = QStringLiteral("");
	}

	if (pLogValue)
	{
		qCDebug(network).noquote() << name << "=" << value;
	}
	else
	{
		// The value stays out of every category but "secure".
		qCDebug(network).noquote() << name << "=" << "(...)";
		qCDebug(secure).noquote() << name << "=" << value;
	}
	return value;
}


bool TcToken::valuesAreSchemaConform(const QString& pBinding,
		const QString& pPathSecurityProtocol,
		const QByteArray& pPsk,
		const QByteArray& pSessionIdentifier,
		const QString& pServerAddress,
		const QString& pCommunicationErrorAddress,
		const QString& pRefreshAddress) const
{
	if (pBinding.isNull() || !isAnyUri(pBinding))
	{
		qCCritical(network) << "Binding is no valid anyUri:" << pBinding;
		return false;
	}
	if (!pPathSecurityProtocol.isNull() && !QUrl(pPathSecurityProtocol, QUrl::TolerantMode).isValid())
	{
		qCCritical(network) << "PathSecurity-Protocol is no valid URI:" << pPathSecurityProtocol;
	}
	if (pPsk.isNull())
	{
		qCWarning(network) << "PSK is null";
	}
	if (pSessionIdentifier.isNull())
	{
		qCWarning(network) << "SessionIdentifier is null";
	}
	if (pServerAddress.isNull() || !isAnyUri(pServerAddress))
	{
		qCCritical(network) << "ServerAddress no valid anyUri:" << pServerAddress;
		return false;
	}
	if (pRefreshAddress.isNull() || !isAnyUri(pRefreshAddress))
	{
		qCCritical(network) << "RefreshAddress no valid anyUri:" << pRefreshAddress;
		return false;
	}
	if (!isAnyUri(pCommunicationErrorAddress))
	{
		qCCritical(network) << "CommunicationErrorAddress no valid anyUri:" << pCommunicationErrorAddress;
		return false;
	}
	return true;
}


bool TcToken::isSchemaConform() const
{
	return mSchemaConform;
}


bool TcToken::isValid() const
{
	if (!mSchemaConform)
	{
		return false;
	}
	if (mBinding != QLatin1String("urn:liberty:paos:2006-08"))
	{
		qCCritical(network) << "Wrong binding:" << mBinding;
		return false;
	}
	if (!mPathSecurityProtocol.isNull() && mPathSecurityProtocol != QLatin1String("urn:ietf:rfc:4279"))
	{
		qCCritical(network) << "Wrong PathSecurity-Protocol:" << mPathSecurityProtocol;
		return false;
	}
	if (mServerAddress.scheme() != QLatin1String("https"))
	{
		qCCritical(network) << "ServerAddress no valid https url:" << mServerAddress;
		return false;
	}
	if (mRefreshAddress.scheme() != QLatin1String("https"))
	{
		const auto message = QStringLiteral("RefreshAddress no valid https url: %1").arg(mRefreshAddress.toString());
		if (!Env::getSingleton<AppSettings>()->getGeneralSettings().isDeveloperMode())
		{
			qCCritical(network).noquote() << message;
			return false;
		}
		qCCritical(developermode).noquote() << message;
	}
	if (!mPsk.isNull() && !isHexBinary(mPsk))
	{
		// A key with a stray character may still be most of the secret.
		qCCritical(network) << "PSK no valid hexBinary:" << "(...)";
		qCDebug(secure) << "PSK no valid hexBinary:" << mPsk;
		return false;
	}
	return true;
}


bool TcToken::usePsk() const
{
	return !mPsk.isNull();
}


const QUrl& TcToken::getServerAddress() const
{
	return mServerAddress;
}


const QByteArray& TcToken::getSessionIdentifier() const
{
	return mSessionIdentifier;
}


const QUrl& TcToken::getRefreshAddress() const
{
	return mRefreshAddress;
}


const QUrl& TcToken::getCommunicationErrorAddress() const
{
	return mCommunicationErrorAddress;
}


const QString& TcToken::getBinding() const
{
	return mBinding;
}


const QString& TcToken::getPathSecurityProtocol() const
{
	return mPathSecurityProtocol;
}


const QByteArray& TcToken::getPsk() const
{
	return mPsk;
}
