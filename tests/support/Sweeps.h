// How much of a sweep over many cases a test build runs: all of it in the plain build,
// which looks for wrong results; a sample under the sanitizers, which look for memory
// and undefined-behaviour faults along the same code and run several times slower.
#pragma once

namespace testing_support {

#ifdef LENDMODE_SANITIZED_TESTS
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// `all` cases in the plain build, `sample` under the sanitizers.
constexpr int sweep(int all, int sample) {
    return kSanitized ? sample : all;
}

}  // namespace testing_support
