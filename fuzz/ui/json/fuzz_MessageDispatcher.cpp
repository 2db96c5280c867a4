// The commands of the JSON interface: text from any program on this machine that reaches the
// WebSocket, and from web pages whose origin the user allowed.

#include "MessageDispatcher.h"

#include "context/ChangePinContext.h"
#include "FuzzEnvironment.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

using namespace tessarovin;


namespace
{

// Every answer is one JSON object whose "msg" names its type and which echoes the command's
// "request" unchanged.
void checkAnswer(const Msg& pMsg, const QByteArray& pCommand)
{
	if (pMsg.isEmpty())
	{
		return;
	}

	QJsonParseError error {};
	const auto answer = QJsonDocument::fromJson(pMsg.getData(), &error);
	if (error.error != QJsonParseError::NoError || !answer.isObject()
			|| answer.object().value(QLatin1String("msg")).toString() != QString(Enum<MsgType>::getName(pMsg.getType())))
	{
		abort();
	}

	const auto command = QJsonDocument::fromJson(pCommand).object();
	if (command.contains(QLatin1String("request")) && answer.object().value(QLatin1String("request")) != command.value(QLatin1String("request")))
	{
		abort();
	}
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const auto command = FuzzEnvironment::bytes(pData, pSize);

	MessageDispatcher idle;
	checkAnswer(idle.processCommand(command), command);

	// The same command while a PIN change waits for the PIN.
	MessageDispatcher busy;
	const auto context = QSharedPointer<ChangePinContext>::create();
	(void) busy.init(context);
	context->setPasswordType(PacePasswordId::PACE_PIN);
	(void) busy.processStateChange(QStringLiteral("StateEnterPacePassword"));
	checkAnswer(busy.processCommand(command), command);
	return 0;
}
