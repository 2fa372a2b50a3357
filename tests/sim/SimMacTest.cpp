#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "base/plist/PlistFile.h"
#include "sim/LaunchAnnouncer.h"
#include "sim/SimMac.h"
#include "sim/Status.h"
#include "tests/support/TestSupport.h"

using testing_support::TempDir;
using testing_support::TempMac;
using namespace std::chrono_literals;

namespace {

int countWithPrefix(const std::vector<sim::App>& apps, const std::string& prefix) {
    return static_cast<int>(std::count_if(apps.begin(), apps.end(), [&](const sim::App& a) {
        return a.path.rfind(prefix, 0) == 0 && a.path.rfind('/') == prefix.size() - 1;
    }));
}

}  // namespace

TEST(SimMacSeed, AFreshMacLooksLikeAPlausibleMac) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    const auto apps = mac.catalogue();
    EXPECT_GE(apps.size(), 25u);
    EXPECT_GT(countWithPrefix(apps, "/Applications/"), 3);
    EXPECT_GT(countWithPrefix(apps, "/Applications/Utilities/"), 0);
    EXPECT_GT(countWithPrefix(apps, "/System/Applications/"), 3);
    EXPECT_GT(countWithPrefix(apps, "/System/Applications/Utilities/"), 0);
    EXPECT_TRUE(std::any_of(apps.begin(), apps.end(), [](const sim::App& a) {
        return a.path.find(".app/") != std::string::npos;
    })) << "one bundle nested in another";
    EXPECT_TRUE(std::any_of(apps.begin(), apps.end(), [](const sim::App& a) {
        return a.path.rfind("/System/Library/CoreServices/", 0) == 0;
    }));
    EXPECT_TRUE(
        std::any_of(apps.begin(), apps.end(), [](const sim::App& a) { return a.path.find("/Users/") == 0; }));
    EXPECT_FALSE(std::is_sorted(apps.begin(), apps.end(),
                                [](const sim::App& a, const sim::App& b) { return a.name < b.name; }));

    EXPECT_EQ(mac.handlers("http"),
              (std::vector<std::string>{"com.apple.Safari", "com.google.Chrome", "org.mozilla.firefox"}));
    EXPECT_EQ(mac.defaultHandler("http"), "com.google.Chrome");
    EXPECT_EQ(mac.defaultHandler("https"), "com.google.Chrome");

    const auto dock = mac.readDomain("com.apple.dock");
    ASSERT_TRUE(dock);
    EXPECT_EQ(dock->at("orientation"), plist::Value("left"));
    EXPECT_EQ(dock->at("autohide"), plist::Value(true));
    EXPECT_EQ(dock->at("wvous-tl-corner"), plist::Value(2));
    EXPECT_NE(dock->at("wvous-tl-modifier"), plist::Value(0));
    EXPECT_FALSE(dock->count("wvous-tr-corner")) << "only some corners are set";
    const auto global = mac.readDomain("-g");
    EXPECT_EQ(global->at("AppleInterfaceStyle"), plist::Value("Dark"));
    EXPECT_EQ(global->at("com.apple.swipescrolldirection"), plist::Value(true));
    const auto dnd = mac.readDomain(mac.preferencesDirectory() + "/ByHost/com.apple.notificationcenterui");
    EXPECT_EQ(dnd->at("doNotDisturb"), plist::Value(false));
    EXPECT_TRUE(mac.automationAllowed("System Events"));
    EXPECT_EQ(mac.hardwareUUID().size(), 36u);
}

TEST(SimMacSeed, OpeningAnExistingMacKeepsItsState) {
    TempMac t;
    ASSERT_TRUE(t.mac().updateDomain("com.apple.dock", false, [](plist::Dictionary& d) {
        d["orientation"] = "right";
        return true;
    }));
    const sim::SimMac again(t.root());
    EXPECT_EQ(again.readDomain("com.apple.dock")->at("orientation"), plist::Value("right"));
    EXPECT_EQ(again.hardwareUUID(), t.mac().hardwareUUID());
}

