#include "engine/Apply.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "base/EnvironmentDuration.h"
#include "base/Log.h"
#include "base/Strings.h"
#include "engine/DefaultBrowser.h"
#include "engine/ScriptTexts.h"
#include "engine/SystemPlaces.h"
#include "engine/settings/Registry.h"
#include "model/AlertTexts.h"
#include "model/ApplicationRecord.h"
#include "model/Keys.h"
#include "model/ShowAlert.h"

namespace lendmode {
namespace {

void addOnce(std::vector<std::string>& list, const std::string& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

// What the owner reads for a script error: the two that a permission causes say where
// to give it; any other is quoted as the system gave it.
std::string why(const std::string& error, const std::string& target, const platform::MacOSRelease& release) {
    if (error.find("(-1719)") != std::string::npos)
        return "Lendmode needs Accessibility permission (" + places::accessibility(release) + ")";
    if (error.find("(-1743)") != std::string::npos)
        return "Lendmode is not allowed to control " + target + " (" + places::automation(release) + ")";
    return error;
}

}  // namespace

std::vector<std::string> SetApplier::disabledApplicationNames() const {
    std::vector<std::string> names;
    const plist::Array* apps = sets_.appDisabled();
    if (!apps) return names;
    for (const plist::Value& record : *apps) {
        if (!ApplicationRecord::storedDisabled(record)) continue;
        const std::string_view name = ApplicationRecord::storedName(record);
        if (!name.empty()) addOnce(names, std::string(name));
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

settings::ApplyPlan SetApplier::plan(std::uint64_t index, bool on) {
    settings::ApplyPlan plan;
    plan.switchingOn = on;
    const plist::Array& sets = sets_.all();
    if (index >= sets.size() || !sets[index].isArray()) {
        plan.release = platform::releaseOf(ports_);
        return plan;
    }
    settings::Env env(run_, ports_, sets, &prefs_);
    plan.release = env.release;
    for (const plist::Value& rowValue : *sets[index].asArray()) {
        const plist::Value* id = rowValue.find(rowkeys::kID);
        const settings::Setting* setting =
            id ? settings::forRow(static_cast<std::uint64_t>(id->integerValue())) : nullptr;
        if (setting) setting->addToApply(*rowValue.asDictionary(), plan, env);
    }
    return plan;
}

std::optional<std::string> SetApplier::prepare(settings::ApplyPlan& plan, std::vector<std::string>* toQuit) {
    const platform::MacOSRelease rel = plan.release;
    platform::AutomationConsent* consent = ports_.automation.get();
    if (!consent) return std::nullopt;
    // System Preferences is quit around the script before macOS 13.
    std::vector<std::string> targets;
    if (!rel.atLeast(13)) targets = {texts::kSystemEventsName, texts::kSystemPreferencesName};
    for (const settings::ScriptPiece& piece : plan.pieces) {
        for (const std::string& target : piece.targets) addOnce(targets, target);
    }
    for (const std::string& target : targets) {
        if (!consent->mayAutomate(target)) return target;
    }
    if (!consent->accessibilityAllowed()) {
        std::erase_if(plan.pieces, [&](const settings::ScriptPiece& piece) {
            if (!piece.uiScripting) return false;
            plan.notChanged.push_back(piece.setting + ": Lendmode needs Accessibility permission (" +
                                      places::accessibility(rel) + ")");
            return true;
        });
    }
    if (toQuit) {
        std::erase_if(*toQuit, [&](const std::string& name) {
            if (consent->mayAutomate(name)) return false;
            plan.notChanged.push_back(name +
                                      ": Lendmode is not allowed to control it, so it was left running (" +
                                      places::automation(rel) + ")");
            return true;
        });
    }
    return std::nullopt;
}

std::chrono::milliseconds SetApplier::quitWait() {
    constexpr std::chrono::milliseconds kQuitWait{15'000};
    // Only ever shorter: a variable left set cannot make a switch wait longer.
    const auto shorter = millisecondsFromEnvironment("LENDMODE_QUIT_WAIT_MS");
    return shorter && shorter->count() > 0 ? std::min(*shorter, kQuitWait) : kQuitWait;
}

SetApplier::Quit SetApplier::quit(const std::string& name) {
    progress_.beginQuit(name);
    const auto deadline = std::chrono::steady_clock::now() + quitWait();
    const SwitchProgress& progress = progress_;
    const auto result = run_.appleScriptUnless(texts::quitIfRunningScript(name), [&progress, deadline] {
        return progress.quitSkipped() || std::chrono::steady_clock::now() >= deadline;
    });
    const bool skipped = progress_.quitSkipped();
    progress_.endQuit();
    if (result) return plist::leadingInteger(*result) == 1 ? Quit::Quit : Quit::NotRunning;
    log::info(name + (skipped ? ": its quit was skipped; left running" : ": it did not quit; left running"));
    return Quit::StillRunning;
}

void SetApplier::runPieces(const std::vector<settings::ScriptPiece>& pieces,
                           const platform::MacOSRelease& rel, Result& result) const {
    const bool systemPreferences = !rel.atLeast(13);
    if (pieces.empty() && !systemPreferences) return;
    std::string script = systemPreferences ? texts::kSystemPreferencesPrologue : "";
    for (const settings::ScriptPiece& piece : pieces) script += piece.text;
    if (systemPreferences) script += texts::kSystemPreferencesEpilogue;
    std::string error;
    if (run_.appleScriptSucceeded(script, error)) return;
    // Something stopped the script: each piece again on its own (each is safe to run
    // twice), so that the one that fails stops no other and is named.
    log::info("the settings script stopped (" + error + "); each setting is applied on its own");
    bool named = false;
    for (const settings::ScriptPiece& piece : pieces) {
        std::string pieceError;
        if (run_.appleScriptSucceeded(piece.text, pieceError)) continue;
        const std::string target = piece.targets.empty() ? piece.setting : piece.targets.back();
        result.notChanged.push_back(piece.setting + ": " + why(pieceError, target, rel));
        named = true;
        if (piece.afterFailure) piece.afterFailure();
    }
    if (systemPreferences) (void)run_.appleScriptSucceeded(texts::kSystemPreferencesEpilogue);
    if (!named)
        result.notChanged.push_back("System Preferences: " + why(error, texts::kSystemPreferencesName, rel));
}

SetApplier::Result SetApplier::apply(std::uint64_t index, bool on) {
    settings::ApplyPlan planned = plan(index, on);
    std::vector<std::string> running = on ? runningDisabledApplications() : std::vector<std::string>{};
    if (const auto refused = prepare(planned, on ? &running : nullptr)) {
        Result result;
        result.notChanged.push_back(alerts::filledIn(alerts::kCannotSwitchOnAutomationText, *refused));
        return result;
    }
    Result recordFailed;
    if (on && !running.empty() &&
        !prefs_.setObject(keys::kAppsToReopen, plist::Array(running.begin(), running.end()))) {
        recordFailed.notQuit = std::move(running);  // not recorded: left running
        running.clear();
    }
    Result result = apply(std::move(planned), &running);
    result.notQuit = std::move(recordFailed.notQuit);
    return result;
}

SetApplier::Result SetApplier::apply(settings::ApplyPlan plan,
                                     const std::vector<std::string>* recordedRunning,
                                     const std::optional<std::string>& https) {
    Result result;
    result.notChanged = std::move(plan.notChanged);
    const platform::MacOSRelease rel = plan.release;
    const std::size_t quits = plan.switchingOn && recordedRunning ? recordedRunning->size() : 0;
    // The quits, the settings' script, each step of its own, the commands, the browser.
    progress_.addSteps(static_cast<int>(quits + 1 + plan.steps.size() + 1 + (plan.browser ? 1 : 0)));

    // Disabled applications: quit one by one at switch-on, each of them recorded
    // before any is quit, so that a kill half-way still knows what to reopen; reopened
    // inside the script at switch-off when the last switch-on quit them.
    if (plan.switchingOn) {
        appNeedRun_.clear();
        for (const std::string& name : recordedRunning ? *recordedRunning : std::vector<std::string>{}) {
            switch (quit(name)) {
                case Quit::Quit: appNeedRun_.push_back(name); break;
                case Quit::StillRunning: result.stillRunning.push_back(name); break;
                case Quit::NotRunning: break;
            }
        }
    } else {
        for (const std::string& name : disabledApplicationNames()) {
            if (std::find(appNeedRun_.begin(), appNeedRun_.end(), name) != appNeedRun_.end())
                plan.pieces.emplace_back("Reopening " + name, texts::relaunchPiece(name));
        }
    }
    progress_.step(plan.switchingOn ? "Changing the settings\u2026" : "Putting your settings back\u2026");
    runPieces(plan.pieces, rel, result);
    for (const settings::Step& step : plan.steps) {
        progress_.step("Changing " + step.setting + "\u2026");
        if (auto told = step.run()) result.notChanged.push_back(step.setting + ": " + *told);
    }

    settings::ShellLines& commands = plan.shell;
    // From macOS 11 Notification Center reads no setting Lendmode writes.
    const bool restartNotificationCenter = !rel.atLeast(11);
    progress_.step(plan.switchingOn ? "Restarting the Dock\u2026" : "Writing your settings back\u2026");
    if (plan.switchingOn) {
        commands.add(texts::kRestartDock);
        if (restartNotificationCenter) commands.add(texts::kRestartNotificationCenter);
        run_.shell(joined(commands.lines, "\n"));
    } else {
        // Putting the owner's settings back: whether every write of them succeeded
        // decides whether the record of them may go.
        std::vector<std::string> writes;
        std::vector<std::string> after;
        for (std::size_t i = 0; i < commands.lines.size(); ++i)
            (commands.removal[i] ? after : writes).push_back(std::move(commands.lines[i]));
        after.emplace_back(texts::kRestartDock);
        if (restartNotificationCenter) after.emplace_back(texts::kRestartNotificationCenter);
        result.settingsNotWritten = !run_.shellSucceeded(texts::checkedShellText(writes, after));
    }
    if (plan.browser) progress_.step("Asking to change the default browser\u2026");
    requestBrowser(plan.browser, https, result);
    return result;
}

void SetApplier::requestBrowser(const std::optional<std::string>& browser,
                                const std::optional<std::string>& https, Result& result) {
    // An answer given before the apply ends is told with the rest; a later one alone.
    auto during = std::make_shared<Result*>(&result);
    platform::UrlHandlers& handlers = *ports_.urlHandlers;
    const std::optional<std::string> kept = DefaultBrowserName(handlers);
    RequestDefaultBrowser(browser, https, handlers, ports_.mainThread.get(),
                          [this, during, browser, kept](BrowserAnswer answer) {
                              if (answer != BrowserAnswer::Kept) return;
                              const std::string told =
                                  alerts::browserKept(kept.value_or("another browser"), browser.value_or(""));
                              if (*during) {
                                  (*during)->notChanged.push_back("Default browser: " + told);
                              } else {
                                  showAlert(ports_.alerts.get(), alerts::kBrowserKept, told);
                              }
                          });
    *during = nullptr;
}

}  // namespace lendmode
