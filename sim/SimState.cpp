#include "sim/SimState.h"

#include <signal.h>
#include <algorithm>

#include <cerrno>
#include <functional>

#include "base/plist/PlistFile.h"
#include "sim/LaunchAnnouncer.h"
#include "sim/SimMac.h"
#include "sim/StateFields.h"

namespace sim {
namespace {

using fields::arraySlot;
using fields::dictAt;
using fields::dictSlot;
using fields::stringAt;

Process processFrom(const plist::Value& v) {
    Process p;
    if (const auto* d = v.asDictionary()) {
        p.name = stringAt(*d, "name");
        p.path = stringAt(*d, "path");
        if (const auto* pid = v.find("pid")) p.pid = static_cast<long>(pid->integerValue());
        if (const auto* unsaved = v.find("unsavedDocument")) p.unsavedDocument = unsaved->truthValue();
        if (const auto* asking = v.find("askingToSave")) p.askingToSave = asking->truthValue();
        if (const auto* host = v.find("host")) p.host = host->truthValue();
        p.assertions = stringAt(*d, "assertions");
    }
    return p;
}

plist::Value processValue(const Process& p) {
    plist::Dictionary d{{"name", p.name}, {"pid", static_cast<long long>(p.pid)}, {"path", p.path}};
    if (p.unsavedDocument) d["unsavedDocument"] = true;
    if (p.askingToSave) d["askingToSave"] = true;
    if (p.host) d["host"] = true;
    if (!p.assertions.empty()) d["assertions"] = p.assertions;
    return d;
}

// Applies f to the stored process that `which` selects first; false when none does.
bool changeProcess(plist::Dictionary& contents, const std::function<bool(const Process&)>& which,
                   const std::function<void(Process&)>& f) {
    for (plist::Value& v : arraySlot(contents, "processes")) {
        Process p = processFrom(v);
        if (!which(p)) continue;
        f(p);
        v = processValue(p);
        return true;
    }
    return false;
}

long nextPid(plist::Dictionary& state) {
    plist::Value& v = state["nextPid"];
    long pid = v.isInteger() ? static_cast<long>(v.integer()) : 400;
    v = static_cast<long long>(pid + 1);
    return pid;
}

}  // namespace

std::string settingsApplicationName(const MacOSVersion& version) {
    return version.major >= 13 ? kSystemSettings : kSystemPreferences;
}

std::string settingsApplicationPath(const MacOSVersion& version) {
    return "/System/Applications/" + settingsApplicationName(version) + ".app";
}

bool restartsByItself(std::string_view name) {
    return name == kDock || name == kNotificationCenter || name == kSystemUIServer;
}

bool restartsAfterKill(std::string_view name) {
    return restartsByItself(name) || name == kFinder;
}

bool alive(const Process& p) {
    return !p.host || ::kill(static_cast<pid_t>(p.pid), 0) == 0 || errno == EPERM;
}

bool sameApplication(std::string_view a, std::string_view b) {
    const auto settings = [](std::string_view name) {
        return name == kSystemPreferences || name == kSystemSettings;
    };
    return a == b || (settings(a) && settings(b));
}

// ---- Processes ----

std::vector<Process> SimState::processes() const {
    std::vector<Process> result;
    auto it = contents_.find("processes");
    if (it == contents_.end() || !it->second.isArray()) return result;
    for (const plist::Value& v : *it->second.asArray()) result.push_back(processFrom(v));
    return result;
}

bool SimState::isRunning(std::string_view name) const {
    const auto all = processes();
    return std::any_of(all.begin(), all.end(), [&](const Process& p) { return p.name == name; });
}

std::optional<Process> SimState::process(long pid) const {
    for (Process& p : processes()) {
        if (p.pid == pid) return std::move(p);
    }
    return std::nullopt;
}

std::string SimState::processName(std::string_view application) const {
    if (application == kSystemPreferences) return settingsApplicationName(macOSVersion());
    return std::string(application);
}

std::optional<App> SimState::builtInApplication(std::string_view name) const {
    const MacOSVersion version = macOSVersion();
    // A background-only application: like an agent, its start is not announced.
    if (name == kSystemEvents)
        return App{"/System/Library/CoreServices/System Events.app", kSystemEvents, "com.apple.systemevents",
                   true};
    if (name == kSystemPreferences || name == settingsApplicationName(version))
        return App{settingsApplicationPath(version), settingsApplicationName(version),
                   "com.apple.systempreferences"};
    return std::nullopt;
}

SimState::Launch SimState::launch(const App& app) {
    plist::Array& procs = arraySlot(contents_, "processes");
    for (const plist::Value& v : procs) {
        Process p = processFrom(v);
        if (p.name == app.name) return {p.pid, false};
    }
    const long pid = nextPid(contents_);
    procs.push_back(processValue(Process{app.name, pid, app.path}));
    return {pid, true};
}

int SimState::endProcesses(const std::function<bool(const Process&)>& which, bool killed) {
    int ended = 0;
    bool systemPreferencesEnded = false;
    plist::Array& procs = arraySlot(contents_, "processes");
    plist::Array kept;
    for (plist::Value& v : procs) {
        Process p = processFrom(v);
        if (!which(p)) {
            kept.push_back(std::move(v));
            continue;
        }
        ++ended;
        if (sameApplication(p.name, kSystemPreferences)) systemPreferencesEnded = true;
        if (killed ? restartsAfterKill(p.name) : restartsByItself(p.name)) {
            // A new process: what the old one had open is gone with it.
            p.pid = nextPid(contents_);
            p.unsavedDocument = p.askingToSave = false;
            kept.push_back(processValue(p));
            plist::Value& n = dictSlot(contents_, "restarts")[p.name];
            n = static_cast<long long>(n.integerValue() + 1);
        }
    }
    procs = std::move(kept);
    if (systemPreferencesEnded) contents_.erase("systemPreferencesPane");
    return ended;
}

void SimState::addHostProcess(Process p) {
    removeProcess(p.pid);
    p.host = true;
    arraySlot(contents_, "processes").push_back(processValue(p));
}

void SimState::removeProcess(long pid) {
    plist::Array& procs = arraySlot(contents_, "processes");
    std::erase_if(procs, [pid](const plist::Value& v) { return processFrom(v).pid == pid; });
}

// ---- Unsaved documents ----

bool SimState::addUnsavedDocument(std::string_view name) {
    return changeProcess(
        contents_, [name](const Process& p) { return p.name == name; },
        [](Process& p) { p.unsavedDocument = true; });
}

bool SimState::askToSave(long pid) {
    return changeProcess(
        contents_, [pid](const Process& p) { return p.pid == pid; },
        [](Process& p) { p.askingToSave = true; });
}

bool SimState::answerSaveQuestion(std::string_view name, SaveAnswer answer) {
    const auto asking = [name](const Process& p) { return p.name == name && p.askingToSave; };
    if (answer != SaveAnswer::Cancel) return endProcesses(asking) > 0;
    return changeProcess(contents_, asking, [](Process& p) { p.askingToSave = false; });
}

int SimState::restarts(std::string_view name) const {
    const auto* counts = dictAt(contents_, "restarts");
    if (!counts) return 0;
    auto it = counts->find(name);
    return it == counts->end() ? 0 : static_cast<int>(it->second.integerValue());
}

// ---- URL-scheme handlers ----

std::vector<std::string> SimState::handlers(std::string_view scheme) const {
    std::vector<std::string> result;
    const auto* all = dictAt(contents_, "handlers");
    if (!all) return result;
    const auto* entry = dictAt(*all, scheme);
    if (!entry) return result;
    auto it = entry->find("all");
    if (it == entry->end() || !it->second.isArray()) return result;
    for (const plist::Value& v : *it->second.asArray()) {
        if (v.isString()) result.push_back(*v.asString());
    }
    return result;
}

std::optional<std::string> SimState::defaultHandler(std::string_view scheme) const {
    const auto* all = dictAt(contents_, "handlers");
    if (!all) return std::nullopt;
    const auto* entry = dictAt(*all, scheme);
    if (!entry) return std::nullopt;
    auto it = entry->find("default");
    if (it == entry->end() || !it->second.isString()) return std::nullopt;
    return *it->second.asString();
}

void SimState::setDefaultHandler(std::string_view scheme, std::string_view bundleIdentifier) {
    dictSlot(dictSlot(contents_, "handlers"), std::string(scheme))["default"] = std::string(bundleIdentifier);
}

void SimState::registerHandler(std::string_view scheme, std::string_view bundleIdentifier) {
    plist::Array& all = arraySlot(dictSlot(dictSlot(contents_, "handlers"), std::string(scheme)), "all");
    const plist::Value id{std::string(bundleIdentifier)};
    if (std::find(all.begin(), all.end(), id) == all.end()) all.push_back(id);
}

// ---- System Preferences ----

std::optional<std::string> SimState::systemPreferencesPane() const {
    if (!isRunning(processName(kSystemPreferences))) return std::nullopt;
    return stringAt(contents_, "systemPreferencesPane");
}

void SimState::setSystemPreferencesPane(std::optional<std::string> pane) {
    const MacOSVersion version = macOSVersion();
    const std::string name = settingsApplicationName(version);
    plist::Array& procs = arraySlot(contents_, "processes");
    auto running = std::find_if(procs.begin(), procs.end(),
                                [&name](const plist::Value& v) { return processFrom(v).name == name; });
    if (!pane) {
        if (running != procs.end()) procs.erase(running);
        contents_.erase("systemPreferencesPane");
        return;
    }
    if (running == procs.end())
        procs.push_back(processValue(Process{name, nextPid(contents_), settingsApplicationPath(version)}));
    contents_["systemPreferencesPane"] = std::move(*pane);
}

bool SimState::focusOn() const {
    auto it = contents_.find("focusOn");
    return it != contents_.end() && it->second.truthValue();
}

void SimState::setFocusOn(bool on) {
    contents_["focusOn"] = on;
}

std::vector<std::pair<std::string, SimState::ShortcutAction>> SimState::shortcuts() const {
    std::vector<std::pair<std::string, ShortcutAction>> out;
    auto it = contents_.find("shortcuts");
    const plist::Dictionary* installed = it == contents_.end() ? nullptr : it->second.asDictionary();
    if (!installed) return out;
    for (const auto& [name, action] : *installed) {
        const std::string* text = action.asString();
        if (text && *text == "focus-on") out.emplace_back(name, ShortcutAction::FocusOn);
        if (text && *text == "focus-off") out.emplace_back(name, ShortcutAction::FocusOff);
    }
    return out;
}

void SimState::addShortcut(std::string_view name, ShortcutAction action) {
    dictSlot(contents_, "shortcuts")[std::string(name)] =
        action == ShortcutAction::FocusOn ? "focus-on" : "focus-off";
}

std::optional<bool> SimState::naturalScrollingInEffect() const {
    auto it = contents_.find("naturalScrollingInEffect");
    if (it == contents_.end()) return std::nullopt;
    return it->second.truthValue();
}

void SimState::setNaturalScrollingInEffect(bool natural) {
    contents_["naturalScrollingInEffect"] = natural;
}

bool SimState::accessibilityAllowed() const {
    auto it = contents_.find("accessibilityRefused");
    return it == contents_.end() || !it->second.truthValue();
}

void SimState::setAccessibilityAllowed(bool allowed) {
    if (allowed) {
        contents_.erase("accessibilityRefused");
    } else {
        contents_["accessibilityRefused"] = true;
    }
}

bool SimState::outputMuted() const {
    auto it = contents_.find("outputMuted");
    return it != contents_.end() && it->second.truthValue();
}

void SimState::setOutputMuted(bool muted) {
    contents_["outputMuted"] = muted;
}

int SimState::outputVolume() const {
    auto it = contents_.find("outputVolume");
    if (it == contents_.end() || !it->second.isInteger()) return 50;
    return static_cast<int>(std::clamp<long long>(it->second.integer(), 0, 100));
}

std::optional<bool> SimState::finderCreateDesktop() const {
    auto it = contents_.find("finderCreateDesktop");
    if (it == contents_.end()) return std::nullopt;
    return it->second.truthValue();
}

void SimState::setFinderCreateDesktop(bool create) {
    contents_["finderCreateDesktop"] = create;
}

bool SimState::screenLocked() const {
    auto it = contents_.find("screenLocked");
    return it != contents_.end() && it->second.truthValue();
}

void SimState::setScreenLocked(bool locked) {
    contents_["screenLocked"] = locked;
}

bool SimState::passwordAfterSleep() const {
    auto it = contents_.find("passwordAfterSleep");
    return it == contents_.end() || it->second.truthValue();
}

void SimState::setPasswordAfterSleep(bool on) {
    contents_["passwordAfterSleep"] = on;
}

std::string SimState::hardwareUUID() const {
    return stringAt(contents_, "hardwareUUID");
}

std::string SimState::userName() const {
    return stringAt(contents_, "userName");
}

Latency SimState::latency() const {
    return stringAt(contents_, "latency") == latencyName(Latency::Realistic) ? Latency::Realistic
                                                                             : Latency::None;
}

void SimState::setLatency(Latency latency) {
    contents_["latency"] = std::string(latencyName(latency));
}

MacOSVersion SimState::macOSVersion() const {
    return MacOSVersion::parse(stringAt(contents_, "macOSVersion")).value_or(kOldestMacOS);
}

void SimState::setMacOSVersion(const MacOSVersion& version) {
    contents_["macOSVersion"] = version.text();
    for (plist::Value& v : arraySlot(contents_, "processes")) {
        Process p = processFrom(v);
        if (!sameApplication(p.name, kSystemPreferences)) continue;
        p.name = settingsApplicationName(version);
        p.path = settingsApplicationPath(version);
        v = processValue(p);
    }
}

plist::Dictionary launchAnnouncement(const App& app, long pid) {
    return plist::Dictionary{{"NSApplicationPath", app.path},
                             {"NSApplicationName", app.name},
                             {"NSApplicationBundleIdentifier", app.bundleIdentifier},
                             {"NSApplicationProcessIdentifier", static_cast<long long>(pid)}};
}

// ---- One stretch of work ----

StateSession::~StateSession() {
    close();
}

void StateSession::close() {
    state_.reset();
    changed_ = false;
    announcements_.clear();
    if (lock_ >= 0) SimMac::unlockFile(lock_);
    lock_ = -1;
}

const SimState& StateSession::state() {
    if (!open()) {
        lock_ = mac_.lockFile();
        lockError_ = lock_ < 0 ? errno : 0;
        state_.emplace(mac_.state());
    }
    return *state_;
}

bool StateSession::change(const std::function<void(SimState&)>& f) {
    state();
    if (lock_ < 0) {
        errno = lockError_;
        return false;
    }
    f(*state_);
    changed_ = true;
    return true;
}

std::optional<long> StateSession::launch(const App& app) {
    SimState::Launch launched;
    if (!change([&](SimState& s) { launched = s.launch(app); })) return std::nullopt;
    if (launched.started && !app.agent) announcements_.push_back(launchAnnouncement(app, launched.pid));
    // Finder reads whether to draw desktop icons as it starts.
    if (launched.started && app.name == kFinder) state_->setFinderCreateDesktop(mac_.createDesktopStored());
    return launched.pid;
}

bool StateSession::updateDomain(std::string_view domain, bool currentHost,
                                const std::function<bool(plist::Dictionary&)>& change) {
    if (lock_ < 0) return mac_.updateDomain(domain, currentHost, change);
    return mac_.changeDomainFile(mac_.domainFile(domain, currentHost), change);
}

bool StateSession::commit() {
    bool ok = true;
    if (changed_) {
        ok = makeDirectories(mac_.root() + "/system") &&
             plist::writeFile(mac_.statePath(), plist::Value(state_->release()), plist::Format::Binary,
                              plist::Durability::AtomicOnly);
    }
    const int error = errno;
    std::vector<plist::Dictionary> announcements = std::move(announcements_);
    close();
    if (!ok) {
        errno = error;
        return false;
    }
    for (const plist::Dictionary& info : announcements) announceLaunch(mac_.runDirectory(), info);
    return true;
}

}  // namespace sim
