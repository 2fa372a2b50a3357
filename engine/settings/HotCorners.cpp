// Hot corners: all eight of the Dock's corner keys at 0 while Lendmode is on.
#include "engine/settings/HotCorners.h"

#include <algorithm>

#include "base/Strings.h"
#include "engine/HotCornerText.h"
#include "engine/ScriptTexts.h"
#include "engine/settings/Registry.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kHotCornersOff;

constexpr const char* kRead = "defaults read com.apple.dock | grep wvous";

bool isHotCornerKey(std::string_view key) {
    return std::any_of(std::begin(kHotCornerKeys), std::end(kHotCornerKeys),
                       [&](const char* known) { return key == known; });
}

// The hot-corner keys the listing holds, "0" for a value that is not plain digits;
// a key the owner does not have is left out.
plist::Dictionary cornersIn(std::string_view listing) {
    plist::Dictionary corners;
    for (const char* key : kHotCornerKeys) {
        if (dockListingHasKey(listing, key)) corners.emplace(key, "0");
    }
    readHotCornersFromDockListing(listing, corners);
    return corners;
}

// "defaults write com.apple.dock %@ -int %ld"
std::string cornerLine(std::string_view key, long long value) {
    return "defaults write com.apple.dock " + std::string(key) + " -int " + std::to_string(value);
}

std::string cornerRemovalLine(std::string_view key) {
    return "defaults delete com.apple.dock " + std::string(key);
}

// One write line per corner key that has a value, and one removal per key the
// dictionary lacks: a snapshot holds only the keys the owner had. Only the Dock's
// eight keys are written: a key is put into a shell text as it stands, so a stored
// dictionary edited by hand must not be able to smuggle shell syntax in.
void addCornerLines(const plist::Value* corners, ShellLines& lines) {
    const plist::Dictionary* dict = corners ? corners->asDictionary() : nullptr;
    if (!dict) return;
    for (const auto& [key, value] : *dict) {
        if (isHotCornerKey(key)) lines.add(cornerLine(key, value.integerValue()));
    }
    for (const char* key : kHotCornerKeys) {
        if (dict->find(key) == dict->end()) lines.add(cornerRemovalLine(key), /*removes=*/true);
    }
}

class HotCorners final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }
    const char* name() const override { return "Hot corners"; }

    plist::Dictionary defaultRow(Env&) const override {
        plist::Dictionary row = checkboxRow(kRow, "Hot corners off", "Hot corners will be turned off", true);
        row.emplace(rowkeys::kDictHotCorners, zeroHotCorners());
        return row;
    }

    std::vector<std::string> readTexts() const override { return {kRead}; }

    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                   Env&) const override {
        row[rowkeys::kBox] = false;
        row[rowkeys::kDictHotCorners] = cornersIn(outputAt(outputs, 0).value_or(""));
    }

    // The set's corner values are written whatever the box says.
    void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env&) const override {
        const auto it = row.find(rowkeys::kDictHotCorners);
        addCornerLines(it == row.end() ? nullptr : &it->second, plan.shell);
    }

    // Off: every corner at 0. On again: the owner's corners, from the snapshot's first
    // hot-corner row.
    void applyNow(const plist::Value& value, Env& env) const override {
        ShellLines commands;
        commands.add(texts::kQuitSystemPreferences);
        if (value.truthValue()) {
            const plist::Value corners(zeroHotCorners());
            addCornerLines(&corners, commands);
        } else if (env.definitionSets.size() > 1 && env.definitionSets[1].isArray()) {
            for (const plist::Value& row : *env.definitionSets[1].asArray()) {
                const plist::Value* id = row.find(rowkeys::kID);
                if (id && static_cast<std::uint64_t>(id->integerValue()) == kRow) {
                    addCornerLines(row.find(rowkeys::kDictHotCorners), commands);
                    break;
                }
            }
        }
        commands.add(texts::kRestartDock);
        env.run.shell(joined(commands.lines, "\n"));
    }
};

}  // namespace

plist::Dictionary zeroHotCorners() {
    plist::Dictionary corners;
    for (const char* key : kHotCornerKeys) corners.emplace(key, "0");
    return corners;
}

plist::Dictionary ownerHotCorners(const CommandRunners& run) {
    return cornersIn(run.shell(kRead).value_or(""));
}

const Setting& hotCorners() {
    static const HotCorners setting;
    return setting;
}

}  // namespace lendmode::settings
