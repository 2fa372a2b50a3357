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

// One "defaults write com.apple.dock" line per corner key that has a value. Only the
// Dock's eight keys are written: a key is put into a shell text as it stands, so a
// stored dictionary edited by hand must not be able to smuggle shell syntax in.
void addHotCornerLines(const plist::Value* corners, std::vector<std::string>& lines) {
    const plist::Dictionary* dict = corners ? corners->asDictionary() : nullptr;
    if (!dict) return;
    for (const auto& [key, value] : *dict) {
        if (isHotCornerKey(key)) lines.push_back(texts::hotCornerLine(key, value.integerValue()));
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

    std::vector<std::string> commands;
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
                commands.emplace_back(box ? texts::kDoNotDisturbOn : texts::kDoNotDisturbOff);
                commands.emplace_back(box ? texts::kDoNotDisturbOnDate : texts::kDoNotDisturbOffDate);
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
                    commands.emplace_back(texts::kAutomaticAppearanceStyle);
                    commands.emplace_back(texts::kAutomaticAppearanceSwitch);
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
    commands.emplace_back(texts::kRestartDock);
    commands.emplace_back(texts::kRestartNotificationCenter);
    runShellScript(joined(commands, "\n"));
    SetDefaultBrowser(browser, *ports_.urlHandlers);
    return result;
}

void Preferences::scriptMouseInverse(bool on) {
    runAppleScript(texts::mouseInverseScript(on ? "false" : "true"));
}

void Preferences::scriptHotCornersOFF(bool off) {
    std::vector<std::string> commands{texts::kQuitSystemPreferences};
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
    commands.emplace_back(texts::kRestartDock);
    runShellScript(joined(commands, "\n"));
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
