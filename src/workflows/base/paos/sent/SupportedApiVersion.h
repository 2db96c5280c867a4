#pragma once

namespace tessarovin
{

// The eCard-API version the client speaks, 1.1.5.
struct SupportedApiVersion
{
	static constexpr int cMajor = 1;
	static constexpr int cMinor = 1;
	static constexpr int cSubminor = 5;
};

} // namespace tessarovin
