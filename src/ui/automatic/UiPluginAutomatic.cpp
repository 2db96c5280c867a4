#include "UiPluginAutomatic.h"

#include "context/AuthContext.h"
#include "Env.h"
#include "LogCategories.h"
#include "ReaderManager.h"
#include "VolatileSettings.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

using namespace tessarovin;

namespace
{

const QString cPrefix = QStringLiteral("KENDRAWELL_AUTOMATIC_");
const QString cSecondPrefix = QStringLiteral("KENDRAWELL2_AUTOMATIC_");
const char* const cSimulatorVariable = "KENDRAWELL_AUTOMATIC_SIMULATOR";

} // namespace


UiPluginAutomatic::UiPluginAutomatic()
	: UiPlugin()
	, mContext()
	, mDominator()
	, mPrevUsedAsSdk(false)
	, mPrevDeveloperMode(false)
{
}


UiPluginAutomatic::~UiPluginAutomatic() = default;


bool UiPluginAutomatic::initialize()
{
	return true;
}


QString UiPluginAutomatic::getEnvironment(const QString& pName, const QString& pDefault)
{
	// Set but empty counts: it hides the second prefix and the default.
	for (const auto& prefix : {cPrefix, cSecondPrefix})
	{
		const auto name = (prefix + pName).toLatin1();
		if (qEnvironmentVariableIsSet(name.constData()))
		{
			return qEnvironmentVariable(name.constData());
		}
	}
	return pDefault;
}


bool UiPluginAutomatic::isDominated() const
{
	return !mDominator.isNull();
}


void UiPluginAutomatic::onUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted)
{
	if (pUi == this || !pAccepted)
	{
		return;
	}

	// Not null even without information: null means nobody dominates.
	mDominator = pInformation.isEmpty() ? QStringLiteral("") : pInformation;
}


void UiPluginAutomatic::onUiDominationReleased()
{
	mDominator = QString();
}


void UiPluginAutomatic::onWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest)
{
	if (isDominated())
	{
		return;
	}

	const auto context = pRequest->getContext();
	context->claim(this);

	if (!context.objectCast<AuthContext>())
	{
		qCWarning(automatic) << "Cannot handle context... abort automatic workflow";
		context->killWorkflow(GlobalStatus::Code::Workflow_Cancellation_By_User);
		return;
	}

	qCDebug(automatic) << "Fallback to full automatic UI";
	mContext = context;
	mContext->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR, ReaderManagerPluginType::PCSC});
	connect(mContext.data(), &WorkflowContext::fireStateChanged, this, &UiPluginAutomatic::onStateChanged);

	auto* volatileSettings = Env::getSingleton<VolatileSettings>();
	mPrevUsedAsSdk = volatileSettings->isUsedAsSdk();
	mPrevDeveloperMode = volatileSettings->isDeveloperMode();
	volatileSettings->setUsedAsSdk(true);

	Env::getSingleton<ReaderManager>()->startScanAll(true);

	const auto developerMode = getEnvironment(QStringLiteral("DEVELOPERMODE")).toLower();
	if (developerMode == QLatin1String("true") || developerMode == QLatin1String("on") || developerMode == QLatin1String("1"))
	{
		volatileSettings->setDeveloperMode(true);
	}
}


void UiPluginAutomatic::onWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest)
{
	Q_UNUSED(pRequest)

	// Without a context of its own nothing was changed here: restoring the saved flags then
	// would overwrite the settings with values never read.
	if (isDominated() || !mContext)
	{
		return;
	}

	Env::getSingleton<ReaderManager>()->stopScanAll();

	auto* volatileSettings = Env::getSingleton<VolatileSettings>();
	volatileSettings->setUsedAsSdk(mPrevUsedAsSdk);
	volatileSettings->setDeveloperMode(mPrevDeveloperMode);

	disconnect(mContext.data(), nullptr, this, nullptr);
	mContext.reset();
}


void UiPluginAutomatic::onStateChanged(const QString& pState)
{
	if (!mContext)
	{
		return;
	}

	if (pState == QLatin1String("StateSelectReader"))
	{
		handleInsertCard();
		return;
	}

	if (pState == QLatin1String("StateEnterPacePassword"))
	{
		handlePassword();
		return;
	}

	mContext->setStateApproved(true);
}


void UiPluginAutomatic::handleInsertCard()
{
	auto* readerManager = Env::getSingleton<ReaderManager>();
	if (readerManager->isInitialScanFinished())
	{
		handleInsertCardScanFinished();
		return;
	}

	connect(readerManager, &ReaderManager::fireInitialScanFinished, this, [this, readerManager] {
			disconnect(readerManager, nullptr, this, nullptr);
			handleInsertCardScanFinished();
		});
}


