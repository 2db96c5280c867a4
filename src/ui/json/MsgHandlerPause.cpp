#include "MsgHandlerPause.h"

using namespace tessarovin;


MsgHandlerPause::MsgHandlerPause()
	: MsgHandler(MsgType::PAUSE)
{
	// The only cause so far: the card lies where the reader hardly reaches it.
	setValue(QLatin1String("cause"), QStringLiteral("BadCardPosition"));
}
