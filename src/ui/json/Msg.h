#pragma once

#include "MsgTypes.h"

#include <QByteArray>

namespace tessarovin
{

// One outgoing message as the client receives it: compact JSON text, empty for no output.
class Msg
{
	private:
		MsgType mType;
		QByteArray mData;

	public:
		explicit Msg(MsgType pType = MsgType::VOID, const QByteArray& pData = QByteArray());

		[[nodiscard]] MsgType getType() const;
		[[nodiscard]] const QByteArray& getData() const;
		[[nodiscard]] bool isEmpty() const;

		operator QByteArray() const;
};

} // namespace tessarovin