TEST(SimMacSeed, TheApplicationPathsAndLookupsFollowTheCatalogueEvenWhenItIsWrittenByHand) {
    TempMac t;
    ASSERT_TRUE(t.mac().setCatalogue(
        {{"/Applications/B.app", "B", "com.b"}, {"/Applications/A\tTab.app", "A\tTab", "com.a", true}}));
    EXPECT_EQ(t.mac().applicationPaths(), "/Applications/B.app\n/Applications/A\tTab.app\n");
    const auto found = t.mac().findApp("A\tTab");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path, "/Applications/A\tTab.app");
    EXPECT_EQ(found->bundleIdentifier, "com.a");
    EXPECT_TRUE(found->agent);
    EXPECT_FALSE(t.mac().findApp("C"));
    // A name met first as a folder, or as the start of another name, is not that app.
    ASSERT_TRUE(t.mac().setCatalogue({{"/Applications/Foo.localized/Bar.app", "Bar", "com.bar"},
                                      {"/Applications/FooBar.app", "FooBar", "com.foobar"},
                                      {"/Applications/Tools/Foo", "Foo", "com.foo"}}));
    EXPECT_EQ(t.mac().findApp("Foo").value_or(sim::App{}).bundleIdentifier, "com.foo");
    EXPECT_EQ(t.mac().findApp("Bar").value_or(sim::App{}).bundleIdentifier, "com.bar");
    EXPECT_EQ(t.mac().findApp("FooBar").value_or(sim::App{}).bundleIdentifier, "com.foobar");
    // Someone replaces the catalogue without the index: the index is older, so unused.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(
        plist::writeFile(t.root() + "/system/applications.plist",
                         plist::Value(plist::Array{plist::Dictionary{{"path", "/Applications/C.app"}}})));
    EXPECT_EQ(t.mac().applicationPaths(), "/Applications/C.app\n");
    EXPECT_TRUE(t.mac().findApp("C"));
    EXPECT_FALSE(t.mac().findApp("B"));
}

TEST(SimMacSeed, AChangeToADamagedDomainFailsAndKeepsTheFile) {
    TempMac t;
    const std::string file = t.mac().domainFile("com.apple.dock", false);
    testing_support::writeTextFile(file, "not a property list");
    bool changed = false;
    EXPECT_FALSE(t.mac().updateDomain("com.apple.dock", false, [&](plist::Dictionary& d) {
        d["autohide"] = true;
        return changed = true;
    }));
    EXPECT_FALSE(changed);
    EXPECT_EQ(testing_support::readTextFile(file), "not a property list");
}

TEST(SimMacSeed, AMacThatCannotBeSeededThrowsWithTheReason) {
    TempDir dir;
    testing_support::writeTextFile(dir.path() + "/system", "a file where the folder should be");
    try {
        const sim::SimMac mac(dir.path());
        FAIL() << "opened a Mac that has no state";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "cannot seed the simulated Mac at " + dir.path() + ": Not a directory");
    }
}

