#include "sim/Status.h"

#include <algorithm>

#include "base/Strings.h"
#include "sim/SimMac.h"

namespace sim {
namespace {

const plist::Value* lookup(const std::optional<plist::Dictionary>& domain, std::string_view key) {
    if (!domain) return nullptr;
    auto it = domain->find(key);
    return it == domain->end() ? nullptr : &it->second;
}

std::string onOff(bool on) {
    return on ? "on" : "off";
}

}  // namespace

std::string hotCornerActionName(long long action) {
    switch (action) {
        case 0:
        case 1: return "none";
        case 2: return "Mission Control";
        case 3: return "Application Windows";
        case 4: return "Desktop";
        case 5: return "Start Screen Saver";
        case 6: return "Disable Screen Saver";
        case 7: return "Dashboard";
        case 10: return "Put Display to Sleep";
        case 11: return "Launchpad";
        case 12: return "Notification Center";
        case 13: return "Lock Screen";
        case 14: return "Quick Note";
        default: return "action " + std::to_string(action);
    }
}

std::string hotCornerModifierName(long long modifier) {
    std::vector<std::string> keys;
    if (modifier & 131072) keys.emplace_back("Shift");
    if (modifier & 262144) keys.emplace_back("Control");
    if (modifier & 524288) keys.emplace_back("Option");
    if (modifier & 1048576) keys.emplace_back("Command");
    return lendmode::joined(keys, "+");
}

std::vector<std::pair<std::string, std::string>> statusRows(const SimMac& mac) {
    std::vector<std::pair<std::string, std::string>> rows;
    rows.emplace_back("macOS", mac.macOSVersion().text());
    const auto dock = mac.readDomain("com.apple.dock");
    const auto global = mac.readDomain("NSGlobalDomain");
    const MacOSVersion version = mac.macOSVersion();

    const std::optional<bool> dnd = mac.doNotDisturbInEffect();
    rows.emplace_back("Do Not Disturb", dnd ? onOff(*dnd) : "n/a (the key has no effect from macOS 11)");
    if (version.major >= 12) rows.emplace_back("Focus", onOff(mac.focusOn()));

    static constexpr std::pair<const char*, const char*> kCorners[] = {
        {"tl", "top left"}, {"tr", "top right"}, {"bl", "bottom left"}, {"br", "bottom right"}};
    for (const auto& [code, label] : kCorners) {
        const plist::Value* action = lookup(dock, std::string("wvous-") + code + "-corner");
        const plist::Value* modifier = lookup(dock, std::string("wvous-") + code + "-modifier");
        std::string text = action ? hotCornerActionName(action->integerValue()) : "none";
        if (action && modifier && modifier->integerValue() != 0) {
            text += " (" + hotCornerModifierName(modifier->integerValue()) + ")";
        }
        rows.emplace_back(std::string("Hot corner, ") + label, text);
    }

    const auto http = mac.defaultHandler("http");
    const auto https = mac.defaultHandler("https");
    std::string browser = http ? *http : "none";
    if (https != http) browser += " (https: " + (https ? *https : std::string("none")) + ")";
    rows.emplace_back("Default browser", browser);
    const SimState::BrowserAnswer answer = mac.browserAnswer();
    rows.emplace_back("Browser answer", answer == SimState::BrowserAnswer::Use ? "use"
                                        : answer == SimState::BrowserAnswer::Keep
                                            ? "keep"
                                            : "later (the dialog stays up)");
    std::vector<std::string> pending;
    for (const auto& [scheme, id] : mac.pendingHandlers())
        pending.push_back(std::string(scheme).append(": ").append(id));
    rows.emplace_back("Browser pending", pending.empty() ? "none" : lendmode::joined(pending, ", "));
    rows.emplace_back("Browser confirmations", std::to_string(mac.handlerRequests()) + " asked");

    // macOS scrolls naturally unless the key says otherwise.
    // The direction in effect, and the stored key beside it when a login would change it.
    const plist::Value* scroll = lookup(global, "com.apple.swipescrolldirection");
    const bool stored = !scroll || scroll->truthValue();
    const bool inEffect = mac.naturalScrollingInEffect();
    rows.emplace_back(
        "Natural scrolling",
        onOff(inEffect) + (stored == inEffect ? "" : " (stored: " + onOff(stored) + ", at the next login)"));

    const plist::Value* autohide = lookup(dock, "autohide");
    rows.emplace_back("Dock", autohide && autohide->truthValue() ? "hides automatically" : "always visible");
    const plist::Value* orientation = lookup(dock, "orientation");
    rows.emplace_back("Dock position", orientation && orientation->isString() ? *orientation->asString()
                                                                              : std::string("bottom"));

    const plist::Value* style = lookup(global, "AppleInterfaceStyle");
    const plist::Value* automatic = lookup(global, "AppleInterfaceStyleSwitchesAutomatically");
    std::string appearance = "Light";
    if (style && style->isString() && *style->asString() == "Dark") {
        appearance = "Dark";
    } else if (automatic && automatic->truthValue()) {
        appearance = "Auto";
    }
    rows.emplace_back("Appearance", appearance);

    const SimState state(mac.state());
    rows.emplace_back("Sound", state.outputMuted() ? std::string("muted")
                                                   : "on, volume " + std::to_string(state.outputVolume()));
    // Finder reads CreateDesktop only as it starts: a key written since waits for a restart.
    const bool icons = mac.desktopIconsShown();
    const bool storedIcons = mac.createDesktopStored();
    std::string desktop = icons ? "shown" : "hidden";
    if (!state.isRunning(kFinder)) {
        desktop += " (Finder is not running)";
    } else if (storedIcons != icons) {
        desktop += std::string(" (stored: ") + (storedIcons ? "shown" : "hidden") + ", when Finder restarts)";
    }
    rows.emplace_back("Desktop icons", desktop);
    std::vector<std::string> assertions;
    for (const Process& p : mac.powerAssertions()) assertions.push_back("caffeinate " + p.assertions);
    rows.emplace_back("Keep awake", assertions.empty() ? "no assertion" : lendmode::joined(assertions, ", "));
    rows.emplace_back("Screen", state.screenLocked() ? "locked" : "unlocked");

    std::vector<std::string> running;
    for (const Process& p : mac.processes()) {
        if (!alive(p)) continue;
        running.push_back(p.name);
        if (p.askingToSave) {
            running.back() += " (unsaved, asking whether to save)";
        } else if (p.unsavedDocument) {
            running.back() += " (unsaved)";
        }
    }
    rows.emplace_back("Running", lendmode::joined(running, ", "));

    rows.emplace_back("Restarts", std::string(kDock) + " " + std::to_string(mac.restarts(kDock)) + ", " +
                                      kNotificationCenter + " " +
                                      std::to_string(mac.restarts(kNotificationCenter)) + ", " +
                                      kSystemUIServer + " " + std::to_string(mac.restarts(kSystemUIServer)) +
                                      ", " + kFinder + " " + std::to_string(mac.restarts(kFinder)));
    const auto pane = mac.systemPreferencesPane();
    rows.emplace_back(settingsApplicationName(version), !pane           ? std::string("not running")
                                                        : pane->empty() ? std::string("running, no window")
                                                                        : "open at " + *pane);

    std::vector<std::string> refused;
    if (auto it = state.contents().find("automationRefused");
        it != state.contents().end() && it->second.isArray()) {
        for (const plist::Value& v : *it->second.asArray()) {
            if (v.isString()) refused.push_back(*v.asString() == "*" ? "every application" : *v.asString());
        }
    }
    rows.emplace_back("Automation",
                      refused.empty() ? "allowed" : "refused for " + lendmode::joined(refused, ", "));
    const std::vector<std::string> asked = mac.automationAsked();
    rows.emplace_back("Automation asked", asked.empty() ? "nobody yet" : lendmode::joined(asked, ", "));
    rows.emplace_back("Accessibility", mac.accessibilityAllowed() ? "allowed" : "refused");
    rows.emplace_back("Latency", std::string(latencyName(mac.latency())));
    return rows;
}

std::string statusTable(const SimMac& mac) {
    const auto rows = statusRows(mac);
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    std::string out;
    for (const auto& [name, value] : rows) {
        out += name;
        out.append(width + 2 - name.size(), ' ');
        out += value;
        out += '\n';
    }
    return out;
}

}  // namespace sim
