#pragma once

#include "context/WorkflowContext.h"

#include <QObject>
#include <QSharedPointer>
#include <QStringList>

namespace tessarovin
{

// A front end of the tests: claims a context, keeps the names of the states it was told of and
// approves each one at once unless told not to.
class TestWorkflowUi
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<WorkflowContext> mContext;
		bool mAutoApprove;
		QStringList mStates;

	public:
		explicit TestWorkflowUi(bool pAutoApprove = true);

		void claim(const QSharedPointer<WorkflowContext>& pContext);
		void setAutoApprove(bool pAutoApprove);
		void approve();

		[[nodiscard]] const QStringList& getStates() const;

	private Q_SLOTS:
		void onStateChanged(const QString& pNewState);
};

} // namespace tessarovin