// A folder where the lock file belongs: opening the lock fails for every user,
// the superuser included.
TEST(SimMacLock, WithoutTheLockNothingRunsAndEveryChangeFails) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    const std::string lock = t.root() + "/.lock";
    std::filesystem::remove(lock);
    std::filesystem::create_directory(lock);
    bool ran = false;
    EXPECT_FALSE(mac.withLock([&] { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_EQ(mac.killAll("Dock"), std::nullopt);
    EXPECT_EQ(mac.terminate(mac.processes().front().pid), std::nullopt);
    EXPECT_EQ(mac.launch(*mac.findApp("Chess")), std::nullopt);
    EXPECT_FALSE(mac.updateDomain("com.apple.dock", false, [](plist::Dictionary& d) {
        d["orientation"] = "right";
        return true;
    }));
    EXPECT_FALSE(mac.setCatalogue({}));
    EXPECT_FALSE(mac.setDefaultHandler("http", "com.apple.Safari"));
    EXPECT_FALSE(mac.registerHandler("http", "com.example.browser"));
    EXPECT_FALSE(mac.setSystemPreferencesPane("com.apple.preference.dock"));
    EXPECT_FALSE(mac.setAutomationAllowed("*", false));

    EXPECT_EQ(mac.restarts("Dock"), 0);
    EXPECT_FALSE(mac.isRunning("Chess"));
    EXPECT_EQ(mac.readDomain("com.apple.dock")->at("orientation"), plist::Value("left"));
    EXPECT_FALSE(mac.catalogue().empty());
    EXPECT_EQ(mac.defaultHandler("http"), "com.google.Chrome");
    EXPECT_TRUE(mac.automationAllowed("System Events"));

    std::filesystem::remove(lock);
    EXPECT_TRUE(mac.withLock([&] { ran = true; }));
    EXPECT_TRUE(ran);
}

// Another user who can open the lock can hold it and stall every change: the file is
// its owner's alone (made so again when found wider), and a lock held elsewhere makes a
// change wait a while, then fail with ETIMEDOUT having run nothing.
TEST(SimMacLock, TheLockIsTheOwnersAloneAndOneHeldElsewhereFailsChangesAfterTheWait) {
    TempMac t;
    sim::SimMac mac(t.root());
    mac.setLockWait(100ms);
    const std::string lock = t.root() + "/.lock";
    const auto mode = [&] {
        struct stat st {};
        return ::stat(lock.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
    };
    EXPECT_EQ(mode(), 0600u) << "as made";
    ASSERT_EQ(::chmod(lock.c_str(), 0666), 0);
    EXPECT_TRUE(mac.withLock([] {}));
    EXPECT_EQ(mode(), 0600u) << "as found with wider bits";

    // Held as another process holds it: through an open file description of its own.
    const int holder = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    auto waited = std::async(std::launch::async, [&] {
        bool ran = false;
        errno = 0;
        const bool locked = mac.withLock([&] { ran = true; });
        const int lockError = errno;
        const std::optional<int> ended = mac.killAll("Dock");
        return std::tuple(locked, ran, lockError, ended, errno);
    });
    // Let go in any case, so that a wait without end fails here rather than hangs.
    const bool finished = waited.wait_for(60s) == std::future_status::ready;
    ::close(holder);
    ASSERT_TRUE(finished) << "still waiting for the lock";
    const auto [locked, ran, lockError, ended, killError] = waited.get();
    EXPECT_FALSE(locked);
    EXPECT_FALSE(ran);
    EXPECT_EQ(lockError, ETIMEDOUT);
    EXPECT_EQ(ended, std::nullopt);
    EXPECT_EQ(killError, ETIMEDOUT);
    EXPECT_EQ(mac.restarts("Dock"), 0);
    EXPECT_EQ(
        sim::cannotUpdateMessage("killall", mac, ETIMEDOUT),
        "killall: cannot update the simulated Mac at " + mac.root() + ": it is locked by another process");
    EXPECT_TRUE(mac.withLock([] {})) << "free again";
}

TEST(SimMacDomains, DomainArgumentsNameTheRightFiles) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    const std::string prefs = mac.preferencesDirectory();
    EXPECT_EQ(mac.domainFile("-g", false), prefs + "/.GlobalPreferences.plist");
    EXPECT_EQ(mac.domainFile("-globalDomain", false), prefs + "/.GlobalPreferences.plist");
    EXPECT_EQ(mac.domainFile("NSGlobalDomain", false), prefs + "/.GlobalPreferences.plist");
    EXPECT_EQ(mac.domainFile("com.apple.dock", false), prefs + "/com.apple.dock.plist");
    EXPECT_EQ(mac.domainFile("com.apple.dock", true),
              prefs + "/ByHost/com.apple.dock." + mac.hardwareUUID() + ".plist");
    EXPECT_EQ(mac.domainFile("-g", true),
              prefs + "/ByHost/.GlobalPreferences." + mac.hardwareUUID() + ".plist");
    EXPECT_EQ(mac.domainFile("/tmp/x/TestFile", false), "/tmp/x/TestFile.plist");
    EXPECT_EQ(mac.domainFile("/tmp/x/TestFile.plist", true), "/tmp/x/TestFile.plist");
}

TEST(SimMacDomains, ConcurrentUpdatesLoseNothing) {
    TempMac t;
    std::vector<std::thread> threads;
    threads.reserve(8);
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            const sim::SimMac mac(t.root());  // each its own lock descriptor, as separate processes would
            for (int k = 0; k < 10; ++k) {
                EXPECT_TRUE(mac.updateDomain("com.example.race", false, [&](plist::Dictionary& d) {
                    d["key-" + std::to_string(i) + "-" + std::to_string(k)] = k;
                    return true;
                }));
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(t.mac().readDomain("com.example.race")->size(), 80u);
}

TEST(SimMacProcesses, KillingTheDockRestartsItAndCounts) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    ASSERT_TRUE(mac.isRunning("Dock"));
    EXPECT_EQ(mac.killAll("Dock"), 1);
    EXPECT_TRUE(mac.isRunning("Dock"));
    EXPECT_EQ(mac.restarts("Dock"), 1);
    EXPECT_EQ(mac.killAll("NotificationCenter"), 1);
    EXPECT_EQ(mac.killAll("SystemUIServer"), 1);
    EXPECT_EQ(mac.restarts("NotificationCenter"), 1);
    EXPECT_EQ(mac.restarts("SystemUIServer"), 1);
    EXPECT_EQ(mac.restarts("Dock"), 1);
}

// Finder comes back after a kill, not after a quit, and reads CreateDesktop only as it
// starts.
TEST(SimMacProcesses, FinderRestartsAfterAKillAndOnlyThenHidesTheDesktopIcons) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    EXPECT_TRUE(mac.desktopIconsShown());
    ASSERT_TRUE(mac.updateDomain("com.apple.finder", false, [](plist::Dictionary& d) {
        d["CreateDesktop"] = false;
        return true;
    }));
    EXPECT_TRUE(mac.desktopIconsShown()) << "the running Finder read the key before";
    EXPECT_EQ(mac.killAll("Finder"), 1);
    EXPECT_TRUE(mac.isRunning("Finder"));
    EXPECT_EQ(mac.restarts("Finder"), 1);
    EXPECT_FALSE(mac.desktopIconsShown());

    ASSERT_TRUE(mac.updateDomain("com.apple.finder", false, [](plist::Dictionary& d) {
        d.erase("CreateDesktop");
        return true;
    }));
    EXPECT_FALSE(mac.desktopIconsShown());
    const auto rows = sim::statusRows(mac);
    EXPECT_NE(std::find(rows.begin(), rows.end(),
                        std::pair<std::string, std::string>("Desktop icons",
                                                            "hidden (stored: shown, when Finder restarts)")),
              rows.end());
    // A quit (as `tell application "Finder" to quit`) leaves it ended.
    sim::StateSession session(mac);
    ASSERT_TRUE(session.change(
        [](sim::SimState& s) { s.endProcesses([](const sim::Process& p) { return p.name == "Finder"; }); }));
    ASSERT_TRUE(session.commit());
    EXPECT_FALSE(mac.isRunning("Finder"));
    EXPECT_FALSE(mac.desktopIconsShown());
    ASSERT_TRUE(mac.launch(*mac.findApp("Finder")));
    EXPECT_TRUE(mac.desktopIconsShown());
}

TEST(SimMacProcesses, ApplicationsEndByExactCaseSensitiveName) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    EXPECT_EQ(mac.killAll("slack"), 0);
    EXPECT_TRUE(mac.isRunning("Slack"));
    EXPECT_EQ(mac.killAll("Slack"), 1);
    EXPECT_FALSE(mac.isRunning("Slack"));
    EXPECT_EQ(mac.killAll("Slack"), 0);
}

