#pragma once

#include "paos/ElementParser.h"
#include "paos/ResponseType.h"

#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

// The server's StartPAOSResponse, which ends the dialogue with the eID server's result. It reads
// its own element; no part of it is mandatory.
class StartPaosResponse
	: public ResponseType
{
	private:
		const QSharedPointer<ElementParser> mParser;
		QString mResultMajor;
		QString mResultMinor;
		QString mResultMessage;

		void parseResult();

	public:
		// pParser stands on the "StartPAOSResponse" element.
		explicit StartPaosResponse(const QSharedPointer<ElementParser>& pParser);
		~StartPaosResponse() override;
		Q_DISABLE_COPY_MOVE(StartPaosResponse)
};

} // namespace tessarovin
