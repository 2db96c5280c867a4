#pragma once

#include "paos/PaosMessage.h"
#include "paos/PaosType.h"

#include <QIODevice>
#include <QSharedPointer>

#include <memory>

namespace tessarovin
{

// Parses one PAOS document the eID server sent into at most one message. The input is untrusted:
// any failure, an XML syntax error included, leaves no message at all.
class PaosHandler
{
	private:
		QSharedPointer<PaosMessage> mParsedObject;

		void setParsedObject(std::unique_ptr<PaosMessage> pParsedObject);

	public:
		// pLogging false keeps the document's structure and texts out of the "paos" log.
		explicit PaosHandler(QIODevice* pBody, bool pLogging = true);

		[[nodiscard]] PaosType getDetectedPaosType() const;
		[[nodiscard]] const QSharedPointer<PaosMessage>& getPaosMessage() const;
};

} // namespace tessarovin
