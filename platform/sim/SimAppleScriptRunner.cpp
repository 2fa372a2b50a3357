#include "platform/sim/SimAppleScriptRunner.h"

#include "sim/applescript/AppleScript.h"

namespace platform::simulated {

std::optional<std::vector<std::string>> SimAppleScriptRunner::execute(const std::string& source) {
    const sim::applescript::Outcome outcome = sim::applescript::run(source, *mac_);
    if (!outcome.ok()) return std::nullopt;
    std::vector<std::string> items;
    if (!outcome.result) return items;
    // The result coerced to a list: a list gives its items, anything else one item.
    if (const plist::Array* list = outcome.result->asArray()) {
        for (const plist::Value& item : *list) items.push_back(sim::applescript::formatResult(item));
    } else {
        items.push_back(sim::applescript::formatResult(*outcome.result));
    }
    return items;
}

}  // namespace platform::simulated
