#pragma once

#include "paos/PaosMessage.h"
#include "paos/sent/PaosCreator.h"

#include <QByteArray>

namespace tessarovin
{

// The client's opening message of the PAOS dialogue: the TC token's session identifier, the
// card application and the client's name and version.
class StartPaos
	: public PaosCreator
	, public PaosMessage
{
	private:
		const QByteArray mSessionId;

		void createConnectionHandleElement(QXmlStreamWriter& pWriter) const;
		void createUserAgentElement(QXmlStreamWriter& pWriter) const;
		void createSupportedApiVersionsElement(QXmlStreamWriter& pWriter) const;

	protected:
		void createBodyElement(QXmlStreamWriter& pWriter) override;

	public:
		explicit StartPaos(const QByteArray& pSessionId);
		~StartPaos() override;

		using PaosCreator::setRelatesTo;
};

} // namespace tessarovin
