// Mute sound: the Mac's output muted while Lendmode is on, for a shared screen. An
// unticked row leaves the sound alone; only a switch-on that muted it unmutes it.
#include "engine/settings/Registry.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kMuteSound;

// Standard Additions run in the script's own process: no application is told, so no
// consent is asked. osascript prints "true" or "false".
constexpr const char* kRead = "osascript -e 'output muted of (get volume settings)'";

std::string mutedPiece(bool muted) {
    return std::string("set volume output muted ") + (muted ? "true" : "false") + "\n";
}

class MuteSound final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }
    const char* name() const override { return "Sound"; }

    plist::Dictionary defaultRow(Env&) const override {
        return checkboxRow(kRow, "Mute sound", "No sound while the screen is shared", false);
    }

    std::vector<std::string> readTexts() const override { return {kRead}; }

    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                   Env&) const override {
        const auto& output = outputAt(outputs, 0);
        row[rowkeys::kBox] = output && output->starts_with("true") ? 1 : 0;
    }

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env& env) const override {
        if (plan.switchingOn) {
            // Written either way, so that the switch-off never goes by an earlier one.
            plan.record[keys::kSoundMutedBySwitch] = boxOf(row);
            if (boxOf(row)) plan.pieces.push_back({name(), mutedPiece(true)});
            return;
        }
        // The row is the owner snapshot's: the owner's own state goes back.
        if (env.prefs && env.prefs->boolean(keys::kSoundMutedBySwitch))
            plan.pieces.push_back({name(), mutedPiece(boxOf(row))});
    }
};

}  // namespace

const Setting& muteSound() {
    static const MuteSound setting;
    return setting;
}

}  // namespace lendmode::settings
