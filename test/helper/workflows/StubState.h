#pragma once

#include "states/AbstractState.h"

#include <QMap>
#include <QStringList>

namespace tessarovin
{

// A state in place of a real one, to test a controller's chain: each run ends with what the
// script holds for the state's name, one entry per run, "fireContinue" once none is left. An
// entry names a signal; "fireAbort" aborts for User_Cancelled, "fireAbort:<status code>:<reason>"
// records that status first and aborts for that reason. Name stubs by subclasses
// (createState names a state after its class).
class StubState
	: public AbstractState
{
	Q_OBJECT

	private:
		static QMap<QString, QStringList> sScript;

		void run() override;

	public:
		explicit StubState(const QSharedPointer<WorkflowContext>& pContext);

		static void setScript(const QMap<QString, QStringList>& pScript);

	Q_SIGNALS:
		void firePropagateAbort();
		void fireEnterNewPacePin();
		void fireSkipPinChange();
		void fireNoCardConnection();
};

} // namespace tessarovin