TEST(SimMacProcesses, LaunchingStartsOnceAndKeepsThePid) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    const auto chess = mac.findApp("Chess");
    ASSERT_TRUE(chess);
    EXPECT_FALSE(mac.isRunning("Chess"));
    const std::optional<long> pid = mac.launch(*chess);
    ASSERT_TRUE(pid);
    EXPECT_TRUE(mac.isRunning("Chess"));
    EXPECT_EQ(mac.launch(*chess), pid);
    const auto procs = mac.processes();
    EXPECT_EQ(
        std::count_if(procs.begin(), procs.end(), [](const sim::Process& p) { return p.name == "Chess"; }),
        1);
}

TEST(SimMacProcesses, TerminatingByPidEndsThatProcessAsKillallWould) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    const auto chess = mac.launch(*mac.findApp("Chess"));
    ASSERT_TRUE(chess);
    EXPECT_EQ(mac.process(*chess)->name, "Chess");
    EXPECT_EQ(mac.terminate(*chess), true);
    EXPECT_FALSE(mac.isRunning("Chess"));
    EXPECT_FALSE(mac.process(*chess));
    EXPECT_EQ(mac.terminate(*chess), false) << "no process has that pid any more";
    EXPECT_TRUE(mac.isRunning("Slack"));

    // The Dock comes back with a new pid, and the restart is counted.
    std::optional<long> dock;
    for (const sim::Process& p : mac.processes()) {
        if (p.name == "Dock") dock = p.pid;
    }
    ASSERT_TRUE(dock);
    EXPECT_EQ(mac.terminate(*dock), true);
    EXPECT_TRUE(mac.isRunning("Dock"));
    EXPECT_FALSE(mac.process(*dock));
    EXPECT_EQ(mac.restarts("Dock"), 1);
}

