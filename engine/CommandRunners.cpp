// The three primitives the engine rests on: shell texts, AppleScript texts, and
// handing work to the main thread.
#include "base/Utf8.h"
#include "model/Preferences.h"

namespace lendmode {

std::optional<std::string> Preferences::runShellScript(const std::string& command) {
    if (command.empty()) return std::nullopt;
    auto ahead = ranAhead_.extract(command);
    auto output = ahead ? std::move(ahead.mapped()) : ports_.shell->run(command);
    if (!output || !isValidUtf8(*output)) return std::nullopt;
    return output;
}

Preferences::RanAhead::RanAhead(Preferences& prefs, const std::vector<std::string>& commands)
    : prefs_(prefs) {
    auto outputs = prefs_.ports_.shell->runAll(commands);
    for (std::size_t i = 0; i < commands.size() && i < outputs.size(); ++i)
        prefs_.ranAhead_.insert_or_assign(commands[i], std::move(outputs[i]));
}

Preferences::RanAhead::~RanAhead() {
    prefs_.ranAhead_.clear();  // an output nobody took is not kept for a later call
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
