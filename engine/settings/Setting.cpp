#include "engine/settings/Setting.h"

#include <string>

#include "model/Keys.h"

namespace lendmode::settings {

Env::Env(const CommandRunners& runners, const platform::Ports& systemPorts, const plist::Array& sets,
         UserDefaults* userDefaults)
    : run(runners),
      ports(systemPorts),
      urlHandlers(*systemPorts.urlHandlers),
      definitionSets(sets),
      prefs(userDefaults),
      release(platform::releaseOf(systemPorts)) {}

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

plist::Dictionary checkboxRow(std::uint64_t id, const char* title1, const char* title2, bool on) {
    namespace k = rowkeys;
    return {
        {k::kID, rowTag(id)}, {k::kIdCell, cells::kChekbox}, {k::kTitle1, title1}, {k::kTitle2, title2},
        {k::kBox, on},        {k::kBoxID, rowTag(id)},
    };
}

plist::Dictionary segmentRow(std::uint64_t id, const Segments& segments) {
    namespace k = rowkeys;
    plist::Dictionary row{
        {k::kID, rowTag(id)},
        {k::kIdCell, cells::kSegmentControl3},
        {k::kTitle1, segments.title1},
        {k::kTitle2, segments.title2},
        {k::kSegmentSelected, segments.selected},
        {k::kSegmentID, rowTag(id)},
    };
    for (int i = 0; i < 3; ++i) {
        row.emplace("title2-" + std::to_string(i), segments.notes[i]);
        row.emplace("segment" + std::to_string(i), segments.names[i]);
    }
    return row;
}

}  // namespace lendmode::settings
