#pragma once

#include <QString>

namespace tessarovin
{

// The eCard-API ConnectionHandle of a received DIDAuthenticate. Each value stays null until its
// element was read; a RecognitionInfo is not kept.
class ConnectionHandle
{
	private:
		QString mContextHandle;
		QString mIfdName;
		QString mSlotIndex;
		QString mCardApplication;
		QString mSlotHandle;

	public:
		ConnectionHandle() = default;

		[[nodiscard]] const QString& getContextHandle() const;
		void setContextHandle(const QString& pContextHandle);

		[[nodiscard]] const QString& getIfdName() const;
		void setIfdName(const QString& pIfdName);

		[[nodiscard]] const QString& getSlotIndex() const;
		void setSlotIndex(const QString& pSlotIndex);

		[[nodiscard]] const QString& getCardApplication() const;
		void setCardApplication(const QString& pCardApplication);

		[[nodiscard]] const QString& getSlotHandle() const;
		void setSlotHandle(const QString& pSlotHandle);
};

} // namespace tessarovin
