#pragma once

#include "MockCard.h"

#include <QList>
#include <QPair>
#include <QString>

namespace tessarovin
{

// A card that keeps every progress message shown on it, with its value.
class ProgressCard
	: public MockCard
{
	Q_OBJECT

	private:
		QList<QPair<QString, int>> mProgress;

	public:
		ProgressCard() = default;

		void setProgressMessage(const QString& pMessage, int pProgress = -1) override;
		[[nodiscard]] const QList<QPair<QString, int>>& getProgress() const;
};

} // namespace tessarovin
