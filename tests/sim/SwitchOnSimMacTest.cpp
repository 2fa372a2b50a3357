// Switching Lendmode on and off against a simulated Mac: the guest settings arrive,
// the owner's come back, and the disabled applications are quit and reopened.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <thread>

#include "base/Quoting.h"
#include "model/BuildInfo.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "tests/support/Applications.h"
#include "tests/support/Fakes.h"
#include "tests/support/OwnerSettings.h"
#include "tests/support/Sweeps.h"
#include "tests/support/TestSupport.h"

using lendmode::Preferences;
using plist::Array;
using plist::Dictionary;
using plist::Value;
using testing_support::TempMac;

namespace {

// An owner's settings, as the simulated Mac stores them. Absent optionals are keys
// that do not exist.
struct Owner {
    bool doNotDisturb = false;
    std::map<std::string, std::optional<int>> corners;
    std::string browser = "com.google.Chrome";
    bool natural = true;
    std::optional<bool> autohide;
    std::optional<std::string> orientation;
    int appearance = 0;  // 0 light, 1 dark, 2 automatic
};

Owner randomOwner(std::mt19937& gen) {
    auto pick = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    Owner o;
    o.doNotDisturb = pick(2);
    const int actions[] = {0, 1, 2, 3, 4, 5, 6, 10, 11, 12, 13, 14};
    const int modifiers[] = {0, 131072, 262144, 524288, 1048576};
    for (const char* corner : {"bl", "br", "tl", "tr"}) {
        const std::string key = std::string("wvous-") + corner;
        if (pick(3) == 0) continue;  // this corner's keys are absent
        o.corners[key + "-corner"] = actions[pick(12)];
        if (pick(2)) o.corners[key + "-modifier"] = modifiers[pick(5)];
    }
    const char* browsers[] = {"com.apple.Safari", "com.google.Chrome", "org.mozilla.firefox"};
    o.browser = browsers[pick(3)];
    o.natural = pick(2);
    if (const int a = pick(3); a < 2) o.autohide = a == 1;
    const char* edges[] = {"bottom", "left", "right"};
    if (const int e = pick(4); e < 3) o.orientation = edges[e];
    o.appearance = pick(3);
    return o;
}

void install(const sim::SimMac& mac, const Owner& o) {
    mac.updateDomain(mac.preferencesDirectory() + "/ByHost/com.apple.notificationcenterui", false,
                     [&](Dictionary& d) {
                         d["doNotDisturb"] = o.doNotDisturb;
                         return true;
                     });
    mac.updateDomain("com.apple.dock", false, [&](Dictionary& d) {
        for (const char* key : lendmode::kHotCornerKeys) d.erase(key);
        for (const auto& [key, value] : o.corners) d[key] = *value;
        if (o.autohide)
            d["autohide"] = *o.autohide;
        else
            d.erase("autohide");
        if (o.orientation)
            d["orientation"] = *o.orientation;
        else
            d.erase("orientation");
        return true;
    });
    mac.updateDomain("NSGlobalDomain", false, [&](Dictionary& d) {
        d["com.apple.swipescrolldirection"] = o.natural;
        d.erase("AppleInterfaceStyle");
        d.erase("AppleInterfaceStyleSwitchesAutomatically");
        if (o.appearance == 1) d["AppleInterfaceStyle"] = "Dark";
        if (o.appearance == 2) d["AppleInterfaceStyleSwitchesAutomatically"] = true;
        return true;
    });
    mac.setDefaultHandler("http", o.browser);
    mac.setDefaultHandler("https", o.browser);
}

using testing_support::settingsOf;

Dictionary readSettings(Preferences& prefs) {
    return settingsOf(prefs.settingsUser());
}

struct Switching : ::testing::Test {
    TempMac t;
    Preferences* prefs = nullptr;
    std::shared_ptr<testing_support::RecordingAlerts> alerts =
        std::make_shared<testing_support::RecordingAlerts>();
    platform::Ports ports() const {
        platform::Ports ports = platform::simulated::portsFor(t.root());
        ports.alerts = alerts;
        return ports;
    }
    void SetUp() override {
        // Today's macOS, with the Shortcuts that switch Focus made as the README says.
        ASSERT_TRUE(testing_support::makeFocusShortcuts(t.mac()));
        prefs = &Preferences::resetShared(ports());
        prefs->readCurrentDefinitionSets();
    }
    void TearDown() override { Preferences::resetShared(); }
    void switchOn() {
        prefs->setLendmode(true);
        prefs->applaySelectedDefinitionCompletion(nullptr);
    }
    void switchOff() {
        prefs->setLendmode(false);
        prefs->restoreDefinitionSetsCompletion(nullptr);
    }
    std::size_t indexOf(const std::string& name) {
        const auto index = testing_support::indexOfApplication(*prefs, name);
        if (!index) throw std::runtime_error("not installed: " + name);
        return *index;
    }
};

struct RoundTrip : Switching, ::testing::WithParamInterface<int> {};

}  // namespace

