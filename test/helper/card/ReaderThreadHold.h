#pragma once

#include "MockReaderManagerPlugin.h"

#include <QSemaphore>

namespace tessarovin
{

// Keeps the reader thread busy from construction until release() or the end of the object:
// whatever is asked of a reader meanwhile is queued, its answer cannot come yet.
class ReaderThreadHold
{
	private:
		QSemaphore mHold;
		bool mHeld;

	public:
		ReaderThreadHold()
			: mHold()
			, mHeld(MockReaderManagerPlugin::runOnPlugin([this](MockReaderManagerPlugin&) {
					mHold.acquire();
				}, true))
		{
		}


		~ReaderThreadHold()
		{
			release();
		}


		ReaderThreadHold(const ReaderThreadHold&) = delete;
		ReaderThreadHold& operator=(const ReaderThreadHold&) = delete;

		[[nodiscard]] bool isHeld() const
		{
			return mHeld;
		}


		void release()
		{
			if (mHeld)
			{
				mHeld = false;
				mHold.release();
			}
		}


};

} // namespace tessarovin
