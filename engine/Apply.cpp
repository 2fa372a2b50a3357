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

Preferences::ApplyResult Preferences::applySet(std::uint64_t index, bool on) {
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

    // Disabled applications: quit one by one at switch-on, reopened inside the script
    // at switch-off when the last switch-on quit them.
    if (on) appNeedRun_.clear();
    if (const plist::Array* apps = appDisabled()) {
        std::vector<std::string> disabled;
        for (const plist::Value& record : *apps) {
            const plist::Array* fields = record.asArray();
            if (!fields || fields->size() < 2 || !(*fields)[1].truthValue() || !(*fields)[0].isString())
                continue;
            disabled.push_back(*(*fields)[0].asString());
        }
        for (const std::string& name : disabled) {
            if (on) {
                // A running application is recorded before it is quit, so that a
                // kill right after the quit still leaves it to be reopened; one that
                // cannot be recorded is left running.
                if (plist::leadingInteger(runAppleScript(texts::isRunningScript(name))) != 1) continue;
                plist::Array pending(appNeedRun_.begin(), appNeedRun_.end());
                pending.emplace_back(name);
                if (!prefs_.setObject(keys::kAppsToReopen, plist::Value(std::move(pending)))) {
                    result.notQuit.push_back(name);
                    continue;
                }
                if (plist::leadingInteger(runAppleScript(texts::quitIfRunningScript(name))) == 1) {
                    appNeedRun_.push_back(name);
                }
            } else if (std::find(appNeedRun_.begin(), appNeedRun_.end(), name) != appNeedRun_.end()) {
                script += texts::relaunchPiece(name);
            }
        }
    }
    if (on) {
        // The record as it ends: drops a last application that quit by itself before
        // its quit. A failure only leaves it to be started by a restore after a crash.
        const plist::Value record(plist::Array(appNeedRun_.begin(), appNeedRun_.end()));
        if (prefs_.object(keys::kAppsToReopen) != record) (void)prefs_.setObject(keys::kAppsToReopen, record);
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