TEST_F(Switching, SwitchOnGivesTheLendmodeSetAndSwitchOffTheOwnersSettings) {
    const Dictionary owner = readSettings(*prefs);
    int completions = 0;
    prefs->setLendmode(true);
    prefs->applaySelectedDefinitionCompletion([&] { ++completions; });
    EXPECT_EQ(completions, 1);

    const Dictionary guest = readSettings(*prefs);
    EXPECT_TRUE(t.mac().focusOn());
    EXPECT_EQ(guest.at("5.dictHotCorners"), Value(prefs->zerroHotCorners()));
    EXPECT_EQ(guest.at("4.box"), Value(1)) << "natural scrolling on";
    EXPECT_EQ(guest.at("9.box"), Value(1)) << "Dock visible";
    EXPECT_EQ(guest.at("32.segmentSelected"), Value(0)) << "Dock at the bottom";
    EXPECT_EQ(guest.at("33.segmentSelected"), Value(2)) << "automatic appearance";
    EXPECT_EQ(guest.at("8.browser"), Value("Chrome")) << "the browser of when the set was built";
    EXPECT_GE(t.mac().restarts("Dock"), 1);
    EXPECT_FALSE(t.mac().isRunning("System Settings"));

    prefs->setLendmode(false);
    prefs->restoreDefinitionSetsCompletion([&] { ++completions; });
    EXPECT_EQ(completions, 2);
    EXPECT_EQ(readSettings(*prefs), owner);
    EXPECT_FALSE(t.mac().focusOn());
}

TEST_F(Switching, ASwitchOnStoresTheSetsOnceAndASwitchOffStoresNothing) {
    const std::string domain = lendmode::build::kBundleIdentifier;
    switchOn();
    const auto stored = t.mac().readDomain(domain)->at("LM007");
    EXPECT_EQ(stored, Value(prefs->definitionSets()));
    testing_support::runShell(t.root(), "defaults delete " + domain + " LM007");
    switchOff();
    EXPECT_FALSE(t.mac().readDomain(domain)->count("LM007"));
}

TEST_P(RoundTrip, EveryOwnerConfigurationComesBack) {
    std::mt19937 gen(static_cast<unsigned>(GetParam()));
    for (int i = 0; i < 25; ++i) {
        const Owner owner = randomOwner(gen);
        install(t.mac(), owner);
        const Dictionary before = readSettings(*prefs);
        switchOn();
        EXPECT_EQ(settingsOf(*prefs->definitionSets()[1].asArray()), before)
            << "set 1 is the owner at switch-on";
        switchOff();
        const Dictionary after = readSettings(*prefs);
        ASSERT_EQ(after, before) << "configuration " << i << " of shard " << GetParam();
        // Values the snapshot reads come back; these stored forms change on the way:
        // absent autohide and orientation are written back explicitly (false and
        // "bottom"), which the system reads exactly as their absence. Hot-corner keys
        // the owner did not have are not added.
        const auto dock = t.mac().readDomain("com.apple.dock");
        for (const char* key : lendmode::kHotCornerKeys)
            EXPECT_EQ(dock->count(key), owner.corners.count(key)) << key;
        EXPECT_EQ(dock->at("orientation"), Value(owner.orientation.value_or("bottom")));
        EXPECT_EQ(dock->at("autohide"), Value(owner.autohide.value_or(false)));
    }
}
// 8 shards of 25 configurations: 200 owners, run in parallel by ctest (2 shards, 50
// owners, under the sanitizers).
INSTANTIATE_TEST_SUITE_P(TwoHundredOwners, RoundTrip, ::testing::Range(1, 1 + testing_support::sweep(8, 2)));

