#pragma once

#include "command/BaseCardCommand.h"
#include "pinpad/EstablishPaceChannelOutput.h"
#include "pinpad/PacePasswordId.h"

#include <QByteArray>

namespace tessarovin
{

class EstablishPaceChannelCommand
	: public BaseCardCommand
{
	Q_OBJECT

	private:
		const PacePasswordId mPacePasswordId;
		QByteArray mPacePassword;
		const QByteArray mEffectiveChat;
		const QByteArray mCertificateDescription;
		EstablishPaceChannelOutput mPaceOutput;

	protected:
		void internalExecute() override;

	public:
		EstablishPaceChannelCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker,
				PacePasswordId pPacePasswordId,
				const QByteArray& pPacePassword,
				const QByteArray& pEffectiveChat,
				const QByteArray& pCertificateDescription);
		~EstablishPaceChannelCommand() override;

		[[nodiscard]] const EstablishPaceChannelOutput& getPaceOutput() const;
};

} // namespace tessarovin
