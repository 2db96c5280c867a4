#pragma once

#include "Enum.h"

#include <QMap>
#include <QMetaType>
#include <QVariant>

namespace tessarovin
{

defineEnumType(ReaderManagerPluginType,
		UNKNOWN,
		MOCK,
		PCSC,
		NFC,
		REMOTE_IFD,
		LOCAL_IFD,
		SIMULATOR
		)

// The state of one reader back end, as the reader manager caches it.
class ReaderManagerPluginInfo
{
	public:
		enum class Key
		{
			PCSC_LITE_VERSION
		};

		enum InitialScanState : int
		{
			SUCCEEDED = 0,
			FAILED = 1,
			UNKNOWN = 2
		};

	private:
		ReaderManagerPluginType mType;
		QMap<Key, QVariant> mValues;
		bool mEnabled;
		bool mAvailable;
		bool mScanRunning;
		InitialScanState mInitialScanState;

	public:
		ReaderManagerPluginInfo();
		ReaderManagerPluginInfo(ReaderManagerPluginType pType, bool pEnabled, bool pAvailable);

		[[nodiscard]] ReaderManagerPluginType getPluginType() const;

		[[nodiscard]] const QMap<Key, QVariant>& getValues() const;
		[[nodiscard]] QVariant getValue(Key pKey) const;
		void setValue(Key pKey, const QVariant& pValue);

		[[nodiscard]] bool isEnabled() const;
		void setEnabled(bool pEnabled);

		[[nodiscard]] bool isAvailable() const;

		[[nodiscard]] bool isScanRunning() const;
		void setScanRunning(bool pScanRunning);

		[[nodiscard]] InitialScanState getInitialScanState() const;
		void setInitialScanState(InitialScanState pState);
};

} // namespace tessarovin

Q_DECLARE_METATYPE(tessarovin::ReaderManagerPluginInfo)
