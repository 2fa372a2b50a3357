// UTF-8 validation of command output.
#pragma once

#include <string_view>

namespace lendmode {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

}  // namespace lendmode
