#include "PcscReader.h"

#include "LogCategories.h"
#include "SCardApi.h"

#include <QStringList>

#include <reader.h>

using namespace tessarovin;
using pcsc::PcscReturnCode;

namespace
{

QString stateToString(DWORD pState)
{
	static const char* const names[] = {
		"IGNORE", "CHANGED", "UNKNOWN", "UNAVAILABLE", "EMPTY", "PRESENT",
		"ATRMATCH", "EXCLUSIVE", "INUSE", "MUTE", "UNPOWERED"
	};

	// The upper 16 bits hold the service's event counter; they have no names.
	QStringList items(QStringLiteral("(%1)").arg(pState));
	if (pState == SCARD_STATE_UNAWARE)
	{
		items << QStringLiteral("UNAWARE");
	}
	for (size_t bit = 0; bit < std::size(names); ++bit)
	{
		if (pState & (DWORD(1) << bit))
		{
			items << QLatin1String(names[bit]);
		}
	}
	return items.join(QLatin1Char(' '));
}


} // namespace


PcscReader::PcscReader(const QString& pReaderName)
	: Reader(ReaderManagerPluginType::PCSC, pReaderName)
	, mReaderName(pReaderName.toUtf8())
	, mReaderState()
	, mReaderFeatures()
	, mPcscCard()
	, mContextHandle(0)
{
	qCDebug(card_pcsc) << pReaderName;
	setObjectName(pReaderName);

	mReaderState.szReader = mReaderName.constData();
	mReaderState.dwCurrentState = SCARD_STATE_UNAWARE;
}


PcscReader::~PcscReader()
{
	qCDebug(card_pcsc) << getName();

	if (mContextHandle != 0)
	{
		auto& api = SCardApi::getInstance();
		const auto cancelCode = api.cancel(mContextHandle);
		qCDebug(card_pcsc) << "SCardCancel:        " << cancelCode;
		const auto releaseCode = api.releaseContext(mContextHandle);
		qCDebug(card_pcsc) << "SCardReleaseContext:" << releaseCode;
		mContextHandle = 0;
	}

	// The card logs its reader's name while it goes, so it goes before the name.
	mPcscCard.reset();
}


long PcscReader::init()
{
	const auto returnCode = SCardApi::getInstance().establishContext(SCARD_SCOPE_USER, &mContextHandle);
	qCDebug(card_pcsc) << "SCardEstablishContext:" << returnCode;
	if (returnCode != pcsc::Scard_S_Success)
	{
		qCWarning(card_pcsc) << "Cannot establish context";
		mContextHandle = 0;
		return returnCode;
	}

	const long featuresCode = readReaderFeatures();
	if (featuresCode != pcsc::Scard_S_Success)
	{
		qCWarning(card_pcsc) << "Features / Capabilities not successful:" << static_cast<qint32>(featuresCode);
		return featuresCode;
	}

	setBasicReader(!mReaderFeatures.contains(FeatureID::EXECUTE_PACE));
	updateCard();
	setTimerId(startTimer(500, Qt::CoarseTimer));
	return pcsc::Scard_S_Success;
}


long PcscReader::readReaderFeatures()
{
	auto& api = SCardApi::getInstance();
	SCARDHANDLE cardHandle = 0;
	DWORD protocol = 0;

	qCDebug(card_pcsc) << QStringLiteral("SCardConnect(%1, %2, %3, %4, %5, %6)")
			.arg(QString::number(mContextHandle, 16), getName())
			.arg(SCARD_SHARE_DIRECT).arg(0)
			.arg(QString::number(cardHandle, 16)).arg(protocol);
	const auto connectCode = api.connect(mContextHandle, mReaderName.constData(), SCARD_SHARE_DIRECT, 0, &cardHandle, &protocol);
	qCDebug(card_pcsc) << "SCardConnect for" << getName() << ":" << connectCode;
	if (connectCode != pcsc::Scard_S_Success)
	{
		return connectCode;
	}

	// Two zero bytes: some drivers refuse an empty input.
	const QByteArray input(2, '\0');
	QByteArray answer(1024, '\0');
	DWORD answerLength = 0;
	const auto controlCode = api.control(cardHandle, CM_IOCTL_GET_FEATURE_REQUEST, input.constData(), static_cast<DWORD>(input.size()),
			answer.data(), static_cast<DWORD>(answer.size()), &answerLength);
	answer.resize(controlCode == pcsc::Scard_S_Success ? static_cast<qsizetype>(answerLength) : 0);
	qCDebug(card_pcsc) << "SCardControl for" << getName() << ":" << controlCode;

	if (controlCode != pcsc::Scard_S_Success)
	{
		qCCritical(card_pcsc) << "Determining the reader features failed. Assuming this is a basic reader";
	}
	else
	{
		qCDebug(card_pcsc) << "FEATURES:" << answer.toHex();
		mReaderFeatures = PcscReaderFeature(answer);
		qCDebug(card_pcsc) << "FEATURES:" << mReaderFeatures;
	}

	const auto disconnectCode = api.disconnect(cardHandle, SCARD_LEAVE_CARD);
	qCDebug(card_pcsc) << "SCardDisconnect for" << getName() << ":" << disconnectCode;
	return pcsc::Scard_S_Success;
}


