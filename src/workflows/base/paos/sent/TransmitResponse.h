#pragma once

#include "paos/ResponseType.h"
#include "paos/sent/PaosCreator.h"

#include <QByteArray>
#include <QList>

namespace tessarovin
{

// The card's answers to a Transmit request, one per APDU sent, as hexadecimal text.
class TransmitResponse
	: public PaosCreator
	, public ResponseType
{
	private:
		QList<QByteArray> mOutputApdus;

	protected:
		void createBodyElement(QXmlStreamWriter& pWriter) override;

	public:
		TransmitResponse();
		~TransmitResponse() override;

		using PaosCreator::setRelatesTo;

		void setOutputApdus(const QList<QByteArray>& pOutputApdus);
};

} // namespace tessarovin
