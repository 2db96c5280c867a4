#include "PcscReaderFeature.h"

#include "LogCategories.h"

#include <QStringList>

using namespace tessarovin;


PcscReaderFeature::PcscReaderFeature(const QByteArray& pFeatures)
	: mFeatures()
{
	if (pFeatures.isEmpty())
	{
		qCDebug(card_pcsc) << "features: null";
		return;
	}

	// Tag, length and a big-endian control code. Readers have been seen to put other lengths
	// here, so every entry is read as six bytes regardless.
	constexpr qsizetype entrySize = 6;
	for (qsizetype offset = 0; offset + entrySize <= pFeatures.size(); offset += entrySize)
	{
		const auto tag = static_cast<uchar>(pFeatures.at(offset));
		if (!Enum<FeatureID>::isValue(tag))
		{
			continue;
		}

		const auto* value = reinterpret_cast<const uchar*>(pFeatures.constData() + offset + 2);
		const quint32 controlCode = (quint32(value[0]) << 24) | (quint32(value[1]) << 16) | (quint32(value[2]) << 8) | quint32(value[3]);
		mFeatures.insert(static_cast<FeatureID>(tag), static_cast<qint32>(controlCode));
	}
}


bool PcscReaderFeature::contains(FeatureID pFeatureID) const
{
	return mFeatures.contains(pFeatureID);
}


qint32 PcscReaderFeature::getValue(FeatureID pFeatureID) const
{
	return mFeatures.value(pFeatureID);
}


QList<FeatureID> PcscReaderFeature::getFeatures() const
{
	return mFeatures.keys();
}


QDebug tessarovin::operator<<(QDebug pDbg, const PcscReaderFeature& pFeatures)
{
	QStringList names;
	const auto features = pFeatures.getFeatures();
	for (const auto feature : features)
	{
		names << Enum<FeatureID>::getName(feature);
	}

	const QDebugStateSaver saver(pDbg);
	pDbg.noquote().nospace() << '(' << names.join(QStringLiteral(", ")) << ')';
	return pDbg;
}
