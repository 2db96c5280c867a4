#include "StubState.h"

#include "Enum.h"

using namespace tessarovin;

QMap<QString, QStringList> StubState::sScript; // clazy:exclude=non-pod-global-static


StubState::StubState(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
{
}


void StubState::setScript(const QMap<QString, QStringList>& pScript)
{
	sScript = pScript;
}


void StubState::run()
{
	auto& script = sScript[getStateName()];
	const QString entry = script.isEmpty() ? QStringLiteral("fireContinue") : script.takeFirst();
	const auto parts = entry.split(QLatin1Char(':'));
	if (parts.constFirst() == QLatin1String("fireAbort"))
	{
		auto reason = FailureCode::Reason::User_Cancelled;
		if (parts.size() == 3)
		{
			updateStatus(GlobalStatus(Enum<GlobalStatus::Code>::valueFromName(parts.at(1), GlobalStatus::Code::Unknown_Error), GlobalStatus::Origin::Client));
			reason = Enum<FailureCode::Reason>::valueFromName(parts.at(2), FailureCode::Reason::User_Cancelled);
		}
		Q_EMIT fireAbort(FailureCode(reason, {FailureCode::Info::State_Name, getStateName()}));
		return;
	}
	if (!QMetaObject::invokeMethod(this, entry.toLatin1().constData()))
	{
		qFatal("StubState cannot emit %s", qPrintable(entry));
	}
}
