// The AppleScripts that may wait long, through /usr/bin/osascript: a process of its own
// that can be ended when Lendmode stops waiting (NSAppleScript can be neither
// interrupted nor run off the main thread). macOS attributes a child process's Apple
// events to its responsible process, the application that started it, so the
// Automation consent asked and given is Lendmode's own, as for its NSAppleScript.
#include <algorithm>

#include "base/Quoting.h"
#include "base/Strings.h"
#include "platform/macos/MacAppleScriptRunner.h"
#include "platform/posix/PosixShellRunner.h"

namespace platform::macos {

std::optional<std::vector<std::string>> MacAppleScriptRunner::executeUnless(
    const std::string& source, const std::function<bool()>& stop) {
    PosixShellRunner shell({{"PATH", "/usr/bin:/bin:/usr/sbin:/sbin"}});
    const auto output = shell.runUnless("/usr/bin/osascript -e " + lendmode::shellQuoted(source), stop);
    if (!output) return std::nullopt;
    // osascript prints the result and a line feed: one item for the scripts run here.
    std::vector<std::string> items = lendmode::lines(*output);
    std::erase(items, std::string());
    return items;
}

}  // namespace platform::macos
