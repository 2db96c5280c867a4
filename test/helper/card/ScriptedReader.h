#pragma once

#include "MockReaderManagerPlugin.h"
#include "ScriptedCard.h"

#include <QString>

#include <functional>
#include <memory>

namespace tessarovin
{

// A scripted card goes into a MOCK reader, on the reader manager's thread, and is read there
// as a back end reads a new card. Without a script the reader stays empty.
inline bool insertScriptedCard(const QString& pReaderName, const std::function<void(ScriptedCard&)>& pScript, bool pBasicReader = true)
{
	return MockReaderManagerPlugin::runOnPlugin([pReaderName, pScript, pBasicReader](MockReaderManagerPlugin& pPlugin){
			auto* reader = pPlugin.getMockReader(pReaderName);
			if (reader == nullptr)
			{
				reader = pPlugin.addReader(pReaderName);
			}
			reader->setBasicReader(pBasicReader);

			std::unique_ptr<ScriptedCard> card;
			if (pScript)
			{
				card = std::make_unique<ScriptedCard>();
				pScript(*card);
			}
			reader->insertCardAndFetch(std::move(card));
		});
}


// Runs on the reader manager's thread with the reader's scripted card (null when there is none).
inline bool onScriptedCard(const QString& pReaderName, const std::function<void(ScriptedCard*)>& pFunc)
{
	return MockReaderManagerPlugin::runOnPlugin([pReaderName, pFunc](MockReaderManagerPlugin& pPlugin){
			auto* reader = pPlugin.getMockReader(pReaderName);
			pFunc(reader ? qobject_cast<ScriptedCard*>(reader->getCard()) : nullptr);
		});
}

} // namespace tessarovin
