// Apple's reference date, 2001-01-01 00:00:00 UTC, in seconds after the Unix epoch:
// property-list dates count from it.
#pragma once

namespace lendmode {

inline constexpr double kAppleEpochOffset = 978307200.0;

}  // namespace lendmode
