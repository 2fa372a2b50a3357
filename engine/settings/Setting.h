// One system setting of a definition set: its row, how the owner's value is read into
// a snapshot, what applying the row takes, and its immediate change from the popover.
// Each setting is one file in this folder; Registry.cpp lists them in row order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/plist/Value.h"
#include "engine/CommandRunners.h"
#include "model/UserDefaults.h"
#include "platform/Ports.h"

namespace lendmode::settings {

// What a setting reaches the system with.
struct Env {
    Env(const CommandRunners& runners, const platform::Ports& systemPorts, const plist::Array& sets,
        UserDefaults* userDefaults = nullptr);
    const CommandRunners& run;
    const platform::Ports& ports;
    platform::UrlHandlers& urlHandlers;
    // The two definition sets (0 the Lendmode set, 1 the owner snapshot); may be
    // empty. The same array for as long as the program runs.
    const plist::Array& definitionSets;
    // What a setting keeps between a switch-on and its switch-off; may be missing.
    UserDefaults* prefs;
    // The macOS the program runs on (10.14 when the ports do not say).
    platform::MacOSRelease release;
};

// The shell lines of an apply, each known as a write or a removal: a removal of a key
// that is not there fails, and means nothing.
struct ShellLines {
    std::vector<std::string> lines;
    std::vector<bool> removal;
    void add(std::string line, bool removes = false) {
        lines.push_back(std::move(line));
        removal.push_back(removes);
    }
};

// One setting's AppleScript piece. The pieces of an apply run as one script; when it
// stops with an error, each runs again on its own, so that one that fails stops no other
// and is named.
struct ScriptPiece {
    ScriptPiece(std::string settingName, std::string pieceText, std::vector<std::string> pieceTargets = {},
                bool clicks = false)
        : setting(std::move(settingName)),
          text(std::move(pieceText)),
          targets(std::move(pieceTargets)),
          uiScripting(clicks) {}
    std::string setting;  // what the owner reads in a message: "Natural scrolling"
    std::string text;
    // The applications it sends Apple events to, whose consent is asked for first.
    std::vector<std::string> targets;
    // It clicks through System Events, which needs Accessibility permission.
    bool uiScripting = false;
    // Undoes what the piece leaves behind when it fails on its own.
    std::function<void()> afterFailure;
};

// A change made apart from the scripts, through a port or a command of its own. It
// returns what the owner must be told: why it failed, or when it takes effect.
struct Step {
    std::string setting;
    std::function<std::optional<std::string>()> run;
};

// What the rows of a set contribute to one apply.
struct ApplyPlan {
    bool switchingOn = true;
    // The macOS it was made for, read once.
    platform::MacOSRelease release;
    std::vector<ScriptPiece> pieces;
    ShellLines shell;
    std::vector<Step> steps;
    // Stored with the switch-on record, before anything changes.
    plist::Dictionary record;
    // What cannot be changed at all, each as "Setting: why (where to allow it)".
    std::vector<std::string> notChanged;
    // The browser made the default at the end; nothing leaves it as it is.
    std::optional<std::string> browser = std::string("Safari");
};

class Setting {
public:
    virtual ~Setting() = default;
    // The row's "ID".
    virtual std::uint64_t rowId() const = 0;
    // Its name in messages to the owner.
    virtual const char* name() const = 0;
    // The row of a new default set.
    virtual plist::Dictionary defaultRow(Env& env) const = 0;
    // The texts that read the owner's value, each on its own (they run at once with
    // every other setting's).
    virtual std::vector<std::string> readTexts() const { return {}; }
    // The owner's value put into the snapshot's row, from the outputs of readTexts in
    // their order (nothing for a read that could not run).
    virtual void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                           Env& env) const = 0;
    // What applying the row adds to the apply.
    virtual void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env& env) const = 0;
    // The setting's immediate change, made while Lendmode is on when the popover's
    // control changes; `value` is the control's. Most settings have none.
    virtual void applyNow(const plist::Value& value, Env& env) const {
        (void)value;
        (void)env;
    }
};

// Lenient readings of a row's values.
bool boxOf(const plist::Dictionary& row);
std::int64_t segmentOf(const plist::Dictionary& row);
// The integer a command printed: its leading digits, 0 when there are none or when
// the command gave nothing.
std::int64_t integerOutput(const std::optional<std::string>& output);
// The output of the n-th read; nothing when it is missing.
const std::optional<std::string>& outputAt(const std::vector<std::optional<std::string>>& outputs,
                                           std::size_t n);
// Row tags and IDs are unsigned integers; in a property list they are plain integers.
plist::Value rowTag(std::uint64_t id);

// The two kinds of default row: a check box with its caption and sub-caption, and a
// three-segment control whose sub-caption changes with the segment chosen.
plist::Dictionary checkboxRow(std::uint64_t id, const char* title1, const char* title2, bool on);
struct Segments {
    const char* title1;
    const char* title2;
    const char* notes[3];  // "title2-0" to "title2-2"
    const char* names[3];  // "segment0" to "segment2"
    int selected;
};
plist::Dictionary segmentRow(std::uint64_t id, const Segments& segments);

}  // namespace lendmode::settings
