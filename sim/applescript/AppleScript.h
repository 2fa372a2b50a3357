// The simulated Mac's AppleScript: an interpreter for the handful of statements the
// program sends (application running checks, quit, activate, return of a literal or a
// list of them, do shell script, System Events' Dock and appearance preferences and
// its keystrokes, the trackpad pane of System Preferences and its first checkbox, and
// Standard Additions' set volume and get volume settings).
//
// As in AppleScript, the whole text is compiled first, so a text that does not
// compile runs nothing; then the statements run in order and the first one that fails
// stops the script, leaving the effects of the ones before it in place.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "base/plist/Value.h"

namespace sim {
class SimMac;
}

namespace sim::applescript {

struct Error {
    enum class Kind { Syntax, Execution };
    Kind kind = Kind::Syntax;
    int number = 0;
    std::string message;
    // Character (not byte) range of the offending text in the source.
    std::size_t start = 0, end = 0;

    // As osascript prints it:
    //   0:12: syntax error: Expected end of line but found identifier. (-2741)
    //   32:40: execution error: Can’t get application "NoSuchApp". (-1728)
    std::string describe() const;
};

struct Outcome {
    std::optional<plist::Value> result;  // the value of the last statement run, or of `return`
    std::optional<Error> error;
    bool ok() const { return !error; }
};

// Compiles the whole text, then runs it against the simulated Mac.
Outcome run(const std::string& source, const sim::SimMac& mac);

// How osascript prints a result: integers as 1, reals as 1.5, 2.0 or 1.0E+4, strings
// without quotes, lists as "a, b, c", records as "key:value, ...", booleans as
// true/false.
std::string formatResult(const plist::Value& value);

}  // namespace sim::applescript
