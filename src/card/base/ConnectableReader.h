#pragma once

#include "Reader.h"

namespace tessarovin
{

// A reader that the system attaches and detaches itself, not the hardware.
class ConnectableReader
	: public Reader
{
	Q_OBJECT

	public:
		using Reader::Reader;

		virtual void connectReader() = 0;
		virtual void disconnectReader(const QString& pError = QString()) = 0;

	Q_SIGNALS:
		void fireReaderDisconnected();
};

} // namespace tessarovin
