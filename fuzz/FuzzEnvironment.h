#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace tessarovin
{

// What every fuzz target shares: the application object that runs the libraries' start-up routines
// (object identifiers, meta types), and a message handler that swallows the log. The log text is
// still built, so its formatting of broken input is fuzzed too, but nothing reaches the terminal.
class FuzzEnvironment
{
	public:
		static void init(int* pArgc, char*** pArgv);

		// The input as a byte array that does not own (and so never copies) libFuzzer's buffer.
		static QByteArray bytes(const uint8_t* pData, size_t pSize);
};

} // namespace tessarovin
