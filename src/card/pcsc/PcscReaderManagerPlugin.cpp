#include "PcscReaderManagerPlugin.h"

#include "LogCategories.h"
#include "SCardApi.h"

using namespace tessarovin;

namespace
{

constexpr DWORD cReaderNamesBufferSize = 8192;

} // namespace


PcscReaderManagerPlugin::PcscReaderManagerPlugin()
	: ReaderManagerPlugin(ReaderManagerPluginType::PCSC, true, false)
	, mContextHandle(0)
	, mTimer()
	, mReaders()
{
	setObjectName(QStringLiteral("PcscReaderManager"));

	mTimer.setSingleShot(false);
	mTimer.setInterval(500);
	connect(&mTimer, &QTimer::timeout, this, &PcscReaderManagerPlugin::updateReaders);
}


PcscReaderManagerPlugin::~PcscReaderManagerPlugin()
{
	// The context stays: stopScan releases it.
	const auto names = mReaders.keys();
	for (const auto& name : names)
	{
		removeReader(name);
	}
}


QPointer<Reader> PcscReaderManagerPlugin::getReader(const QString& pReaderName)
{
	return mReaders.value(pReaderName).data();
}


void PcscReaderManagerPlugin::releaseContext()
{
	if (mContextHandle == 0)
	{
		return;
	}

	const auto returnCode = SCardApi::getInstance().releaseContext(mContextHandle);
	qCDebug(card_pcsc) << "SCardReleaseContext:" << returnCode;
	mContextHandle = 0;
	if (returnCode != pcsc::Scard_S_Success)
	{
		qCWarning(card_pcsc) << "Error releasing context";
	}
}


void PcscReaderManagerPlugin::startScan(bool pAutoConnect)
{
	// A second start must not leak the context of the first one.
	releaseContext();

	const auto returnCode = SCardApi::getInstance().establishContext(SCARD_SCOPE_USER, &mContextHandle);
	if (returnCode != pcsc::Scard_S_Success)
	{
		mContextHandle = 0;
	}
	setPluginEnabled(returnCode == pcsc::Scard_S_Success);
	qCDebug(card_pcsc) << "SCardEstablishContext:" << returnCode;

	if (getInfo().isEnabled())
	{
		mTimer.start(500);
		ReaderManagerPlugin::startScan(pAutoConnect);
	}
	else
	{
		qCWarning(card_pcsc) << "Not started: Cannot establish context";
		setInitialScanState(ReaderManagerPluginInfo::FAILED);
	}
}


void PcscReaderManagerPlugin::stopScan(const QString& pError)
{
	mTimer.stop();
	releaseContext();

	const auto names = mReaders.keys();
	for (const auto& name : names)
	{
		removeReader(name);
	}

	ReaderManagerPlugin::stopScan(pError);
}


void PcscReaderManagerPlugin::shelve()
{
	for (const auto& reader : std::as_const(mReaders))
	{
		shelveReader(reader.data());
	}
}


void PcscReaderManagerPlugin::updateReaders()
{
	QList<QString> newNames;
	const long returnCode = readReaderNames(newNames);
	if (returnCode != pcsc::Scard_S_Success && returnCode != pcsc::Scard_E_No_Readers_Available)
	{
		qCWarning(card_pcsc) << "Cannot update readers, returnCode:" << static_cast<qint32>(returnCode);
		setInitialScanState(ReaderManagerPluginInfo::FAILED);

		if (mTimer.isActive())
		{
			bool restart = true;
			switch (returnCode)
			{
				case pcsc::Scard_E_No_Service:
					qCDebug(card_pcsc) << "got SCARD_E_NO_SERVICE, trying to restart plugin";
					break;

				case pcsc::Scard_E_Service_Stopped:
					qCDebug(card_pcsc) << "got SCARD_E_SERVICE_STOPPED, trying to restart plugin";
					break;

				case pcsc::Scard_E_Invalid_Handle:
					qCDebug(card_pcsc) << "got SCARD_E_INVALID_HANDLE, trying to restart plugin";
					break;

				default:
					restart = false;
			}

			if (restart)
			{
				stopScan(QString());
				startScan(true);
			}
		}
	}

	QList<QString> oldNames = mReaders.keys();
	for (auto iter = newNames.begin(); iter != newNames.end();)
	{
		if (oldNames.removeOne(*iter))
		{
			iter = newNames.erase(iter);
		}
		else
		{
			++iter;
		}
	}

	removeReaders(oldNames);
	addReaders(newNames);
	setInitialScanState(ReaderManagerPluginInfo::SUCCEEDED);
}


long PcscReaderManagerPlugin::readReaderNames(QList<QString>& pReaderNames) const
{
	if (mContextHandle == 0)
	{
		return pcsc::Scard_E_Invalid_Handle;
	}

	char buffer[cReaderNamesBufferSize];
	DWORD length = cReaderNamesBufferSize;
	const auto returnCode = SCardApi::getInstance().listReaders(mContextHandle, buffer, &length);
	if (returnCode != pcsc::Scard_S_Success)
	{
		if (returnCode != pcsc::Scard_E_No_Readers_Available)
		{
			qCWarning(card_pcsc) << "SCardListReaders:" << returnCode;
			qCWarning(card_pcsc) << "Cannot read reader names";
		}
		return returnCode;
	}

	// A service that claims more than the buffer holds must not make us read past it.
	const qsizetype end = static_cast<qsizetype>(qMin(length, cReaderNamesBufferSize));
	qsizetype position = 0;
	while (position < end - 1)
	{
		const auto nameLength = static_cast<qsizetype>(qstrnlen(buffer + position, static_cast<uint>(end - position)));
		if (nameLength == 0)
		{
			// The empty string ends the multi-string.
			break;
		}
		pReaderNames += QString::fromUtf8(buffer + position, nameLength);
		position += nameLength + 1;
	}

	return returnCode;
}


void PcscReaderManagerPlugin::addReaders(const QList<QString>& pReaderNames)
{
	for (const auto& name : pReaderNames)
	{
		// A name listed twice would replace the held reader without its removal.
		if (mReaders.contains(name))
		{
			continue;
		}

		auto reader = QSharedPointer<PcscReader>::create(name);
		if (reader->init() != pcsc::Scard_S_Success)
		{
			// Not held: the next pass tries again.
			qCDebug(card_pcsc) << "Initialization of" << name << "failed";
			continue;
		}

		mReaders.insert(name, reader);
		connect(reader.data(), &Reader::fireCardInserted, this, &ReaderManagerPlugin::fireCardInserted);
		connect(reader.data(), &Reader::fireCardRemoved, this, &ReaderManagerPlugin::fireCardRemoved);
		connect(reader.data(), &Reader::fireCardInfoChanged, this, &ReaderManagerPlugin::fireCardInfoChanged);

		qCDebug(card_pcsc) << "fireReaderAdded:" << name << "(" << mReaders.size() << "reader in total )";
		Q_EMIT fireReaderAdded(reader->getReaderInfo());
	}
}


void PcscReaderManagerPlugin::removeReader(const QString& pReaderName)
{
	if (!mReaders.contains(pReaderName))
	{
		qCDebug(card_pcsc) << "Reader not present:" << pReaderName;
		return;
	}

	const QSharedPointer<PcscReader> reader = mReaders.take(pReaderName);
	const ReaderInfo info = reader->getReaderInfo();
	Q_EMIT fireReaderRemoved(info);
}


void PcscReaderManagerPlugin::removeReaders(const QList<QString>& pReaderNames)
{
	for (const auto& name : pReaderNames)
	{
		removeReader(name);
	}
}
