#include "sim/Seed.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "base/plist/PlistFile.h"
#include "sim/SimMac.h"

namespace sim {
namespace {

struct SeedApp {
    const char* path;
    const char* bundleIdentifier;
    bool agent = false;
};

// Listed in no particular order, as the metadata index answers.
constexpr SeedApp kApplications[] = {
    {"/Applications/Slack.app", "com.tinyspeck.slackmacgap"},
    {"/System/Applications/Mail.app", "com.apple.mail"},
    {"/Applications/Google Chrome.app", "com.google.Chrome"},
    {"/System/Applications/Utilities/Terminal.app", "com.apple.Terminal"},
    {"/Applications/Safari.app", "com.apple.Safari"},
    {"/System/Applications/Chess.app", "com.apple.Chess"},
    {"/Applications/zoom.us.app", "us.zoom.xos"},
    {"/System/Applications/Messages.app", "com.apple.MobileSMS"},
    {"/Applications/Firefox.app", "org.mozilla.firefox"},
    {"/System/Applications/Calendar.app", "com.apple.iCal"},
    {"/Applications/Spotify.app", "com.spotify.client"},
    {"/System/Applications/Notes.app", "com.apple.Notes"},
    {"/Applications/Utilities/Docker.app", "com.docker.docker"},
    {"/System/Applications/Photos.app", "com.apple.Photos"},
    {"/Applications/Microsoft Word.app", "com.microsoft.Word"},
    {"/System/Applications/Utilities/Activity Monitor.app", "com.apple.ActivityMonitor"},
    {"/Applications/Xcode.app", "com.apple.dt.Xcode"},
    {"/Applications/Xcode.app/Contents/Applications/Instruments.app", "com.apple.dt.Instruments"},
    {"/System/Applications/Calculator.app", "com.apple.calculator"},
    {"/Applications/1Password 7.app", "com.agilebits.onepassword7"},
    {"/System/Applications/System Preferences.app", "com.apple.systempreferences"},
    {"/System/Applications/App Store.app", "com.apple.AppStore"},
    {"/Applications/Visual Studio Code.app", "com.microsoft.VSCode"},
    {"/System/Applications/Music.app", "com.apple.Music"},
    {"/System/Applications/Utilities/Disk Utility.app", "com.apple.DiskUtility"},
    {"/System/Library/CoreServices/Finder.app", "com.apple.finder"},
    {"/System/Library/CoreServices/Ticket Viewer.app", "com.apple.TicketViewer"},
    {"/Users/owner/Applications/Tiny Timer.app", "com.example.tinytimer"},
    {"/Applications/Bartender 4.app", "com.surteesstudios.Bartender", true},
};

std::string randomUUID() {
    std::random_device rd;
    std::mt19937_64 gen(rd());
    const unsigned long long a = gen(), b = gen();
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08llX-%04llX-%04llX-%04llX-%012llX", a >> 32, (a >> 16) & 0xffff,
                  a & 0xffff, b >> 48, b & 0xffffffffffffULL);
    return buf;
}

std::string loginName() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name) return pw->pw_name;
    return "owner";
}

}  // namespace

bool seed(const SimMac& mac) {
    const std::string prefs = mac.preferencesDirectory();
    if (!makeDirectories(prefs + "/ByHost") || !makeDirectories(mac.root() + "/system")) return false;
    // Listeners make the run folder themselves when it is missing.
    makeDirectories(mac.runDirectory());

    plist::Array catalogue;
    for (const SeedApp& app : kApplications) {
        plist::Dictionary d{{"path", app.path}, {"bundleIdentifier", app.bundleIdentifier}};
        if (app.agent) d["agent"] = true;
        catalogue.emplace_back(std::move(d));
    }
    if (!plist::writeFile(mac.root() + "/system/applications.plist", plist::Value(std::move(catalogue))))
        return false;

    const plist::Array browsers{"com.apple.Safari", "com.google.Chrome", "org.mozilla.firefox"};
    const plist::Dictionary scheme{{"all", browsers}, {"default", "com.google.Chrome"}};
    long pid = 300;
    auto proc = [&pid](const char* name, const char* path) {
        return plist::Value(
            plist::Dictionary{{"name", name}, {"pid", static_cast<long long>(pid++)}, {"path", path}});
    };
    plist::Dictionary state{
        {"hardwareUUID", randomUUID()},
        {"macOSVersion", kTodaysMacOS.text()},
        {"userName", loginName()},
        {"handlers", plist::Dictionary{{"http", scheme}, {"https", scheme}}},
        {"processes", plist::Array{proc(kFinder, "/System/Library/CoreServices/Finder.app"), proc(kDock, ""),
                                   proc(kNotificationCenter, ""), proc(kSystemUIServer, ""),
                                   proc("Slack", "/Applications/Slack.app"),
                                   proc("Spotify", "/Applications/Spotify.app")}},
        {"restarts",
         plist::Dictionary{{kDock, 0}, {kNotificationCenter, 0}, {kSystemUIServer, 0}, {kFinder, 0}}},
        {"automationRefused", plist::Array{}},
        {"outputMuted", false},
        {"outputVolume", 50},
        {"screenLocked", false},
        {"passwordAfterSleep", true},        // require a password immediately after sleep
        {"naturalScrollingInEffect", true},  // as the owner's stored key says
        {"latency", "none"},                 // every step at once, for quick tests
    };
    state["nextPid"] = static_cast<long long>(pid);

    // The owner's settings: some hot corners (one with a modifier), dark appearance,
    // a Dock on the left that hides, natural scrolling on, Do Not Disturb off.
    plist::Dictionary dock{
        {"autohide", true},
        {"autohide-time-modifier", 0.5},
        {"orientation", "left"},
        {"tilesize", 48},
        {"mru-spaces", false},
        {"persistent-apps",
         plist::Array{plist::Dictionary{{"tile-type", "file-tile"},
                                        {"tile-data", plist::Dictionary{{"file-label", "Safari"}}}}}},
        {"wvous-tl-corner", 2},
        {"wvous-tl-modifier", 524288},
        {"wvous-br-corner", 4},
        {"wvous-br-modifier", 0},
    };
    if (!plist::writeFile(prefs + "/com.apple.dock.plist", plist::Value(std::move(dock)))) return false;

    plist::Dictionary global{
        {"AppleInterfaceStyle", "Dark"},
        {"com.apple.swipescrolldirection", true},
        {"AppleLanguages", plist::Array{"en-GB", "fr-FR"}},
        {"AppleLocale", "en_GB"},
        {"NSNavPanelExpandedStateForSaveMode", true},
    };
    if (!plist::writeFile(prefs + "/.GlobalPreferences.plist", plist::Value(std::move(global)))) return false;

    if (!plist::writeFile(prefs + "/ByHost/com.apple.notificationcenterui.plist",
                          plist::Value(plist::Dictionary{{"doNotDisturb", false}})))
        return false;

    // Written last: its presence marks the simulated Mac as seeded.
    return plist::writeFile(mac.root() + "/system/state.plist", plist::Value(std::move(state)));
}

}  // namespace sim
