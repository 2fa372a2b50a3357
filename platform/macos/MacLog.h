// The program's log on macOS: the unified log.
#pragma once

#include <string>

namespace platform::macos {

// Sends every log line to the unified log under the subsystem (the bundle
// identifier): errors as errors, the other default-level lines as default (shown
// by `log stream` and Console), debug lines as debug. The texts are public, so
// that the log does not redact them.
void installUnifiedLogSink(const std::string& subsystem);

}  // namespace platform::macos