TEST_F(Switching, WhatTheOwnerHasComesBackAsItWas) {
    // Automatic appearance that happens to be dark now, natural scrolling by default
    // (no key at all), and an https handler of its own.
    t.mac().updateDomain("NSGlobalDomain", false, [](Dictionary& d) {
        d["AppleInterfaceStyle"] = "Dark";
        d["AppleInterfaceStyleSwitchesAutomatically"] = true;
        d.erase("com.apple.swipescrolldirection");
        return true;
    });
    t.mac().setDefaultHandler("https", "org.mozilla.firefox");
    prefs->setObject(Value(true), "box", 8);  // the guest gets Safari for both schemes
    const Dictionary before = readSettings(*prefs);
    EXPECT_EQ(before.at("33.segmentSelected"), Value(2));
    EXPECT_EQ(before.at("4.box"), Value(1));
    switchOn();
    EXPECT_EQ(t.mac().defaultHandler("https"), "com.apple.Safari");
    switchOff();
    EXPECT_EQ(readSettings(*prefs), before);
    const auto global = t.mac().readDomain("NSGlobalDomain");
    EXPECT_EQ(global->at("AppleInterfaceStyleSwitchesAutomatically"), Value(true))
        << "automatic switching kept";
    EXPECT_NE(global->at("com.apple.swipescrolldirection"), Value(false)) << "natural scrolling kept";
    EXPECT_EQ(t.mac().defaultHandler("http"), "com.google.Chrome");
    EXPECT_EQ(t.mac().defaultHandler("https"), "org.mozilla.firefox");

    // No default browser at all: there is no handler to set back, so the browser the
    // Lendmode set chose stays.
    t.mac().setDefaultHandler("http", "");
    EXPECT_EQ(readSettings(*prefs).at("8.browser"), Value("NoBrowser"));
    switchOn();
    switchOff();
    EXPECT_EQ(readSettings(*prefs).at("8.browser"), Value("Safari"));
}

TEST_F(Switching, RefusedAppleEventsChangeNothingAndTheOwnerIsTold) {
    prefs->setAppDisable(true, indexOf("Slack"));
    ASSERT_EQ(testing_support::runTool(t.root(), {"lendmode-sim", "automation", "deny", "System Events"})
                  .exitStatus,
              0);
    const Dictionary owner = readSettings(*prefs);
    const auto processes = t.mac().processes().size();
    ASSERT_FALSE(t.mac().isRunning("System Events"));
    switchOn();
    EXPECT_EQ(readSettings(*prefs), owner);
    EXPECT_TRUE(t.mac().isRunning("Slack"));
    EXPECT_FALSE(t.mac().isRunning("System Preferences"));
    // The system answers about a running target only: System Events was started,
    // hidden, to ask, and nothing else was.
    EXPECT_TRUE(t.mac().isRunning("System Events"));
    EXPECT_EQ(t.mac().processes().size(), processes + 1);
    EXPECT_EQ(t.mac().automationAsked(), (std::vector<std::string>{"System Events"}));
    EXPECT_FALSE(prefs->lendmode());
    ASSERT_EQ(alerts->shown.size(), 1u);
    EXPECT_NE(alerts->shown[0].informativeText.find("System Events"), std::string::npos);
}

