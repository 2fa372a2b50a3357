// Putting names into command and script texts so that they arrive as themselves.
// An application's name is data, not code: a double quote in it must not end an
// AppleScript string, and `$(...)`, backticks or `;` in it must not run in the shell.
#pragma once

#include <string>
#include <string_view>

namespace lendmode {

// The text for inside an AppleScript string literal: backslash and double quote
// escaped, line breaks and tabs as \n, \r and \t.
std::string appleScriptEscaped(std::string_view text);

// One shell word that stands for exactly this text: single-quoted, with each single
// quote written as '\''.
std::string shellQuoted(std::string_view text);

}  // namespace lendmode
