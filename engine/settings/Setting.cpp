#include "engine/settings/Setting.h"

#include "model/Keys.h"

namespace lendmode::settings {

bool boxOf(const plist::Dictionary& row) {
    const auto it = row.find(rowkeys::kBox);
    return it != row.end() && it->second.truthValue();
}

std::int64_t segmentOf(const plist::Dictionary& row) {
    const auto it = row.find(rowkeys::kSegmentSelected);
    return it == row.end() ? 0 : it->second.integerValue();
}

std::int64_t integerOutput(const std::optional<std::string>& output) {
    return output ? plist::leadingInteger(*output) : 0;
}

const std::optional<std::string>& outputAt(const std::vector<std::optional<std::string>>& outputs,
                                           std::size_t n) {
    static const std::optional<std::string> none;
    return n < outputs.size() ? outputs[n] : none;
}

plist::Value rowTag(std::uint64_t id) {
    return plist::Value(static_cast<unsigned>(id));
}

}  // namespace lendmode::settings
