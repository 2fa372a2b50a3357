// The three primitives the engine rests on: shell texts, AppleScript texts, and
// handing work to the main thread.
#include "base/Utf8.h"
#include "model/Preferences.h"

namespace lendmode {

std::optional<std::string> Preferences::runShellScript(const std::string& command) {
    if (command.empty()) return std::nullopt;
    auto output = ports_.shell->run(command);
    if (!output || !isValidUtf8(*output)) return std::nullopt;
    return output;
}

std::string Preferences::runAppleScript(const std::string& source) {
    const auto items = ports_.appleScript->execute(source);
    if (!items) return {};
    std::string result;
    bool first = true;
    for (const std::string& item : *items) {
        if (item.empty()) continue;
        if (!first) result += '\n';
        result += item;
        first = false;
    }
    return result;
}

void Preferences::runMainThreadBlock(std::function<void()> block) {
    if (!block) return;
    platform::MainThread& mainThread = *sharedPreferences().ports_.mainThread;
    if (mainThread.isMainThread()) {
        block();
    } else {
        mainThread.post(std::move(block));
    }
}

}  // namespace lendmode