TEST(SimMacSystemPreferences, RevealingAPaneStartsItAndQuittingForgetsThePane) {
    TempMac t(sim::kOldestMacOS);
    const sim::SimMac& mac = t.mac();
    EXPECT_FALSE(mac.systemPreferencesPane());
    ASSERT_TRUE(mac.setSystemPreferencesPane("com.apple.preference.trackpad"));
    EXPECT_EQ(mac.systemPreferencesPane(), "com.apple.preference.trackpad");
    EXPECT_TRUE(mac.isRunning("System Preferences"));
    EXPECT_EQ(mac.killAll("System Preferences"), 1);
    EXPECT_FALSE(mac.systemPreferencesPane());
    EXPECT_FALSE(mac.isRunning("System Preferences"));
}

TEST(SimMacAutomation, RefusalIsPerTargetOrForEveryone) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    ASSERT_TRUE(mac.setAutomationAllowed("System Events", false));
    EXPECT_FALSE(mac.automationAllowed("System Events"));
    EXPECT_TRUE(mac.automationAllowed("System Preferences"));
    ASSERT_TRUE(mac.setAutomationAllowed("*", false));
    EXPECT_FALSE(mac.automationAllowed("Chess"));
    ASSERT_TRUE(mac.setAutomationAllowed("*", true));
    EXPECT_TRUE(mac.automationAllowed("System Events"));
}

TEST(SimMacRoot, EnvironmentNamesTheRootAndRelativeRootsBecomeAbsolute) {
    TempDir dir;
    setenv("LENDMODE_SIM_ROOT", (dir.path() + "/mac/").c_str(), 1);
    EXPECT_EQ(sim::SimMac::rootFromEnvironment(), dir.path() + "/mac");
    unsetenv("LENDMODE_SIM_ROOT");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(sim::SimMac::rootFromEnvironment(), dir.path() + "/lendmode/simulated-mac");
    unsetenv("XDG_DATA_HOME");
}

