#include "engine/CommandRunners.h"

#include "base/Utf8.h"

namespace lendmode {
namespace {

std::optional<std::string> textOnly(std::optional<std::string> output) {
    if (!output || !isValidUtf8(*output)) return std::nullopt;
    return output;
}

}  // namespace

std::optional<std::string> CommandRunners::shell(const std::string& command) const {
    if (command.empty()) return std::nullopt;
    return textOnly(ports_.shell->run(command));
}

std::vector<std::optional<std::string>> CommandRunners::shellAll(
    const std::vector<std::string>& commands) const {
    auto outputs = ports_.shell->runAll(commands);
    outputs.resize(commands.size());  // a runner that gave fewer: the rest gave nothing
    for (std::size_t i = 0; i < outputs.size(); ++i)
        outputs[i] = commands[i].empty() ? std::nullopt : textOnly(std::move(outputs[i]));
    return outputs;
}

bool CommandRunners::shellSucceeded(const std::string& command) const {
    return ports_.shell->runSucceeded(command);
}

namespace {

// The result's non-empty items, one per line.
std::string itemLines(const std::vector<std::string>& items) {
    std::string result;
    bool first = true;
    for (const std::string& item : items) {
        if (item.empty()) continue;
        if (!first) result += '\n';
        result += item;
        first = false;
    }
    return result;
}

}  // namespace

std::string CommandRunners::appleScript(const std::string& source) const {
    const auto items = ports_.appleScript->execute(source);
    return items ? itemLines(*items) : std::string();
}

std::optional<std::string> CommandRunners::appleScriptUnless(const std::string& source,
                                                             const std::function<bool()>& stop) const {
    const auto items = ports_.appleScript->executeUnless(source, stop);
    if (!items) return std::nullopt;
    return itemLines(*items);
}

bool CommandRunners::appleScriptSucceeded(const std::string& source) const {
    return ports_.appleScript->execute(source).has_value();
}

bool CommandRunners::appleScriptSucceeded(const std::string& source, std::string& error) const {
    return ports_.appleScript->execute(source, error).has_value();
}

}  // namespace lendmode
