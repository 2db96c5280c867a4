#include "StateScript.h"

#include "states/StateBuilder.h"

#include <QMetaObject>
#include <QState>

using namespace tessarovin;

StateScript::StateScript(QObject* pRoot, const QSharedPointer<WorkflowContext>& pContext)
	: QObject()
	, mRoot(pRoot)
	, mContext(pContext)
	, mSteps()
	, mEntered()
{
	// Composite states have no name of their own unless their constructor gives them one.
	const auto states = pRoot->findChildren<QState*>();
	for (auto* state : states)
	{
		if (state->objectName().isEmpty())
		{
			state->setObjectName(stripNamespace(state->metaObject()->className()));
		}
	}

	mContext->claim(this);
	connect(mContext.data(), &WorkflowContext::fireStateChanged, this, &StateScript::onStateChanged);
}


QObject* StateScript::find(const QString& pName) const
{
	if (mRoot && mRoot->objectName() == pName)
	{
		return mRoot;
	}
	return mRoot ? mRoot->findChild<QObject*>(pName) : nullptr;
}


void StateScript::emitOn(const QString& pState, const char* pSignal, const QString& pEmitter)
{
	const QByteArray signal(pSignal);
	const QString emitter = pEmitter.isEmpty() ? pState : pEmitter;
	mSteps[pState] << [this, signal, emitter] {
				QObject* object = find(emitter);
				if (!object || !QMetaObject::invokeMethod(object, signal.constData(), Qt::QueuedConnection))
				{
					qFatal("No signal %s on %s", signal.constData(), qPrintable(emitter));
				}
			};
}


void StateScript::abortOn(const QString& pState, const QString& pEmitter, const FailureCode& pFailure)
{
	const QString emitter = pEmitter.isEmpty() ? pState : pEmitter;
	mSteps[pState] << [this, emitter, pFailure] {
				QObject* object = find(emitter);
				if (!object)
				{
					qFatal("No state %s", qPrintable(emitter));
				}
				QMetaObject::invokeMethod(object, [object, pFailure] {
						if (!QMetaObject::invokeMethod(object, "fireAbort", Qt::DirectConnection, Q_ARG(tessarovin::FailureCode, pFailure)))
						{
							qFatal("No fireAbort on %s", qPrintable(object->objectName()));
						}
					}, Qt::QueuedConnection);
			};
}


void StateScript::run(const QString& pState)
{
	mSteps[pState] << [this] {
				mContext->setStateApproved(true);
			};
}


const QStringList& StateScript::getEntered() const
{
	return mEntered;
}


void StateScript::onStateChanged(const QString& pState)
{
	mEntered << pState;
	auto& steps = mSteps[pState];
	if (!steps.isEmpty())
	{
		steps.takeFirst()();
	}
}
