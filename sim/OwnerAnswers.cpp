// What the simulated owner answers when the system asks them on an application's
// behalf: whether it may send Apple events to a target (and which targets they were
// asked about), and whether an application may become the default browser.
#include <algorithm>

#include "sim/SimState.h"
#include "sim/StateFields.h"

namespace sim {
namespace {

using fields::arrayAt;
using fields::arraySlot;
using fields::dictAt;
using fields::dictSlot;
using fields::stringAt;

bool listsApplication(const plist::Array* names, std::string_view target, bool wildcard) {
    if (!names) return false;
    return std::any_of(names->begin(), names->end(), [&](const plist::Value& v) {
        const std::string* name = v.asString();
        return name && ((wildcard && *name == "*") || sameApplication(*name, target));
    });
}

void eraseApplication(plist::Array& names, std::string_view target) {
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const plist::Value& v) {
                                   const std::string* name = v.asString();
                                   return !name || sameApplication(*name, target);
                               }),
                names.end());
}

constexpr const char* kAnswerKey = "browserAnswer";
constexpr const char* kPendingKey = "pendingHandlers";
constexpr const char* kRequestsKey = "handlerRequests";

}  // namespace

// ---- Automation ----

bool SimState::automationAllowed(std::string_view target) const {
    return !listsApplication(arrayAt(contents_, "automationRefused"), target, true);
}

void SimState::setAutomationAllowed(std::string_view target, bool allowed) {
    plist::Array& refused = arraySlot(contents_, "automationRefused");
    eraseApplication(refused, target);
    if (target == "*" && allowed) refused.clear();
    if (!allowed) refused.emplace_back(std::string(target));
}

std::vector<std::string> SimState::automationAsked() const {
    std::vector<std::string> out;
    if (const plist::Array* asked = arrayAt(contents_, "automationAsked")) {
        for (const plist::Value& v : *asked) {
            if (const std::string* name = v.asString()) out.push_back(*name);
        }
    }
    return out;
}

bool SimState::wasAskedAbout(std::string_view target) const {
    return listsApplication(arrayAt(contents_, "automationAsked"), target, false);
}

void SimState::recordAutomationAsked(std::string_view target) {
    if (wasAskedAbout(target)) return;
    // Recorded under the name the target has on this release.
    const std::string name = sameApplication(target, kSystemPreferences)
                                 ? settingsApplicationName(macOSVersion())
                                 : std::string(target);
    arraySlot(contents_, "automationAsked").emplace_back(name);
}

void SimState::resetAutomationAsked() {
    contents_.erase("automationAsked");
}

// ---- The default browser's confirmation ----

SimState::BrowserAnswer SimState::browserAnswer() const {
    const std::string answer = stringAt(contents_, kAnswerKey);
    if (answer == "keep") return BrowserAnswer::Keep;
    if (answer == "later") return BrowserAnswer::Later;
    return BrowserAnswer::Use;
}

void SimState::setBrowserAnswer(BrowserAnswer answer) {
    contents_[kAnswerKey] = answer == BrowserAnswer::Use    ? "use"
                            : answer == BrowserAnswer::Keep ? "keep"
                                                            : "later";
    if (answer == BrowserAnswer::Later) return;
    // The dialogs still up are answered the same way.
    if (answer == BrowserAnswer::Use) {
        for (const auto& [scheme, bundleIdentifier] : pendingHandlers())
            setDefaultHandler(scheme, bundleIdentifier);
    }
    contents_.erase(kPendingKey);
}

std::vector<std::pair<std::string, std::string>> SimState::pendingHandlers() const {
    std::vector<std::pair<std::string, std::string>> out;
    if (const plist::Dictionary* pending = dictAt(contents_, kPendingKey)) {
        for (const auto& [scheme, id] : *pending) {
            if (const std::string* text = id.asString()) out.emplace_back(scheme, *text);
        }
    }
    return out;
}

int SimState::handlerRequests() const {
    auto it = contents_.find(kRequestsKey);
    return it == contents_.end() ? 0 : static_cast<int>(it->second.integerValue());
}

SimState::BrowserAnswer SimState::requestDefaultHandler(std::string_view scheme,
                                                        std::string_view bundleIdentifier) {
    contents_[kRequestsKey] = static_cast<long long>(handlerRequests()) + 1;
    const BrowserAnswer answer = browserAnswer();
    if (answer == BrowserAnswer::Use) setDefaultHandler(scheme, bundleIdentifier);
    if (answer == BrowserAnswer::Later)
        dictSlot(contents_, kPendingKey)[std::string(scheme)] = std::string(bundleIdentifier);
    return answer;
}

}  // namespace sim
