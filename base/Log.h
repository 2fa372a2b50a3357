// The program's one log. Error and info lines are always written; debug lines only
// when the environment variable LENDMODE_LOG is "debug". Each line goes to a
// replaceable sink: standard error by default, the unified log on macOS.
//
//   log::info("switched on");
//   log::debug([&] { return "shell: " + text; });  // built only when debug is on
#pragma once

#include <chrono>
#include <concepts>
#include <functional>
#include <string>
#include <string_view>

namespace lendmode::log {

// From the most to the least important; a threshold lets through its level and
// those before it.
enum class Level { Error, Info, Debug };

// Receives each line that passes the threshold, without a trailing line feed. May be
// called from any thread, and from several at once.
using Sink = std::function<void(Level, std::string_view)>;

// Debug for "debug", Info for anything else and for no value (nullptr).
Level levelFromEnvironmentValue(const char* value);

// The threshold: taken from LENDMODE_LOG the first time it is needed.
Level threshold();
void setThreshold(Level level);
// Reads LENDMODE_LOG again and sets the threshold from it.
void readEnvironment();

inline bool enabled(Level level) {
    return level <= threshold();
}

// Installs a sink; an empty one puts the default back. Returns the sink it replaces
// (empty for the default).
Sink setSink(Sink sink);

// The default sink: "Lendmode: " and the message on standard error, with the lines
// after the first indented so that each entry stands out.
void writeToStandardError(Level level, std::string_view message);

// Hands the message to the sink when its level passes the threshold.
void write(Level level, std::string_view message);

inline void error(std::string_view message) {
    write(Level::Error, message);
}
inline void info(std::string_view message) {
    write(Level::Info, message);
}
inline void debug(std::string_view message) {
    write(Level::Debug, message);
}
// The message is made only when debug lines are on.
template <typename Make>
requires std::invocable<Make&>
void debug(Make&& make) {
    if (enabled(Level::Debug)) write(Level::Debug, std::string(std::invoke(make)));
}

// "12 ms": the whole milliseconds since start, for the lines that time a run.
std::string millisecondsSince(std::chrono::steady_clock::time_point start);

}  // namespace lendmode::log
