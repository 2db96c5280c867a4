#pragma once

#include "CardConnectionWorker.h"
#include "MockReader.h"
#include "PacePeerProcess.h"
#include "ScriptedCard.h"

#include <functional>
#include <memory>

namespace tessarovin
{

// A basic MOCK reader whose card is the OpenPACE peer: every APDU goes to the peer process. An
// optional filter may change the peer's answer before the terminal sees it.
class PeerReader
{
	public:
		using Filter = std::function<QByteArray(const QByteArray& pCommand, const QByteArray& pResponse)>;

	private:
		PacePeerProcess mPeer;
		MockReader mReader;
		ScriptedCard* mCard;
		Filter mFilter;

	public:
		PeerReader()
			: mPeer()
			, mReader(QStringLiteral("PeerReader"))
			, mCard(nullptr)
			, mFilter()
		{
		}


		// Starts the peer and inserts its card; the reader reads card info and retry counter.
		bool start(const QStringList& pArguments = QStringList())
		{
			if (!mPeer.start(pArguments))
			{
				return false;
			}

			auto card = std::make_unique<ScriptedCard>();
			card->setHandler([this](const CommandApdu& pCommand){
					const QByteArray command(pCommand);
					QByteArray response = mPeer.transmit(command);
					if (mFilter)
					{
						response = mFilter(command, response);
					}
					if (response.isEmpty())
					{
						return ResponseApduResult {CardReturnCode::COMMAND_FAILED, ResponseApdu()};
					}
					return ResponseApduResult {CardReturnCode::OK, ResponseApdu(response)};
				});
			mCard = card.get();
			mReader.setBasicReader(true);
			mReader.insertCardAndFetch(std::move(card));
			return mReader.getReaderInfo().hasEid();
		}


		void setFilter(const Filter& pFilter)
		{
			mFilter = pFilter;
		}


		QSharedPointer<CardConnectionWorker> connect()
		{
			return mReader.createCardConnectionWorker();
		}


		MockReader& reader()
		{
			return mReader;
		}


		ScriptedCard& card()
		{
			return *mCard;
		}


		PacePeerProcess& peer()
		{
			return mPeer;
		}


};

} // namespace tessarovin