void UiPluginAutomatic::handleInsertCardScanFinished()
{
	// The scan may end after the workflow did.
	if (!mContext)
	{
		return;
	}

	auto* readerManager = Env::getSingleton<ReaderManager>();
	const auto readerInfos = readerManager->getReaderInfos();
	for (const auto& info : readerInfos)
	{
		if (info.hasEid())
		{
			qCDebug(automatic) << "Use existing card...";
			mContext->setStateApproved(true);
			return;
		}
	}

	for (const auto& info : readerInfos)
	{
		if (!info.isInsertable())
		{
			continue;
		}

		const auto [error, data] = getOptionalData(info);
		if (error.isEmpty())
		{
			qCDebug(automatic) << "Automatically insert card into:" << info.getName();
			readerManager->insert(info, data);
			mContext->setStateApproved(true);
			return;
		}

		qCWarning(automatic) << "Cannot get optional data:" << error;
		break;
	}

	qCWarning(automatic) << "Cannot insert card... abort automatic workflow";
	mContext->killWorkflow(GlobalStatus::Code::Workflow_Cancellation_By_User);
}


UiPluginAutomatic::OptionalData UiPluginAutomatic::getOptionalData(const ReaderInfo& pReaderInfo)
{
	if (pReaderInfo.getPluginType() != ReaderManagerPluginType::SIMULATOR)
	{
		return {QString(), QVariant()};
	}

	const auto value = qEnvironmentVariable(cSimulatorVariable);
	QByteArray json;
	if (!value.isEmpty())
	{
		QFile file(value);
		if (file.exists() && file.open(QIODevice::ReadOnly | QIODevice::Text))
		{
			qCDebug(automatic) << "Use file as JSON data:" << value;
			json = file.readAll();
		}
		else
		{
			qCDebug(automatic) << "Use content as JSON data:" << value;
			json = value.toLatin1();
		}
	}

	if (json.isEmpty())
	{
		return {QString(), QVariant()};
	}

	QJsonParseError parseError {};
	const auto document = QJsonDocument::fromJson(json, &parseError);
	if (parseError.error != QJsonParseError::NoError)
	{
		return {parseError.errorString(), QVariant()};
	}

	if (!document.isObject())
	{
		return {QStringLiteral("JSON data is not an object"), QVariant()};
	}

	return {QString(), QVariant(document.object())};
}


void UiPluginAutomatic::handlePassword()
{
	// A wrong password is a PACE run that ended with OK and a result code of the card: the result,
	// not the return code, tells it apart.
	const auto& paceOutput = mContext->getPaceOutputData();
	const auto paceCode = paceOutput.getPaceReturnCode();
	const auto paceResult = paceOutput.getPaceResult();
	const bool wrongPassword = paceResult != PaceResult::UNDEFINED && paceResult != PaceResult::OK_PIN && paceResult != PaceResult::OK_PIN_AUTH
			&& paceResult != PaceResult::OK_CAN && paceResult != PaceResult::OK_CAN_AUTH && paceResult != PaceResult::OK_PUK;
	if (wrongPassword || (paceCode != CardReturnCode::OK && paceCode != CardReturnCode::UNDEFINED))
	{
		// Never a second try: a wrong password would only count the card down.
		qCWarning(automatic) << "Previous PACE failed... abort automatic workflow";
		mContext->killWorkflow(GlobalStatus::Code::Workflow_Cancellation_By_User);
		return;
	}

	// Without a connection there is no reader to ask: that is a case this front end cannot answer.
	if (const auto& connection = mContext->getCardConnection())
	{
		const auto& readerInfo = connection->getReaderInfo();
		if (readerInfo.isBasicReader())
		{
			switch (mContext->getPasswordType())
			{
				case PacePasswordId::PACE_CAN:
					if (const auto can = getEnvironment(QStringLiteral("CAN")); can.size() == 6)
					{
						mContext->setCan(can);
						mContext->setStateApproved(true);
						return;
					}
					break;

				case PacePasswordId::PACE_PIN:
					if (const auto pin = getEnvironment(QStringLiteral("PIN"), QStringLiteral("731862")); pin.size() == 6)
					{
						mContext->setPin(pin);
						mContext->setStateApproved(true);
						return;
					}
					break;

				case PacePasswordId::PACE_PUK:
					if (const auto puk = getEnvironment(QStringLiteral("PUK")); puk.size() == 10)
					{
						mContext->setPuk(puk);
						mContext->setStateApproved(true);
						return;
					}
					break;

				default:
					break;
			}
		}
		else if (readerInfo.getPluginType() == ReaderManagerPluginType::SIMULATOR)
		{
			mContext->setStateApproved(true);
			return;
		}
	}

	qCWarning(automatic) << "Cannot handle password... abort automatic workflow";
	mContext->killWorkflow(GlobalStatus::Code::Workflow_Cancellation_By_User);
}


void UiPluginAutomatic::onApplicationStarted()
{
}


void UiPluginAutomatic::doShutdown()
{
}


void UiPluginAutomatic::onWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest)
{
	Q_UNUSED(pRequest)
}


void UiPluginAutomatic::onApplicationInitialized()
{
}


void UiPluginAutomatic::onShowUi(UiModule pModule)
{
	Q_UNUSED(pModule)
}


void UiPluginAutomatic::onHideUi()
{
}


void UiPluginAutomatic::onTranslationChanged()
{
}


void UiPluginAutomatic::onProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator)
{
	Q_UNUSED(pProxy)
	Q_UNUSED(pAuthenticator)
}


void UiPluginAutomatic::onShowUserInformation(const QString& pInformationMessage)
{
	Q_UNUSED(pInformationMessage)
}
