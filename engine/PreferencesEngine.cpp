// The operations of the shared Preferences that reach the engine: each one a
// delegation to the part that does the work.
#include <algorithm>

#include "base/FreedMemory.h"
#include "base/Log.h"
#include "engine/DefaultBrowser.h"
#include "engine/Engine.h"
#include "engine/ScreenLock.h"
#include "engine/settings/DoNotDisturb.h"
#include "engine/settings/HotCorners.h"
#include "engine/settings/Registry.h"
#include "model/AlertTexts.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "model/ShowAlert.h"

namespace lendmode {

Preferences::Preferences(platform::Ports ports)
    : ports_(std::move(ports)),
      prefs_(ports_.userDefaults),
      engine_(std::make_unique<Engine>(ports_, prefs_, flag_, sets_, progress_, loan_)) {
    prefs_.registerDefaults({{keys::kCurrentSet, "0"}, {keys::kLendmode, false}});
    if (const auto aside = prefs_.store().takeMovedAsideDamagedStore()) {
        showAlert(ports_.alerts.get(), alerts::kDamagedStoreMessage,
                  alerts::filledIn(alerts::kDamagedStoreText, *aside));
    }
    flag_.load(prefs_.boolean(keys::kLendmode));
    ownerLockRequired_ = prefs_.boolean(keys::kOwnerLockRequired);
    const bool stillOn = engine_->switching.restoreLeftOn();
    if (!setLendmode(stillOn)) log::error("could not store whether Lendmode is on");
}

Preferences::~Preferences() = default;

bool Preferences::guestSettingsApplied() const {
    return engine_->switching.guestSettingsApplied();
}

bool Preferences::setLoanLength(std::optional<Loan::Seconds> length) {
    return engine_->switching.changeLoan(length);
}

void Preferences::lockScreen() {
    (void)lendmode::lockScreen(engine_->run, ports_);
}

std::vector<std::string>& Preferences::appNeedRun() {
    return engine_->applier.appNeedRun();
}

void Preferences::switchLendmode(bool on, const std::function<void()>& completion,
                                 const std::function<void()>& started) {
    // One switch at a time: the flag stays as the running switch leaves it.
    if (progress_.underWay()) {
        if (completion) completion();
        return;
    }
    // Under way from before the flag changes, so that nobody takes the change for the
    // switch's end.
    const SwitchProgress::Scope underWay(progress_, on, 0);
    setLendmode(on, /*withSwitch=*/true);
    if (started) started();
    if (on) {
        applaySelectedDefinitionCompletion(completion);
    } else {
        restoreDefinitionSetsCompletion(completion);
    }
}

std::optional<std::string> Preferences::defaultBrowserName() {
    return DefaultBrowserName(*ports_.urlHandlers);
}

plist::Array Preferences::settingsDefault() {
    return engine_->defaults.make();
}

plist::Array Preferences::settingsDefault(plist::Array applications) {
    return engine_->defaults.make(std::move(applications));
}

bool Preferences::FocusShortcuts::missing() const {
    const auto has = [this](const std::string& name) {
        return std::find(installed.begin(), installed.end(), name) != installed.end();
    };
    return switchable && (!has(on) || !has(off));
}

Preferences::FocusShortcuts Preferences::focusShortcuts() {
    FocusShortcuts focus;
    focus.switchable = platform::releaseOf(ports_).atLeast(12);
    if (focus.switchable) focus.installed = settings::focusShortcuts(engine_->run);
    focus.on = settings::focusShortcutName(&prefs_, true);
    focus.off = settings::focusShortcutName(&prefs_, false);
    return focus;
}

bool Preferences::setFocusShortcut(bool on, const std::string& name) {
    return prefs_.setObject(on ? keys::kFocusOnShortcut : keys::kFocusOffShortcut, plist::Value(name));
}

plist::Dictionary Preferences::zerroHotCorners() const {
    return settings::zeroHotCorners();
}

plist::Array Preferences::appListOnSystem() {
    return engine_->defaults.installedApplications();
}

plist::Array Preferences::settingsUser(bool* allRead) {
    return engine_->snapshot.take(allRead);
}

plist::Dictionary Preferences::hotCornersOLD() {
    return settings::ownerHotCorners(engine_->run);
}

void Preferences::readCurrentDefinitionSets() {
    sets_.load({[this] { return settingsDefault(); }, [this] { return settingsUser(); },
                [this] { return appListOnSystem(); }},
               guestSettingsApplied());
    releaseFreedMemory();  // the stored copy, the snapshot's and the merge's
}

void Preferences::applayToSystem(std::uint64_t index) {
    applySet(index, lendmode());
}

void Preferences::applySet(std::uint64_t index, bool lendmodeOn) {
    (void)engine_->applier.apply(index, lendmodeOn);
}

std::vector<std::string> Preferences::disabledApplicationNames() {
    return engine_->applier.disabledApplicationNames();
}

std::vector<std::string> Preferences::runningDisabledApplications() {
    return engine_->applier.runningDisabledApplications();
}

namespace {

void applyNow(Engine& engine, const platform::Ports& ports, const DefinitionSets& sets, UserDefaults& prefs,
              const settings::Setting& setting, const plist::Value& value) {
    settings::Env env(engine.run, ports, sets.all(), &prefs);
    setting.applyNow(value, env);
}

}  // namespace

void Preferences::scriptMouseInverse(bool on) {
    applyNow(*engine_, ports_, sets_, prefs_, settings::naturalScrolling(), plist::Value(on));
}

void Preferences::scriptHotCornersOFF(bool off) {
    applyNow(*engine_, ports_, sets_, prefs_, settings::hotCorners(), plist::Value(off));
}

void Preferences::scriptDockVisable(bool visible) {
    applyNow(*engine_, ports_, sets_, prefs_, settings::dockVisibility(), plist::Value(visible));
}

void Preferences::scriptDockPosition(std::uint64_t index) {
    applyNow(*engine_, ports_, sets_, prefs_, settings::dockLocation(),
             plist::Value(static_cast<long long>(std::min<std::uint64_t>(index, 3))));
}

void Preferences::scriptDarkMode(bool dark) {
    applyNow(*engine_, ports_, sets_, prefs_, settings::appearance(), plist::Value(dark));
}

void Preferences::scriptDoNotDistrib(bool on) {
    applyNow(*engine_, ports_, sets_, prefs_, settings::doNotDisturb(), plist::Value(on));
}

void Preferences::applaySelectedDefinitionCompletion(const Completion& completion) {
    engine_->switching.switchOn(completion);
}

void Preferences::restoreDefinitionSetsCompletion(const Completion& completion) {
    engine_->switching.switchOff(completion);
}

std::optional<std::string> Preferences::runShellScript(const std::string& command) {
    return engine_->run.shell(command);
}

std::string Preferences::runAppleScript(const std::string& source) {
    return engine_->run.appleScript(source);
}

}  // namespace lendmode