TEST_F(Switching, AFullDiskRefusesTheSwitchOnBeforeAnythingChanges) {
    prefs->setAppDisable(true, indexOf("Slack"));
    const Dictionary owner = readSettings(*prefs);
    const auto domainBefore = t.mac().readDomain(lendmode::build::kBundleIdentifier);
    {
        // No file may grow beyond a few bytes: every write of the store fails, as on
        // a full disk (root included).
        testing_support::FileSizeLimit full(16);
        switchOn();
    }
    EXPECT_EQ(readSettings(*prefs), owner);
    EXPECT_TRUE(t.mac().isRunning("Slack"));
    EXPECT_FALSE(prefs->lendmode());
    EXPECT_FALSE(prefs->guestSettingsApplied());
    EXPECT_EQ(t.mac().readDomain(lendmode::build::kBundleIdentifier), domainBefore)
        << "the stored data is intact";
    ASSERT_EQ(alerts->shown.size(), 1u);
    EXPECT_NE(alerts->shown[0].informativeText.find("could not save"), std::string::npos);
}

// A switch-off whose writes fail while clearing its record is refused, and the record
// kept: a full disk, and a Preferences folder made immutable (no file can be written
// anew in it).
TEST_F(Switching, ASwitchOffThatCouldNotWriteTheOwnersSettingsIsRefusedAndTheRecordKept) {
    prefs->setAppDisable(true, indexOf("Slack"));
    const Dictionary owner = readSettings(*prefs);
    switchOn();
    const Dictionary guest = readSettings(*prefs);
    {
        testing_support::FileSizeLimit full(16);
        switchOff();
    }
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_EQ(readSettings(*prefs), guest) << "refused before anything changed";
    ASSERT_EQ(alerts->shown.size(), 1u);
    EXPECT_NE(alerts->shown[0].informativeText.find("stays on"), std::string::npos);

    const std::string folder = t.mac().preferencesDirectory();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    int flags = 0;
    const bool immutable = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                           (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (immutable) {
        switchOff();
        flags &= ~FS_IMMUTABLE_FL;
        EXPECT_EQ(::ioctl(fd, FS_IOC_SETFLAGS, &flags), 0);
        EXPECT_TRUE(prefs->lendmode());
        EXPECT_TRUE(t.mac()
                        .readDomain(lendmode::build::kBundleIdentifier)
                        ->at(lendmode::keys::kGuestSettingsApplied)
                        .truthValue());
    }
    ::close(fd);
    Preferences::resetShared();
    prefs = &Preferences::resetShared(ports());  // a later start puts them back
    EXPECT_EQ(readSettings(*prefs), owner);
    EXPECT_TRUE(t.mac().isRunning("Slack"));
    if (!immutable) GTEST_SKIP() << "this file system cannot make a folder immutable";
}

// The store damaged, replaced or removed while Lendmode is on: the switch-off goes by
// what the program holds, and a start after a kill by the record's copy.
TEST_F(Switching, TheOwnersSettingsComeBackWhateverBecameOfTheStore) {
    prefs->setAppDisable(true, indexOf("Slack"));
    const std::string file = t.mac().domainFile(lendmode::build::kBundleIdentifier, false);
    const std::string domain = lendmode::build::kBundleIdentifier;
    const std::vector<std::pair<std::string, std::string>> damages = {
        {"truncated", ": > '" + file + "'"},
        {"halved", "head -c $(( $(stat -c %s '" + file + "') / 2 )) '" + file + "' > '" + file +
                       ".half' && mv '" + file + ".half' '" + file + "'"},
        {"a folder", "rm '" + file + "' && mkdir '" + file + "'"},
        {"a FIFO", "rm '" + file + "' && mkfifo '" + file + "'"},
        {"a link to a text", "echo text > '" + t.root() + "/text' && rm '" + file + "' && ln -s '" +
                                 t.root() + "/text' '" + file + "'"},
        {"deleted", "defaults delete " + domain},
        {"flag written false", "defaults write " + domain + " LM010 -bool false"},
    };
    for (const bool restart : {false, true}) {
        for (const auto& [what, command] : damages) {
            const Dictionary owner = readSettings(*prefs);
            switchOn();
            ASSERT_NE(readSettings(*prefs), owner);
            ASSERT_EQ(testing_support::runShell(t.root(), command).exitStatus, 0) << what;
            alerts->shown.clear();
            if (restart) {
                Preferences::resetShared();  // killed
                prefs = &Preferences::resetShared(ports());
            } else {
                EXPECT_TRUE(prefs->lendmode()) << what;
                switchOff();
            }
            EXPECT_FALSE(prefs->lendmode()) << what;
            EXPECT_EQ(readSettings(*prefs), owner) << what << (restart ? ", then a start" : "");
            EXPECT_TRUE(t.mac().isRunning("Slack")) << what;
            EXPECT_GE(alerts->shown.size(), 1u) << what << ": the owner is told";
            // A sound store again for the next round.
            std::filesystem::remove_all(file);
            Preferences::resetShared();
            prefs = &Preferences::resetShared(ports());
            prefs->readCurrentDefinitionSets();
            prefs->setAppDisable(true, indexOf("Slack"));
        }
    }
}

TEST_F(Switching, ADamagedStoreIsMovedAsideTheOwnerToldOnceAndTheDefaultsUsed) {
    prefs->setAppDisable(true, indexOf("Slack"));
    ASSERT_TRUE(prefs->setLaunchOnStartup(true));
    Preferences::resetShared();
    const std::string file = t.mac().domainFile(lendmode::build::kBundleIdentifier, false);
    std::string bytes = testing_support::readTextFile(file);
    bytes.pop_back();  // truncated by one byte
    testing_support::writeTextFile(file, bytes);

    alerts->shown.clear();
    prefs = &Preferences::resetShared(ports());
    ASSERT_EQ(alerts->shown.size(), 1u);
    std::vector<std::string> aside;
    for (const auto& entry : std::filesystem::directory_iterator(t.mac().preferencesDirectory())) {
        if (entry.path().string().rfind(file + ".damaged-", 0) == 0) aside.push_back(entry.path().string());
    }
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_NE(alerts->shown[0].informativeText.find(aside[0]), std::string::npos)
        << "the owner is told where";
    EXPECT_EQ(testing_support::readTextFile(aside[0]), bytes) << "kept as it was";
    prefs->readCurrentDefinitionSets();
    EXPECT_FALSE(prefs->launchOnStartup());
    EXPECT_FALSE(prefs->appDisabled()->at(indexOf("Slack")).asArray()->at(1).truthValue()) << "the defaults";
    EXPECT_TRUE(t.mac().readDomain(lendmode::build::kBundleIdentifier)) << "a sound store again";
    Preferences::resetShared(ports());
    EXPECT_EQ(alerts->shown.size(), 1u) << "told once";
}

TEST_F(Switching, RunningDisabledAppsAreQuitAndReopenedOthersLeftAlone) {
    prefs->setAppDisable(true, indexOf("Slack"));    // running
    prefs->setAppDisable(true, indexOf("Chess"));    // not running
    prefs->setAppDisable(true, indexOf("Spotify"));  // running, but released before switch-off
    switchOn();
    EXPECT_FALSE(t.mac().isRunning("Slack"));
    EXPECT_FALSE(t.mac().isRunning("Spotify"));
    EXPECT_FALSE(t.mac().isRunning("Chess"));
    EXPECT_EQ(prefs->appNeedRun(), (std::vector<std::string>{"Slack", "Spotify"}));
    prefs->setAppDisable(false, indexOf("Spotify"));
    switchOff();
    EXPECT_TRUE(t.mac().isRunning("Slack"));
    EXPECT_FALSE(t.mac().isRunning("Chess")) << "not running at switch-on: left alone";
    EXPECT_FALSE(t.mac().isRunning("Spotify")) << "no longer disabled: not started";
}

TEST_F(Switching, ARefusedPermissionMakesTheQuitFailAndTheNameIsNotRecorded) {
    prefs->setAppDisable(true, indexOf("Slack"));
    t.mac().setAutomationAllowed("Slack", false);
    switchOn();
    EXPECT_TRUE(t.mac().isRunning("Slack"));
    EXPECT_TRUE(prefs->appNeedRun().empty());
}

TEST_F(Switching, EveryNameIsQuitAndReopenedAsItselfAndNothingElseRuns) {
    // Names cannot hold a slash (they are file names), so the canary is made in the
    // current folder if any name ever runs.
    const std::string canary = "lendmode-canary";
    ::unlink(canary.c_str());
    const std::vector<std::string> names = {
        "Two Words",
        "Say \"Hi\"",
        "It's Mine",
        "$(touch " + canary + ")",
        "`touch " + canary + "`",
        "a; touch " + canary,
        "Back\\slash",
        "Café Ünïcödé 日本",
    };
    std::vector<sim::App> apps = t.mac().catalogue();
    for (std::size_t i = 0; i < names.size(); ++i) {
        apps.push_back(
            sim::App{"/Applications/" + names[i] + ".app", "", "com.example.odd" + std::to_string(i), false});
    }
    t.mac().setCatalogue(apps);
    for (const std::string& name : names) t.mac().launch(*t.mac().findApp(name));
    // A fresh default set lists the new applications.
    testing_support::runShell(t.root(), std::string("defaults delete ") + lendmode::build::kBundleIdentifier);
    prefs->readCurrentDefinitionSets();
    for (const std::string& name : names) prefs->setAppDisable(true, indexOf(name));

    switchOn();
    for (const std::string& name : names) EXPECT_FALSE(t.mac().isRunning(name)) << name;
    EXPECT_EQ(prefs->appNeedRun().size(), names.size());
    switchOff();
    for (const std::string& name : names) EXPECT_TRUE(t.mac().isRunning(name)) << name;
    EXPECT_NE(access(canary.c_str(), F_OK), 0) << "a name was run as code";

    // The same names quoted for the shell arrive as themselves.
    for (const std::string& name : names) {
        EXPECT_EQ(testing_support::runShell(t.root(), "printf '%s' " + lendmode::shellQuoted(name)).out,
                  name);
    }
    EXPECT_NE(access(canary.c_str(), F_OK), 0);
}

// A ticked application with an unsaved document answers its quit with a question: the
// switch-on stops waiting (after the wait, or at the owner's Skip), leaves it running,
// names it, and neither reopens it nor counts it quit; the switch-off puts everything
// back around it.
TEST_F(Switching, AQuitThatDoesNotComeIsGivenUpAndTheApplicationLeftRunning) {
    prefs->setAppDisable(true, indexOf("Slack"));
    const Dictionary owner = readSettings(*prefs);
    ASSERT_EQ(t.mac().addUnsavedDocument("Slack"), sim::SimMac::DocumentChange::Done);
    const auto asking = [&] {
        for (const sim::Process& p : t.mac().processes())
            if (p.name == "Slack" && p.askingToSave) return true;
        return false;
    };
    for (const bool skip : {false, true}) {
        ::setenv("LENDMODE_QUIT_WAIT_MS", skip ? "14000" : "700", 1);
        std::thread answering;
        if (skip)
            answering = std::thread([&] {
                while (!asking()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
                prefs->skipWaitingQuit();
            });
        const auto start = std::chrono::steady_clock::now();
        alerts->shown.clear();
        switchOn();
        if (answering.joinable()) answering.join();
        ::unsetenv("LENDMODE_QUIT_WAIT_MS");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "skip " << skip;
        EXPECT_TRUE(prefs->lendmode());
        EXPECT_TRUE(t.mac().isRunning("Slack"));
        EXPECT_TRUE(prefs->appNeedRun().empty()) << "not quit, so not to be reopened";
        EXPECT_EQ(t.mac().readDomain(lendmode::build::kBundleIdentifier)->at("LM009"), Value(plist::Array{}));
        ASSERT_FALSE(alerts->shown.empty());
        EXPECT_NE(alerts->shown.back().informativeText.find("Slack did not quit"), std::string::npos)
            << alerts->shown.back().informativeText;

        switchOff();
        EXPECT_EQ(readSettings(*prefs), owner);
        int slacks = 0;
        for (const sim::Process& p : t.mac().processes()) slacks += p.name == "Slack";
        EXPECT_EQ(slacks, 1) << "left as it was, never started again";
        ASSERT_EQ(t.mac().answerSaveQuestion("Slack", sim::SimState::SaveAnswer::Cancel),
                  sim::SimMac::DocumentChange::Done);
    }
}
