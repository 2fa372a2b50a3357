#include "engine/Apply.h"

#include <algorithm>

#include "base/Strings.h"
#include "engine/DefaultBrowser.h"
#include "engine/ScriptTexts.h"
#include "engine/settings/Registry.h"
#include "model/ApplicationRecord.h"
#include "model/Keys.h"

namespace lendmode {

std::vector<std::string> SetApplier::disabledApplicationNames() const {
    std::vector<std::string> names;
    const plist::Array* apps = sets_.appDisabled();
    if (!apps) return names;
    for (const plist::Value& record : *apps) {
        if (!ApplicationRecord::storedDisabled(record)) continue;
        const std::string_view name = ApplicationRecord::storedName(record);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.emplace_back(name);
    }
    return names;
}

std::vector<std::string> SetApplier::runningDisabledApplications() const {
    std::vector<std::string> running;
    for (const std::string& name : disabledApplicationNames()) {
        if (plist::leadingInteger(run_.appleScript(texts::isRunningScript(name))) == 1)
            running.push_back(name);
    }
    return running;
}

SetApplier::Result SetApplier::apply(std::uint64_t index, bool on,
                                     const std::vector<std::string>* recordedRunning) {
    Result result;
    plist::Array& sets = sets_.all();
    if (index >= sets.size() || !sets[index].isArray()) return result;

    settings::ApplyPlan plan;
    for (const plist::Value& rowValue : *sets[index].asArray()) {
        const plist::Value* id = rowValue.find(rowkeys::kID);
        const settings::Setting* setting =
            id ? settings::forRow(static_cast<std::uint64_t>(id->integerValue())) : nullptr;
        if (setting) setting->addToApply(*rowValue.asDictionary(), plan);
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
            if (plist::leadingInteger(run_.appleScript(texts::quitIfRunningScript(name))) == 1)
                appNeedRun_.push_back(name);
        }
    } else {
        for (const std::string& name : disabledApplicationNames()) {
            if (std::find(appNeedRun_.begin(), appNeedRun_.end(), name) != appNeedRun_.end())
                plan.script += texts::relaunchPiece(name);
        }
    }

    result.scriptFailed = !run_.appleScriptSucceeded(texts::kSystemPreferencesPrologue + plan.script +
                                                     texts::kSystemPreferencesEpilogue);
    settings::ShellLines& commands = plan.shell;
    if (on) {
        commands.add(texts::kRestartDock);
        commands.add(texts::kRestartNotificationCenter);
        run_.shell(joined(commands.lines, "\n"));
    } else {
        // Putting the owner's settings back: whether every write of them succeeded
        // decides whether the record of them may go.
        std::vector<std::string> writes;
        std::vector<std::string> after;
        for (std::size_t i = 0; i < commands.lines.size(); ++i)
            (commands.removal[i] ? after : writes).push_back(std::move(commands.lines[i]));
        after.emplace_back(texts::kRestartDock);
        after.emplace_back(texts::kRestartNotificationCenter);
        result.settingsNotWritten = !run_.shellSucceeded(texts::checkedShellText(writes, after));
    }
    SetDefaultBrowser(plan.browser, *ports_.urlHandlers);
    return result;
}

}  // namespace lendmode
