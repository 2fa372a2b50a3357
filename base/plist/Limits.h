// The bounds that every property-list reader and writer here keeps, so that a file
// from outside can exhaust neither the stack nor the memory.
#pragma once

#include <cstddef>

namespace plist {

// Containers (arrays and dictionaries) nest at most this deep; the root container is
// the first level. Deeper lists are refused when read and are not written (a list
// that could not be read again would be lost whole), so every walk over a value that
// recurses (copy, comparison, destruction, the writers, the listings of `defaults`)
// stays a few hundred calls deep.
constexpr int kMaxNesting = 512;

// The largest file read whole: far above any real preferences file (the simulated
// Mac's catalogue of 50,000 applications is under 5 MB), so that a huge, sparse or
// endless file is refused rather than taking all the memory.
constexpr std::size_t kMaxFileSize = std::size_t{64} << 20;

}  // namespace plist