// What AEDeterminePermissionToAutomateTarget answers: nothing about a target that is
// not running; once started, the owner is asked once, and reset asks again.
TEST(SimMacAutomation, TheOwnerIsAskedOncePerRunningTarget) {
    using Answer = sim::SimMac::AutomationAnswer;
    TempMac t;
    const sim::SimMac& mac = t.mac();
    ASSERT_TRUE(mac.setAutomationAllowed("System Events", false));
    for (const char* target : {"Chess", "System Events"}) {
        SCOPED_TRACE(target);
        const bool allowed = std::string_view(target) == "Chess";
        EXPECT_EQ(mac.askAutomation(target, true), Answer::NotRunning);
        ASSERT_TRUE(mac.startHidden(target));
        EXPECT_EQ(mac.askAutomation(target, false), Answer::WouldAsk);
        EXPECT_EQ(mac.askAutomation(target, true), allowed ? Answer::Allowed : Answer::Refused);
        EXPECT_EQ(mac.askAutomation(target, false), allowed ? Answer::Allowed : Answer::Refused);
    }
    EXPECT_EQ(mac.automationAsked(), (std::vector<std::string>{"Chess", "System Events"}));
    ASSERT_TRUE(mac.resetAutomationAsked());
    EXPECT_EQ(mac.askAutomation("Chess", false), Answer::WouldAsk);
    // One target under either name of the settings application.
    ASSERT_TRUE(mac.setMacOSVersion({13, 0, 0}));
    ASSERT_TRUE(mac.startHidden("System Preferences"));
    EXPECT_EQ(mac.askAutomation("System Settings", true), Answer::Allowed);
    EXPECT_EQ(mac.askAutomation("System Preferences", false), Answer::Allowed);
    EXPECT_EQ(mac.automationAsked(), (std::vector<std::string>{"System Settings"}));
}

// Started without activating: System Events in the background and agents unannounced,
// yet all among the running processes; the settings application without a window.
TEST(SimMacProcesses, AHiddenStartAnnouncesOnlyOrdinaryApplications) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    ASSERT_TRUE(mac.setMacOSVersion({13, 0, 0}));
    sim::LaunchListener listener(mac.runDirectory());
    const struct {
        const char* name;
        const char* process;  // empty: nothing starts
        const char* announcedPath;
    } cases[] = {
        {"System Events", "System Events", nullptr},
        {"Bartender 4", "Bartender 4", nullptr},
        {"System Preferences", "System Settings", "/System/Applications/System Settings.app"},
        {"Chess", "Chess", "/System/Applications/Chess.app"},
        {"Slack", "Slack", nullptr},  // already running
        {"No Such App", "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<long> pid = mac.startHidden(c.name);
        ASSERT_EQ(pid.has_value(), *c.process != '\0');
        if (!pid) continue;
        EXPECT_EQ(mac.process(*pid).value_or(sim::Process{}).name, c.process);
        const auto announced = listener.receive(c.announcedPath ? 5s : 0s);
        ASSERT_EQ(announced.has_value(), c.announcedPath != nullptr);
        if (announced) {
            EXPECT_EQ(announced->at("NSApplicationPath"), plist::Value(c.announcedPath));
        }
    }
    EXPECT_EQ(mac.systemPreferencesPane(), "");
    EXPECT_TRUE(mac.findApp("System Settings")) << "the upgrade renamed its bundle";
    EXPECT_FALSE(mac.findApp("System Preferences"));
}

TEST(SimMacScrolling, ADirectChangeStoresTheKeyAndTakesEffectAtOnce) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    for (const bool natural : {false, true, false}) {
        ASSERT_TRUE(mac.setNaturalScrolling(natural));
        EXPECT_EQ(mac.readDomain("-g")->at("com.apple.swipescrolldirection"), plist::Value(natural));
        EXPECT_EQ(mac.naturalScrollingInEffect(), natural);
    }
    const std::string lock = t.root() + "/.lock";
    std::filesystem::remove(lock);
    std::filesystem::create_directory(lock);
    EXPECT_FALSE(mac.setNaturalScrolling(true));
    EXPECT_FALSE(mac.naturalScrollingStored());
    EXPECT_FALSE(mac.naturalScrollingInEffect());
}

