// What an application asks of the simulated system on its own behalf: whether it may
// send Apple events to a target, a start of a scripted application in the background,
// a new default handler for a URL scheme, a direct change of the scroll direction.
#include "sim/SimMac.h"

namespace sim {
namespace {

constexpr const char* kScrollKey = "com.apple.swipescrolldirection";

}  // namespace

SimMac::AutomationAnswer SimMac::askAutomation(std::string_view target, bool askIfNeeded) const {
    StateSession session(*this);
    const SimState& state = session.state();
    // The system answers only about a running process (procNotFound otherwise).
    if (!state.isRunning(state.processName(target))) return AutomationAnswer::NotRunning;
    const AutomationAnswer answer =
        state.automationAllowed(target) ? AutomationAnswer::Allowed : AutomationAnswer::Refused;
    if (state.wasAskedAbout(target)) return answer;
    if (!askIfNeeded) return AutomationAnswer::WouldAsk;
    // The owner answered; when that cannot be recorded they are asked again next time.
    [[maybe_unused]] const bool recorded =
        session.change([&](SimState& s) { s.recordAutomationAsked(target); }) && session.commit();
    return answer;
}

std::vector<std::string> SimMac::automationAsked() const {
    return readState().automationAsked();
}

bool SimMac::resetAutomationAsked() const {
    return updateState([](SimState& s) { s.resetAutomationAsked(); });
}

std::optional<long> SimMac::startHidden(std::string_view applicationName) const {
    const SimState before = readState();
    std::optional<App> app = before.builtInApplication(applicationName);
    if (!app) app = findApp(applicationName);
    if (!app) return std::nullopt;
    // The start's time passes before the process shows, and without the lock.
    if (!before.isRunning(app->name)) spend(before.latency(), latency::kApplicationLaunch);
    StateSession session(*this);
    // Started without activating: the settings application shows no window.
    const std::optional<long> pid = session.launch(*app);
    if (!pid || !session.commit()) return std::nullopt;
    return pid;
}

SimMac::HandlerRequest SimMac::requestDefaultHandler(std::string_view scheme,
                                                     std::string_view bundleIdentifier) const {
    SimState::BrowserAnswer answer = SimState::BrowserAnswer::Use;
    if (!updateState([&](SimState& s) { answer = s.requestDefaultHandler(scheme, bundleIdentifier); }))
        return HandlerRequest::NotUpdated;
    switch (answer) {
        case SimState::BrowserAnswer::Use: return HandlerRequest::Changed;
        case SimState::BrowserAnswer::Keep: return HandlerRequest::Kept;
        case SimState::BrowserAnswer::Later: break;
    }
    return HandlerRequest::Pending;
}

int SimMac::handlerRequests() const {
    return readState().handlerRequests();
}

SimState::BrowserAnswer SimMac::browserAnswer() const {
    return readState().browserAnswer();
}

std::vector<std::pair<std::string, std::string>> SimMac::pendingHandlers() const {
    return readState().pendingHandlers();
}

bool SimMac::setBrowserAnswer(SimState::BrowserAnswer answer) const {
    return updateState([answer](SimState& s) { s.setBrowserAnswer(answer); });
}

bool SimMac::setNaturalScrolling(bool natural) const {
    StateSession session(*this);
    if (!session.change([natural](SimState& s) { s.setNaturalScrollingInEffect(natural); })) return false;
    std::optional<plist::Value> before;
    const bool stored = session.updateDomain("NSGlobalDomain", false, [&](plist::Dictionary& d) {
        if (auto it = d.find(kScrollKey); it != d.end()) before = it->second;
        d[kScrollKey] = natural;
        return true;
    });
    if (!stored) return false;  // the session ends unwritten: nothing changed
    if (session.commit()) return true;
    // The direction in effect could not be written: the key goes back to what it was.
    [[maybe_unused]] const bool restored = updateDomain("NSGlobalDomain", false, [&](plist::Dictionary& d) {
        if (before) {
            d[kScrollKey] = *before;
        } else {
            d.erase(kScrollKey);
        }
        return true;
    });
    return false;
}

std::optional<bool> SimMac::doNotDisturbInEffect() const {
    // From Big Sur on Do Not Disturb is kept elsewhere (com.apple.ncprefs) and the old
    // key is ignored.
    if (macOSVersion().major >= 11) return std::nullopt;
    const auto dnd = readDomain(preferencesDirectory() + "/ByHost/com.apple.notificationcenterui");
    if (!dnd) return false;
    const auto it = dnd->find("doNotDisturb");
    return it != dnd->end() && it->second.truthValue();
}

}  // namespace sim
