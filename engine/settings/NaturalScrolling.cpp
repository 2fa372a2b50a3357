// Natural scrolling ("Default scroll"): Apple's scroll direction, on by default.
#include "engine/ScriptTexts.h"
#include "engine/settings/Registry.h"
#include "model/DefinitionSets.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kDefaultScroll;

constexpr const char* kRead = "defaults read -g com.apple.swipescrolldirection";
constexpr const char* kWrite = "defaults write NSGlobalDomain com.apple.swipescrolldirection -bool ";

constexpr std::string_view kTellSystemPreferences = "tell application \"System Preferences\"";
constexpr std::string_view kRevealTrackpad =
    "reveal anchor \"trackpadTab\" of pane id \"com.apple.preference.trackpad\"";
constexpr std::string_view kEndTell = "end tell";
constexpr std::string_view kTellPreferencesProcess =
    "tell application \"System Events\" to tell process \"System Preferences\"";
constexpr std::string_view kClickFirstCheckbox = "click checkbox 1 of tab group 1 of window 1";

// Writes the opposite of the wanted state, then clicks the trackpad pane's first check
// box, which flips it to the wanted state: "false" is written for natural scrolling
// on, "true" for off.
std::string written(bool natural) {
    return std::string("do shell script \"") + kWrite + (natural ? "false" : "true") + "\"";
}

// The direction the owner had stored, from the snapshot (set 1): what a failed click
// must leave behind instead of the opposite the piece wrote first.
std::optional<bool> ownerStored(const plist::Array& sets) {
    const plist::Array* owner = sets.size() < 2 ? nullptr : sets[1].asArray();
    const plist::Dictionary* row = owner ? DefinitionSets::row(*owner, kRow) : nullptr;
    if (!row) return std::nullopt;
    return boxOf(*row);
}

// From macOS 13 nothing scriptable changes the direction at once: the port does.
std::optional<std::string> changedDirectly(const platform::Ports& ports, const CommandRunners& run,
                                           bool natural) {
    using Change = platform::ScrollDirection::Change;
    const Change change = ports.scrollDirection ? ports.scrollDirection->setNaturalScrolling(natural)
                          : run.shellSucceeded(std::string(kWrite) + (natural ? "true" : "false"))
                              ? Change::AtNextLogin
                              : Change::Failed;
    switch (change) {
        case Change::InEffect: return std::nullopt;
        case Change::AtNextLogin: return std::string("macOS applies the change at your next login");
        case Change::Failed: break;
    }
    return std::string("the change could not be stored");
}

class NaturalScrolling final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }
    const char* name() const override { return "Natural scrolling"; }

    plist::Dictionary defaultRow(Env&) const override {
        return checkboxRow(kRow, "Default scroll", "Apple\u2019s natural scrolling", true);
    }

    std::vector<std::string> readTexts() const override { return {kRead}; }

    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                   Env&) const override {
        // No stored key is macOS's default: natural scrolling on.
        const auto& direction = outputAt(outputs, 0);
        const bool natural = !direction || direction->empty() || integerOutput(direction) == 1;
        row[rowkeys::kBox] = natural ? 1 : 0;
    }

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env& env) const override {
        const bool natural = boxOf(row);
        if (env.release.atLeast(13)) {
            plan.steps.push_back({name(), [&ports = env.ports, &run = env.run, natural] {
                                      return changedDirectly(ports, run, natural);
                                  }});
            return;
        }
        ScriptPiece piece{name(),
                          texts::indented({written(natural), kTellSystemPreferences, kRevealTrackpad,
                                           kEndTell, kTellPreferencesProcess, kClickFirstCheckbox, kEndTell},
                                          13),
                          {texts::kSystemPreferencesName, texts::kSystemEventsName},
                          /*clicks=*/true};
        piece.afterFailure = [&sets = env.definitionSets, &run = env.run] {
            if (const auto stored = ownerStored(sets))
                (void)run.shellSucceeded(std::string(kWrite) + (*stored ? "true" : "false"));
        };
        plan.pieces.push_back(std::move(piece));
    }

    // One script of its own, System Preferences quit around it; from macOS 13 the port.
    void applyNow(const plist::Value& value, Env& env) const override {
        if (env.release.atLeast(13)) {
            (void)changedDirectly(env.ports, env.run, value.truthValue());
            return;
        }
        env.run.appleScript(
            texts::indented({"if application \"System Preferences\" is running then",
                             "quit application \"System Preferences\"", "end if", written(value.truthValue()),
                             kTellSystemPreferences, kRevealTrackpad, kEndTell, kTellPreferencesProcess,
                             kClickFirstCheckbox, kEndTell, "quit application \"System Preferences\""},
                            24));
    }
};

}  // namespace

const Setting& naturalScrolling() {
    static const NaturalScrolling setting;
    return setting;
}

}  // namespace lendmode::settings
