#pragma once

#include "context/WorkflowContext.h"

#include <QObject>
#include <QSharedPointer>
#include <QStringList>

namespace tessarovin
{

// A front end of the tests: claims a context, keeps the names of the states it was told of and
// approves each one at once unless told not to. Given passwords, it writes them into the context
// when the entry states ask, before it approves them.
class TestWorkflowUi
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<WorkflowContext> mContext;
		bool mAutoApprove;
		QStringList mStates;
		QString mPin;
		QString mNewPin;

	public:
		explicit TestWorkflowUi(bool pAutoApprove = true);

		void claim(const QSharedPointer<WorkflowContext>& pContext);
		void setAutoApprove(bool pAutoApprove);
		// The PIN for StateEnterPacePassword, the new PIN for StateEnterNewPacePin; empty ones stay unwritten.
		void setPasswords(const QString& pPin, const QString& pNewPin = QString());
		void approve();

		[[nodiscard]] const QStringList& getStates() const;

	private Q_SLOTS:
		void onStateChanged(const QString& pNewState);
};

} // namespace tessarovin
