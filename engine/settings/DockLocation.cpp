// Dock location: bottom, left side or right side.
#include <algorithm>

#include "engine/ScriptTexts.h"
#include "engine/settings/Registry.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kDockLocation;

constexpr const char* kRead = "defaults read com.apple.dock orientation";

std::string screenEdgePiece(std::int64_t segment) {
    const char* edge = segment == 1 ? "left" : segment == 2 ? "right" : "bottom";
    return std::string("tell application \"System Events\" to tell dock preferences to set screen edge to ") +
           edge + "\n";
}

bool contains(const std::optional<std::string>& output, const char* word) {
    return output && output->find(word) != std::string::npos;
}

class DockLocation final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }
    const char* name() const override { return "Dock position"; }

    plist::Dictionary defaultRow(Env&) const override {
        return segmentRow(kRow, {"Dock location",
                                 "Put the dock on the bottom, not the sides",
                                 {"Put the dock on the bottom", "Put the dock on the left side",
                                  "Put the dock on the right side"},
                                 {"Bottom", "Left side", "Right side"},
                                 0});
    }

    std::vector<std::string> readTexts() const override { return {kRead}; }

    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                   Env&) const override {
        const auto& orientation = outputAt(outputs, 0);
        const unsigned edge = contains(orientation, "left") ? 1u : contains(orientation, "right") ? 2u : 0u;
        row[rowkeys::kSegmentSelected] = edge;
    }

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env&) const override {
        plan.pieces.push_back({name(), screenEdgePiece(segmentOf(row)), {texts::kSystemEventsName}});
    }

    // The popover's segment index.
    void applyNow(const plist::Value& value, Env& env) const override {
        const auto index = static_cast<std::uint64_t>(value.integerValue());
        env.run.appleScript(screenEdgePiece(static_cast<std::int64_t>(std::min<std::uint64_t>(index, 3))));
    }
};

}  // namespace

const Setting& dockLocation() {
    static const DockLocation setting;
    return setting;
}

}  // namespace lendmode::settings
