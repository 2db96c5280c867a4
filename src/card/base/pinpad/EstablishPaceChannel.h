#pragma once

#include "pinpad/PacePasswordId.h"

#include <QByteArray>

namespace tessarovin
{

// The request to let a reader with a pin pad run PACE itself: which password, the CHAT and the
// certificate description to show. Written as PC/SC part 10 input data, as the pin-pad feature
// command around it, or as the command APDU FF 9A 04 02 of a CCID escape and of remote readers.
class EstablishPaceChannel
{
	private:
		PacePasswordId mPasswordId;
		QByteArray mChat;
		QByteArray mCertificateDescription;
		QByteArray mTransmittedPassword;

		void reset();

	public:
		explicit EstablishPaceChannel(PacePasswordId pPasswordId = PacePasswordId::UNKNOWN,
				const QByteArray& pChat = QByteArray(),
				const QByteArray& pCertificateDescription = QByteArray());
		~EstablishPaceChannel();

		EstablishPaceChannel(const EstablishPaceChannel&) = default;
		EstablishPaceChannel(EstablishPaceChannel&&) = default;
		EstablishPaceChannel& operator=(const EstablishPaceChannel&) = default;
		EstablishPaceChannel& operator=(EstablishPaceChannel&&) = default;

		// A receiver checks the form first and then calls the matching parser.
		[[nodiscard]] static bool isCcid(const QByteArray& pBytes);

		[[nodiscard]] PacePasswordId getPasswordId() const;
		[[nodiscard]] const QByteArray& getChat() const;
		[[nodiscard]] const QByteArray& getCertificateDescription() const;
		[[nodiscard]] const QByteArray& getTransmittedPassword() const;
		void setTransmittedPassword(const QByteArray& pTransmittedPassword);

		[[nodiscard]] QByteArray createInputData() const;
		[[nodiscard]] QByteArray createASN1Struct() const;
		[[nodiscard]] QByteArray createCommandDataCcid() const;

		bool fromInputData(const QByteArray& pInputData);
		bool fromCcid(const QByteArray& pCommand);
};

} // namespace tessarovin