// The key is written on every release but switches Do Not Disturb only before 11.
TEST(SimMacDoNotDisturb, TheKeyHasNoEffectFrom11) {
    TempMac t;
    const sim::SimMac& mac = t.mac();
    ASSERT_TRUE(mac.updateDomain(mac.preferencesDirectory() + "/ByHost/com.apple.notificationcenterui", false,
                                 [](plist::Dictionary& d) {
                                     d["doNotDisturb"] = true;
                                     return true;
                                 }));
    for (const auto& [release, inEffect] :
         {std::pair{sim::MacOSVersion{10, 15, 7}, std::optional<bool>(true)},
          std::pair{sim::MacOSVersion{11, 0, 0}, std::optional<bool>()},
          std::pair{sim::MacOSVersion{14, 0, 0}, std::optional<bool>()}}) {
        ASSERT_TRUE(mac.setMacOSVersion(release));
        EXPECT_EQ(mac.doNotDisturbInEffect(), inEffect) << release.text();
    }
}

// A request for a new default browser waits for the owner: "use" changes it, "keep"
// does not, "later" leaves it pending until answered; each is one confirmation.
TEST(SimMacUrlHandlers, ARequestForANewDefaultWaitsForTheOwnersAnswer) {
    using Answer = sim::SimState::BrowserAnswer;
    using Request = sim::SimMac::HandlerRequest;
    TempMac t;
    const sim::SimMac& mac = t.mac();
    EXPECT_EQ(mac.requestDefaultHandler("http", "com.apple.Safari"), Request::Changed);
    EXPECT_EQ(mac.defaultHandler("http"), "com.apple.Safari");
    ASSERT_TRUE(mac.setBrowserAnswer(Answer::Keep));
    EXPECT_EQ(mac.requestDefaultHandler("http", "org.mozilla.firefox"), Request::Kept);
    EXPECT_EQ(mac.defaultHandler("http"), "com.apple.Safari");

    ASSERT_TRUE(mac.setBrowserAnswer(Answer::Later));
    EXPECT_EQ(mac.requestDefaultHandler("https", "org.mozilla.firefox"), Request::Pending);
    EXPECT_EQ(mac.requestDefaultHandler("https", "com.apple.Safari"), Request::Pending);
    EXPECT_EQ(mac.requestDefaultHandler("http", "com.google.Chrome"), Request::Pending);
    EXPECT_EQ(mac.pendingHandlers(), (std::vector<std::pair<std::string, std::string>>{
                                         {"http", "com.google.Chrome"}, {"https", "com.apple.Safari"}}));
    EXPECT_EQ(mac.defaultHandler("https"), "com.google.Chrome") << "nothing changes while the dialog is up";
    ASSERT_TRUE(mac.setBrowserAnswer(Answer::Use));
    EXPECT_EQ(mac.defaultHandler("http"), "com.google.Chrome");
    EXPECT_EQ(mac.defaultHandler("https"), "com.apple.Safari");
    EXPECT_TRUE(mac.pendingHandlers().empty());

    ASSERT_TRUE(mac.setBrowserAnswer(Answer::Later));
    EXPECT_EQ(mac.requestDefaultHandler("https", "org.mozilla.firefox"), Request::Pending);
    ASSERT_TRUE(mac.setBrowserAnswer(Answer::Keep));
    EXPECT_EQ(mac.defaultHandler("https"), "com.apple.Safari");
    EXPECT_TRUE(mac.pendingHandlers().empty());
    EXPECT_EQ(mac.handlerRequests(), 6);
}
