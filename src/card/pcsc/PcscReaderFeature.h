#pragma once

#include "FeatureID.h"

#include <QByteArray>
#include <QDebug>
#include <QMap>

namespace tessarovin
{

// The features that a reader announced in its answer to GET_FEATURE_REQUEST, each with its
// control code. A value type; the map is implicitly shared.
class PcscReaderFeature
{
	private:
		QMap<FeatureID, qint32> mFeatures;

	public:
		explicit PcscReaderFeature(const QByteArray& pFeatures = QByteArray());

		[[nodiscard]] bool contains(FeatureID pFeatureID) const;
		// Defined for contained features only.
		[[nodiscard]] qint32 getValue(FeatureID pFeatureID) const;
		[[nodiscard]] QList<FeatureID> getFeatures() const;
};


QDebug operator<<(QDebug pDbg, const PcscReaderFeature& pFeatures);

} // namespace tessarovin
