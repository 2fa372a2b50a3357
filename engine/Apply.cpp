// Applying a definition set to the system, and the single settings applied at once.
#include <algorithm>

#include "base/Strings.h"
#include "engine/DefaultBrowser.h"
#include "engine/ScriptTexts.h"
#include "model/Keys.h"
#include "model/Preferences.h"

namespace lendmode {
namespace {

bool boxOf(const plist::Dictionary& row) {
    const auto it = row.find(rowkeys::kBox);
    return it != row.end() && it->second.truthValue();
}

std::int64_t segmentOf(const plist::Dictionary& row) {
    const auto it = row.find(rowkeys::kSegmentSelected);
    return it == row.end() ? 0 : it->second.integerValue();
}

const char* edgeFor(std::int64_t segment) {
    return segment == 1 ? "left" : segment == 2 ? "right" : "bottom";
}

bool isHotCornerKey(std::string_view key) {
    return std::any_of(std::begin(kHotCornerKeys), std::end(kHotCornerKeys),
                       [&](const char* known) { return key == known; });
}

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

// One "defaults write com.apple.dock" line per corner key that has a value, and one
// removal per key the dictionary lacks: a snapshot holds only the keys the owner had.
// Only the Dock's eight keys are written: a key is put into a shell text as it stands,
// so a stored dictionary edited by hand must not be able to smuggle shell syntax in.
void addHotCornerLines(const plist::Value* corners, ShellLines& lines) {
    const plist::Dictionary* dict = corners ? corners->asDictionary() : nullptr;
    if (!dict) return;
    for (const auto& [key, value] : *dict) {
        if (isHotCornerKey(key)) lines.add(texts::hotCornerLine(key, value.integerValue()));
    }
    for (const char* key : kHotCornerKeys) {
        if (dict->find(key) == dict->end()) lines.add(texts::hotCornerRemovalLine(key), /*removes=*/true);
    }
}

}  // namespace

void Preferences::applayToSystem(std::uint64_t index) {
    (void)applySet(index, lendmode());
}

std::vector<std::string> Preferences::disabledApplicationNames() {
    std::vector<std::string> names;
    const plist::Array* apps = appDisabled();
    if (!apps) return names;
    for (const plist::Value& record : *apps) {
        const plist::Array* fields = record.asArray();
        if (!fields || fields->size() < 2 || !(*fields)[1].truthValue() || !(*fields)[0].isString()) continue;
        const std::string& name = *(*fields)[0].asString();
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return names;
}

std::vector<std::string> Preferences::runningDisabledApplications() {
    std::vector<std::string> running;
    for (const std::string& name : disabledApplicationNames()) {
        if (plist::leadingInteger(runAppleScript(texts::isRunningScript(name))) == 1) running.push_back(name);
    }
    return running;
}

Preferences::ApplyResult Preferences::applySet(std::uint64_t index, bool on,
                                               const std::vector<std::string>* recordedRunning) {
    ApplyResult result;
    if (index >= definitionSets_.size() || !definitionSets_[index].isArray()) return result;

    ShellLines commands;
    std::string script;
    std::optional<std::string> browser = std::string(kSafari);

    for (const plist::Value& rowValue : *definitionSets_[index].asArray()) {
        const plist::Dictionary* row = rowValue.asDictionary();
        if (!row) continue;
        const auto idIt = row->find(rowkeys::kID);
        const std::int64_t id = idIt == row->end() ? -1 : idIt->second.integerValue();
        const bool box = boxOf(*row);
        switch (id) {
            case rows::kDoNotDisturb:
                commands.add(box ? texts::kDoNotDisturbOn : texts::kDoNotDisturbOff);
                commands.add(box ? texts::kDoNotDisturbOnDate : texts::kDoNotDisturbOffDate,
                             /*removes=*/!box);
                break;
            case rows::kDefaultScroll: script += texts::scrollPiece(box ? "false" : "true"); break;
            case rows::kHotCornersOff: {
                // The set's corner values are written whatever the box says.
                const auto it = row->find(rowkeys::kDictHotCorners);
                addHotCornerLines(it == row->end() ? nullptr : &it->second, commands);
                break;
            }
            case rows::kBrowser: {
                if (box) {
                    browser = std::string(kSafari);
                } else {
                    const auto it = row->find(rowkeys::kBrowser);
                    browser = it != row->end() && it->second.isString()
                                  ? std::optional(*it->second.asString())
                                  : std::nullopt;
                }
                break;
            }
            case rows::kDockVisible: script += texts::autohidePiece(box ? "false" : "true"); break;
            case rows::kDockLocation: script += texts::screenEdgePiece(edgeFor(segmentOf(*row))); break;
            case rows::kDarkMode: {
                const std::int64_t appearance = segmentOf(*row);
                if (appearance == 0) {
                    script += texts::kLightPiece;
                } else if (appearance == 1) {
                    script += texts::kDarkPiece;
                } else {
                    commands.add(texts::kAutomaticAppearanceStyle, /*removes=*/true);
                    commands.add(texts::kAutomaticAppearanceSwitch);
                }
                break;
            }
            default: break;
        }
    }

    // Disabled applications: quit one by one at switch-on, each of them recorded
    // before any is quit, so that a kill half-way still knows what to reopen; reopened
    // inside the script at switch-off when the last switch-on quit them.
    if (on) {
        appNeedRun_.clear();
        std::vector<std::string> running = recordedRunning ? *recordedRunning : runningDisabledApplications();
        if (!recordedRunning && !running.empty() &&
            !prefs_.setObject(keys::kAppsToReopen, plist::Array(running.begin(), running.end()))) {
            result.notQuit = std::move(running);  // not recorded: left running
            running.clear();
        }
        for (const std::string& name : running) {
            if (plist::leadingInteger(runAppleScript(texts::quitIfRunningScript(name))) == 1)
                appNeedRun_.push_back(name);
        }
    } else {
        for (const std::string& name : disabledApplicationNames()) {
            if (std::find(appNeedRun_.begin(), appNeedRun_.end(), name) != appNeedRun_.end())
                script += texts::relaunchPiece(name);
        }
    }

    result.scriptFailed = !ports_.appleScript->execute(texts::kSystemPreferencesPrologue + script +
                                                       texts::kSystemPreferencesEpilogue);
    if (on) {
        commands.add(texts::kRestartDock);
        commands.add(texts::kRestartNotificationCenter);
        runShellScript(joined(commands.lines, "\n"));
    } else {
        // Putting the owner's settings back: whether every write of them succeeded
        // decides whether the record of them may go.
        std::vector<std::string> writes;
        std::vector<std::string> after;
        for (std::size_t i = 0; i < commands.lines.size(); ++i)
            (commands.removal[i] ? after : writes).push_back(std::move(commands.lines[i]));
        after.emplace_back(texts::kRestartDock);
        after.emplace_back(texts::kRestartNotificationCenter);
        result.settingsNotWritten = !ports_.shell->runSucceeded(texts::checkedShellText(writes, after));
    }
    SetDefaultBrowser(browser, *ports_.urlHandlers);
    return result;
}

void Preferences::scriptMouseInverse(bool on) {
    runAppleScript(texts::mouseInverseScript(on ? "false" : "true"));
}

void Preferences::scriptHotCornersOFF(bool off) {
    ShellLines commands;
    commands.add(texts::kQuitSystemPreferences);
    if (off) {
        const plist::Value corners(zerroHotCorners());
        addHotCornerLines(&corners, commands);
    } else if (definitionSets_.size() > 1 && definitionSets_[1].isArray()) {
        // The owner's corners, from the snapshot's first row 5.
        for (const plist::Value& row : *definitionSets_[1].asArray()) {
            const plist::Value* id = row.find(rowkeys::kID);
            if (id && id->integerValue() == rows::kHotCornersOff) {
                addHotCornerLines(row.find(rowkeys::kDictHotCorners), commands);
                break;
            }
        }
    }
    commands.add(texts::kRestartDock);
    runShellScript(joined(commands.lines, "\n"));
}

void Preferences::scriptDockVisable(bool visible) {
    runAppleScript(texts::autohidePiece(visible ? "false" : "true"));
}

void Preferences::scriptDockPosition(std::uint64_t index) {
    runAppleScript(
        texts::screenEdgePiece(edgeFor(static_cast<std::int64_t>(std::min<std::uint64_t>(index, 3)))));
}

void Preferences::scriptDarkMode(bool dark) {
    runAppleScript(texts::darkModePiece(dark ? "true" : "false"));
}

void Preferences::scriptDoNotDistrib(bool on) {
    runShellScript(texts::doNotDisturbScript(on));
}

}  // namespace lendmode