const QString& PcscReader::getName() const
{
	return getReaderInfo().getName();
}


SCARD_READERSTATE PcscReader::getReaderState() const
{
	return mReaderState;
}


bool PcscReader::hasFeature(FeatureID pFeatureID) const
{
	return mReaderFeatures.contains(pFeatureID);
}


qint32 PcscReader::getFeatureValue(FeatureID pFeatureID) const
{
	return mReaderFeatures.getValue(pFeatureID);
}


bool PcscReader::readCardStatus()
{
	const auto returnCode = SCardApi::getInstance().getStatusChange(mContextHandle, 0, &mReaderState, 1);
	switch (returnCode)
	{
		case pcsc::Scard_S_Success:
			return true;

		case pcsc::Scard_E_Timeout:
			return false;

		case pcsc::Scard_E_Unknown_Reader:
			qCWarning(card_pcsc) << "SCardGetStatusChange:" << returnCode;
			qCWarning(card_pcsc) << "Reader unknown, stop updating reader information";
			if (getTimerId() != 0)
			{
				killTimer(getTimerId());
				setTimerId(0);
			}
			return false;

		default:
			qCWarning(card_pcsc) << "SCardGetStatusChange:" << returnCode;
			qCWarning(card_pcsc) << "Cannot update reader";
			return false;
	}
}


void PcscReader::updateCard()
{
	if (!readCardStatus())
	{
		return;
	}

	const DWORD eventState = mReaderState.dwEventState;
	if (!(eventState & SCARD_STATE_CHANGED) || (eventState & (SCARD_STATE_UNKNOWN | SCARD_STATE_UNAVAILABLE)))
	{
		return;
	}

	qCDebug(card_pcsc).noquote() << "old state:" << stateToString(mReaderState.dwCurrentState) << "| new state:" << stateToString(eventState);
	mReaderState.dwCurrentState = eventState;

	if (eventState & SCARD_STATE_PRESENT)
	{
		if (mPcscCard || (eventState & SCARD_STATE_EXCLUSIVE))
		{
			return;
		}

		const auto atrLength = qMin<DWORD>(mReaderState.cbAtr, sizeof(mReaderState.rgbAtr));
		const QByteArray atr(reinterpret_cast<const char*>(mReaderState.rgbAtr), static_cast<qsizetype>(atrLength));
		qCDebug(card_pcsc).noquote() << "ATR:" << atr.toHex(' ');

		mPcscCard = std::make_unique<PcscCard>(this);
		fetchCardInfo();
		qCInfo(card_pcsc) << "Card inserted:" << getReaderInfo().getCardInfo();
		Q_EMIT fireCardInserted(getReaderInfo());
		return;
	}

	if (mPcscCard)
	{
		mPcscCard.reset();
		removeCardInfo();
		qCInfo(card_pcsc) << "Card removed";
		Q_EMIT fireCardRemoved(getReaderInfo());
	}
}


void PcscReader::printGetReaderInfo() const
{
	if (!mPcscCard)
	{
		return;
	}

	static const char* const commands[] = {"FF9A010100", "FF9A010300", "FF9A010600", "FF9A010700"};
	QByteArrayList data;
	for (const char* command : commands)
	{
		const auto result = mPcscCard->transmit(CommandApdu(QByteArray::fromHex(command)));
		if (result.mReturnCode == CardReturnCode::OK)
		{
			data << result.mResponseApdu.getData();
		}
	}

	if (!data.isEmpty())
	{
		qCDebug(card_pcsc) << "GetReaderInfo:" << data.join(", ");
	}
}


Card* PcscReader::getCard() const
{
	return mPcscCard.get();
}
