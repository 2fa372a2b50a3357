#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string_view>
#include <thread>
#include <utility>

#include "base/plist/PlistFile.h"
#include "sim/Latency.h"
#include "sim/LaunchAnnouncer.h"
#include "sim/Status.h"
#include "tests/support/TestSupport.h"

using testing_support::runShell;
using testing_support::runTool;
using testing_support::TempMac;

namespace {

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string statusRow(const sim::SimMac& mac, std::string_view name) {
    for (const auto& [row, value] : sim::statusRows(mac)) {
        if (row == name) return value;
    }
    return "(no row " + std::string(name) + ")";
}

// Starts caffeinate with these arguments against the simulated Mac at root, and waits
// until it has entered itself (or ended). Its pid.
pid_t startCaffeinate(const std::string& root, std::vector<std::string> args) {
    args.insert(args.begin(), testing_support::toolsDirectory() + "/caffeinate");
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv(sim::kRootVariable, root.c_str(), 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const sim::SimMac mac(root);
    for (int i = 0; i < 500 && !mac.process(pid); ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return pid;
}

int exitOf(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

TEST(MdfindTool, ApplicationQueryListsTheCatalogueOnePathPerLine) {
    TempMac t;
    const auto run = runShell(t.root(), "mdfind \"kMDItemContentType == 'com.apple.application-bundle'\"");
    EXPECT_EQ(run.exitStatus, 0);
    std::string expected;
    for (const sim::App& app : t.mac().catalogue()) expected += app.path + "\n";
    EXPECT_EQ(run.out, expected);
    EXPECT_NE(run.out.find("/Applications/Safari.app\n"), std::string::npos);
}

TEST(MdfindTool, OtherQueriesFindNothingAndNoQueryIsAnError) {
    TempMac t;
    EXPECT_EQ(runTool(t.root(), {"mdfind", "kMDItemDisplayName == 'Safari'"}).out, "");
    const auto none = runTool(t.root(), {"mdfind"});
    EXPECT_NE(none.exitStatus, 0);
    EXPECT_FALSE(none.err.empty());
}

TEST(KillallTool, EndsByExactNameAndReportsNoMatch) {
    TempMac t;
    auto run = runTool(t.root(), {"killall", "Spotify"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(t.mac().isRunning("Spotify"));

    run = runTool(t.root(), {"killall", "Spotify"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "No matching processes belonging to you were found\n");

    run = runTool(t.root(), {"killall", "slack"});
    EXPECT_EQ(run.exitStatus, 1) << "names are case-sensitive";
    EXPECT_TRUE(t.mac().isRunning("Slack"));
}

TEST(KillallTool, SystemProcessesComeBackAndAreCounted) {
    TempMac t;
    const auto run =
        runShell(t.root(), "killall Dock\nkillall NotificationCenter\nkillall SystemUIServer\nkillall Dock");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(t.mac().restarts("Dock"), 2);
    EXPECT_EQ(t.mac().restarts("NotificationCenter"), 1);
    EXPECT_EQ(t.mac().restarts("SystemUIServer"), 1);
    EXPECT_TRUE(t.mac().isRunning("Dock"));
}

TEST(KillallTool, FinderComesBackAndHidesTheDesktopIconsTheKeyTurnedOff) {
    TempMac t;
    const auto row = [&t] { return statusRow(t.mac(), "Desktop icons"); };
    EXPECT_EQ(row(), "shown");
    ASSERT_EQ(runShell(t.root(), "defaults write com.apple.finder CreateDesktop -bool false").exitStatus, 0);
    EXPECT_EQ(row(), "shown (stored: hidden, when Finder restarts)");
    ASSERT_EQ(runShell(t.root(), "killall Finder").exitStatus, 0);
    EXPECT_EQ(t.mac().restarts("Finder"), 1);
    EXPECT_EQ(row(), "hidden");
}

TEST(KillallTool, EscapedSpaceQuitsSystemPreferences) {
    TempMac t(sim::kOldestMacOS);
    ASSERT_TRUE(t.mac().setSystemPreferencesPane("com.apple.preference.trackpad"));
    EXPECT_EQ(runShell(t.root(), "killall System\\ Preferences").exitStatus, 0);
    EXPECT_FALSE(t.mac().isRunning("System Preferences"));
    EXPECT_EQ(runShell(t.root(), "killall System\\ Preferences").exitStatus, 1);
}

TEST(OpenTool, LaunchIsAnnouncedWithTheBundlePathToEveryListener) {
    TempMac t;
    sim::LaunchListener first(t.mac().runDirectory());
    sim::LaunchListener second(t.mac().runDirectory());
    ASSERT_TRUE(first.isListening());
    const auto run = runTool(t.root(), {"open", "-a", "Chess"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(t.mac().isRunning("Chess"));
    for (sim::LaunchListener* listener : {&first, &second}) {
        const auto info = listener->receive(std::chrono::seconds(5));
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->at("NSApplicationPath"), plist::Value("/System/Applications/Chess.app"));
        EXPECT_EQ(info->at("NSApplicationName"), plist::Value("Chess"));
        EXPECT_EQ(info->at("NSApplicationBundleIdentifier"), plist::Value("com.apple.Chess"));
        EXPECT_GT(info->at("NSApplicationProcessIdentifier").integerValue(), 0);
    }
}

TEST(OpenTool, NamesWithSpacesAndBundleIdentifiersWork) {
    TempMac t;
    sim::LaunchListener listener(t.mac().runDirectory());
    EXPECT_EQ(runShell(t.root(), "open -a 'Google Chrome'").exitStatus, 0);
    EXPECT_EQ(listener.receive(std::chrono::seconds(5))->at("NSApplicationName"),
              plist::Value("Google Chrome"));
    EXPECT_EQ(runTool(t.root(), {"open", "-b", "com.apple.calculator"}).exitStatus, 0);
    EXPECT_TRUE(t.mac().isRunning("Calculator"));
    EXPECT_EQ(runTool(t.root(), {"open", "-a", "/Applications/Firefox.app"}).exitStatus, 0);
    EXPECT_TRUE(t.mac().isRunning("Firefox"));
}

TEST(OpenTool, RunningAppsAndAgentsAreNotAnnounced) {
    TempMac t;
    sim::LaunchListener listener(t.mac().runDirectory());
    EXPECT_EQ(runTool(t.root(), {"open", "-a", "Slack"}).exitStatus, 0);        // already running
    EXPECT_EQ(runTool(t.root(), {"open", "-a", "Bartender 4"}).exitStatus, 0);  // an agent
    EXPECT_TRUE(t.mac().isRunning("Bartender 4"));
    EXPECT_FALSE(listener.receive(std::chrono::milliseconds(200)).has_value());
}

// A renamed copy keeps the original's bundle identifier but is its own application.
TEST(OpenTool, ARenamedCopyIsFoundByItsNameAndAnnouncedWithItsOwnPath) {
    TempMac t;
    const std::string copy = "/Users/owner/Downloads/Chess copy.app";
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "add-app", copy, "com.apple.Chess"}).exitStatus, 0);
    sim::LaunchListener listener(t.mac().runDirectory());
    ASSERT_EQ(runShell(t.root(), "open -a 'Chess copy'").exitStatus, 0);
    const auto info = listener.receive(std::chrono::seconds(5));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->at("NSApplicationPath"), plist::Value(copy));
    EXPECT_EQ(info->at("NSApplicationName"), plist::Value("Chess copy"));
    EXPECT_EQ(info->at("NSApplicationBundleIdentifier"), plist::Value("com.apple.Chess"));
    EXPECT_TRUE(t.mac().isRunning("Chess copy"));
    EXPECT_FALSE(t.mac().isRunning("Chess"));
}

TEST(OpenTool, UnknownApplicationIsAnError) {
    TempMac t;
    const auto run = runTool(t.root(), {"open", "-a", "NoSuchApp"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "Unable to find application named 'NoSuchApp'\n");
}

TEST(OpenTool, SocketsOfGoneListenersAreCleanedUp) {
    TempMac t;
    // A listener that died without cleaning up leaves a socket file nobody reads.
    const std::string stale = t.mac().runDirectory() + "/99999999-1.sock";
    const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", stale.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(fd);
    ASSERT_EQ(access(stale.c_str(), F_OK), 0);
    EXPECT_EQ(runTool(t.root(), {"open", "-a", "Chess"}).exitStatus, 0);
    EXPECT_NE(access(stale.c_str(), F_OK), 0);
}

TEST(UnwritableMac, KillallAndOpenFailLoudlyWhenTheStateCannotBeWritten) {
    TempMac t;
    sim::LaunchListener listener(t.mac().runDirectory());
    testing_support::ToolRun killall, open;
    {
        const testing_support::FileSizeLimit nearlyFull(256);  // the state file is larger
        killall = runTool(t.root(), {"killall", "Dock"});
        open = runTool(t.root(), {"open", "-a", "Chess"});
    }
    const std::string cannot = "cannot update the simulated Mac at " + t.mac().root() + ": File too large\n";
    EXPECT_EQ(killall.exitStatus, 1);
    EXPECT_EQ(killall.err, "killall: " + cannot);
    EXPECT_EQ(open.exitStatus, 1);
    EXPECT_EQ(open.err, "open: " + cannot);
    EXPECT_EQ(t.mac().restarts("Dock"), 0);
    EXPECT_FALSE(t.mac().isRunning("Chess"));
    EXPECT_FALSE(listener.receive(std::chrono::milliseconds(100))) << "nothing started, so nothing announced";
    EXPECT_EQ(namesIn(t.root() + "/system"), (std::vector<std::string>{"applications.plist", "state.plist"}))
        << "no temporary file is left behind";
}

// A folder where the lock file belongs: no user, the superuser included, can open it.
TEST(UnwritableMac, ALockThatCannotBeTakenFailsEveryChange) {
    TempMac t;
    std::filesystem::remove(t.root() + "/.lock");
    std::filesystem::create_directory(t.root() + "/.lock");
    const std::string cannot = "cannot update the simulated Mac at " + t.mac().root() + ": Is a directory\n";

    auto run = runTool(t.root(), {"killall", "Dock"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "killall: " + cannot);
    run = runTool(t.root(), {"open", "-a", "Chess"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "open: " + cannot);
    run = runTool(t.root(), {"lendmode-sim", "automation", "deny"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "lendmode-sim: " + cannot);
    run = runTool(t.root(), {"defaults", "delete", "com.apple.dock"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("Could not write domain com.apple.dock; exiting"), std::string::npos) << run.err;
    run = runTool(t.root(), {"osascript", "-e", "quit application \"Slack\""});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("Slack got an error: Can’t quit (Is a directory)."), std::string::npos) << run.err;

    EXPECT_EQ(t.mac().restarts("Dock"), 0);
    EXPECT_FALSE(t.mac().isRunning("Chess"));
    EXPECT_TRUE(t.mac().isRunning("Slack"));
    EXPECT_TRUE(t.mac().automationAllowed("System Events"));
    EXPECT_TRUE(t.mac().readDomain("com.apple.dock"));
}

// Another process holds the lock: each tool waits a while (LENDMODE_SIM_LOCK_WAIT_MS,
// short here), then says so and changes nothing.
TEST(UnwritableMac, ALockHeldElsewhereEndsTheToolsWaitWithAClearMessage) {
    TempMac t;
    const int holder = ::open((t.root() + "/.lock").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    auto runs = std::async(std::launch::async, [&] {
        std::vector<testing_support::ToolRun> done;
        for (const char* command : {"killall Dock", "open -a Chess", "lendmode-sim automation deny"})
            done.push_back(runShell(t.root(), std::string("LENDMODE_SIM_LOCK_WAIT_MS=100 exec ") + command));
        return done;
    });
    // Let go in any case, so that a wait without end fails here rather than hangs.
    const bool finished = runs.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    ::close(holder);
    ASSERT_TRUE(finished) << "still waiting for the lock";
    const auto done = runs.get();
    const std::string locked =
        "cannot update the simulated Mac at " + t.mac().root() + ": it is locked by another process\n";
    for (std::size_t i = 0; i < done.size(); ++i) {
        const std::string tool = i == 0 ? "killall" : i == 1 ? "open" : "lendmode-sim";
        EXPECT_EQ(done[i].exitStatus, 1) << tool;
        EXPECT_EQ(done[i].err, std::string(tool).append(": ").append(locked));
    }
    EXPECT_EQ(t.mac().restarts("Dock"), 0);
    EXPECT_FALSE(t.mac().isRunning("Chess"));
    EXPECT_TRUE(t.mac().automationAllowed("System Events"));
}

TEST(UnwritableMac, AMacThatCannotBeSeededStopsTheTools) {
    testing_support::TempDir dir;
    testing_support::writeTextFile(dir.path() + "/system", "a file where the folder should be");
    const std::vector<std::vector<std::string>> commands{{"killall", "Dock"},
                                                         {"open", "-a", "Chess"},
                                                         {"mdfind", "kind:application"},
                                                         {"lendmode-sim", "apps"}};
    for (const auto& argv : commands) {
        const auto run = runTool(dir.path(), argv);
        EXPECT_EQ(run.exitStatus, 1) << argv[0];
        EXPECT_EQ(run.err,
                  argv[0] + ": cannot seed the simulated Mac at " + dir.path() + ": Not a directory\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST(LendmodeSimTool, StatusShowsTheOwnersSettings) {
    TempMac t;
    const auto run = runTool(t.root(), {"lendmode-sim", "status"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_NE(run.out.find("Hot corner, top left      Mission Control (Option)"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Dock position             left"), std::string::npos);
    EXPECT_NE(run.out.find("Appearance                Dark"), std::string::npos);
    EXPECT_NE(run.out.find("Natural scrolling         on"), std::string::npos);
    EXPECT_NE(run.out.find("Focus                     off"), std::string::npos);
    EXPECT_NE(run.out.find("Sound                     on, volume 50"), std::string::npos);
}

TEST(LendmodeSimTool, AutomationAccessibilityAndCatalogueCanBeChangedByHand) {
    TempMac t;
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "automation", "deny", "System Events"}).exitStatus, 0);
    EXPECT_FALSE(t.mac().automationAllowed("System Events"));
    EXPECT_TRUE(t.mac().accessibilityAllowed());
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "accessibility", "deny"}).exitStatus, 0);
    EXPECT_FALSE(t.mac().accessibilityAllowed());
    const std::string status = runTool(t.root(), {"lendmode-sim", "status"}).out;
    const std::size_t row = status.find("\nAccessibility ");
    ASSERT_NE(row, std::string::npos);
    EXPECT_EQ(status.substr(status.find_first_not_of(' ', row + 14), 8), "refused\n");
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "accessibility", "maybe"}).exitStatus, 2);
    EXPECT_EQ(
        runTool(t.root(), {"lendmode-sim", "add-app", "/Applications/Chess 2.app", "com.example.chess2"})
            .exitStatus,
        0);
    EXPECT_TRUE(t.mac().findApp("Chess 2").has_value());
    EXPECT_NE(runTool(t.root(), {"lendmode-sim", "bogus"}).exitStatus, 0);
}

// The rows that follow the release: Do Not Disturb from 11, the settings application's
// name from 13.
TEST(LendmodeSimTool, StatusNamesWhatTheReleaseHas) {
    TempMac t(sim::kOldestMacOS);
    const auto row = [&](const std::string& name) {
        const std::string status = runTool(t.root(), {"lendmode-sim", "status"}).out;
        const std::size_t at = status.find("\n" + name + "  ");
        if (at == std::string::npos) return std::string("(no row)");
        const std::size_t value = status.find_first_not_of(' ', at + 1 + name.size());
        return status.substr(value, status.find('\n', value) - value);
    };
    ASSERT_TRUE(t.mac().setSystemPreferencesPane("com.apple.preference.dock"));
    EXPECT_EQ(row("Do Not Disturb"), "off");
    EXPECT_EQ(row("System Preferences"), "open at com.apple.preference.dock");
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "macos", "11"}).exitStatus, 0);
    EXPECT_EQ(row("Do Not Disturb"), "n/a (the key has no effect from macOS 11)");
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "macos", "13"}).exitStatus, 0);
    EXPECT_EQ(row("System Settings"), "open at com.apple.preference.dock");
    EXPECT_EQ(row("System Preferences"), "(no row)");
    EXPECT_NE(row("Running").find("System Settings"), std::string::npos);

    // The owner's answers: asked targets, and a default browser that waits.
    EXPECT_EQ(row("Automation asked"), "nobody yet");
    ASSERT_TRUE(t.mac().startHidden("System Events"));
    t.mac().askAutomation("System Events", true);
    EXPECT_EQ(row("Automation asked"), "System Events");
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "automation", "reset"}).exitStatus, 0);
    EXPECT_EQ(row("Automation asked"), "nobody yet");

    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "browser-answer", "later"}).exitStatus, 0);
    t.mac().requestDefaultHandler("https", "com.apple.Safari");
    EXPECT_EQ(row("Browser answer"), "later (the dialog stays up)");
    EXPECT_EQ(row("Browser pending"), "https: com.apple.Safari");
    EXPECT_EQ(row("Browser confirmations"), "1 asked");
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "browser-answer", "use"}).exitStatus, 0);
    EXPECT_EQ(row("Browser pending"), "none");
    EXPECT_EQ(t.mac().defaultHandler("https"), "com.apple.Safari");
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "browser-answer", "maybe"}).exitStatus, 2);
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "automation", "reset", "Chess"}).exitStatus, 2);

    const std::string help = runTool(t.root(), {"lendmode-sim", "help"}).err;
    for (const char* command : {"automation reset", "browser-answer use|keep|later"})
        EXPECT_NE(help.find(command), std::string::npos) << command;
}

// A new simulated Mac is today's macOS; the version set by hand is the one sw_vers
// reports, in the real tool's form; a text that names no release changes nothing.
TEST(LendmodeSimTool, TheMacOSVersionIsSetByHandAndReportedBySwVers) {
    TempMac t;
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "macos"}).out, "26.0\n");
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "macos", "10.14"}).exitStatus, 0);
    EXPECT_EQ(runTool(t.root(), {"sw_vers"}).out,
              "ProductName:\tMac OS X\nProductVersion:\t10.14\nBuildVersion:\t18A100\n");
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "macos", "14.5"}).exitStatus, 0);
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "macos"}).out, "14.5\n");
    EXPECT_EQ(runTool(t.root(), {"sw_vers"}).out,
              "ProductName:\t\tmacOS\nProductVersion:\t\t14.5\nBuildVersion:\t\t23F100\n");
    EXPECT_EQ(runTool(t.root(), {"sw_vers", "-productVersion"}).out, "14.5\n");
    EXPECT_EQ(runTool(t.root(), {"sw_vers", "-productName"}).out, "macOS\n");
    EXPECT_NE(runTool(t.root(), {"sw_vers", "-bogus"}).exitStatus, 0);

    for (const char* notARelease : {"16", "25", "10", "10.13", "28", "14.x", "14.5.1.2", "", "0x1A"}) {
        const auto run = runTool(t.root(), {"lendmode-sim", "macos", notARelease});
        EXPECT_EQ(run.exitStatus, 2) << notARelease;
        EXPECT_FALSE(run.err.empty()) << notARelease;
    }
    for (const char* release : {"10.14", "10.15.7", "11", "12.6", "13", "15.1", "26", "26.0.1", "27"})
        EXPECT_TRUE(sim::MacOSVersion::parse(release)) << release;
    EXPECT_EQ(t.mac().macOSVersion().text(), "14.5");
    EXPECT_EQ(sim::MacOSVersion::parse("26.1")->buildVersion(), "25B100");
}

// Focus changes only by running a Shortcut that switches it; before 12 there is no
// shortcuts tool and no Focus.
// Latency and unsaved documents set by hand, and what the status table shows of them.
TEST(LendmodeSimTool, LatencyAndUnsavedDocumentsAreSetByHandAndShown) {
    TempMac t;
    const auto status = [&] { return runTool(t.root(), {"lendmode-sim", "status"}).out; };
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "latency"}).out, "none\n") << "a new Mac";
    EXPECT_NE(status().find("\nLatency                   none\n"), std::string::npos);
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "latency", "realistic"}).exitStatus, 0);
    EXPECT_EQ(t.mac().latency(), sim::Latency::Realistic);
    EXPECT_NE(status().find("\nLatency                   realistic\n"), std::string::npos);
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "latency", "slow"}).exitStatus, 2);
    plist::Dictionary state = t.mac().state();
    state.erase("latency");
    ASSERT_TRUE(plist::writeFile(t.root() + "/system/state.plist", plist::Value(std::move(state))));
    EXPECT_EQ(t.mac().latency(), sim::Latency::None) << "a Mac seeded before latency was kept";

    const auto chess = runTool(t.root(), {"lendmode-sim", "app", "Chess", "unsaved"});
    EXPECT_EQ(chess.exitStatus, 2);
    EXPECT_EQ(chess.err, "lendmode-sim: Chess is not running; nothing changed\n");
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "app", "Slack", "unsaved"}).exitStatus, 0);
    EXPECT_NE(status().find(", Slack (unsaved), Spotify\n"), std::string::npos) << status();
    const auto notAsking = runTool(t.root(), {"lendmode-sim", "app", "Slack", "answer", "save"});
    EXPECT_EQ(notAsking.exitStatus, 2);
    EXPECT_EQ(notAsking.err, "lendmode-sim: Slack is not asking whether to save; nothing changed\n");
    EXPECT_TRUE(t.mac().isRunning("Slack"));
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "app", "Slack", "answer", "maybe"}).exitStatus, 2);

    const std::string help = runTool(t.root(), {"lendmode-sim", "help"}).err;
    for (const char* command :
         {"latency [realistic|none]", "app NAME unsaved", "app NAME answer save|discard|cancel"})
        EXPECT_NE(help.find(command), std::string::npos) << command;
}

// With realistic latency each tool takes at least its figure, in its own process;
// with none the same runs together take less than the figures add up to.
TEST(ToolLatency, RealisticToolsTakeAtLeastTheirFiguresAndNoneDoesNot) {
    namespace latency = sim::latency;
    using std::chrono::milliseconds;
    const std::pair<const char*, milliseconds> runs[] = {
        {"defaults read com.apple.dock orientation", latency::kCommandLineTool.time},
        {"sw_vers -productVersion", latency::kCommandLineTool.time},
        {"mdfind kind:application", latency::kMdfindQuery.time},
        {"killall Slack", latency::kCommandLineTool.time},
        {"killall Dock", latency::kCommandLineTool.time + latency::kSystemProcessRestart.time},
        {"killall Finder", latency::kCommandLineTool.time + latency::kSystemProcessRestart.time},
        {"pmset -g", latency::kCommandLineTool.time},
        {"pmset displaysleepnow", latency::kCommandLineTool.time + latency::kScreenLock.time},
        {"caffeinate -t 0", latency::kCommandLineTool.time},
        {"open -a Chess", latency::kCommandLineTool.time + latency::kApplicationLaunch.time},
        {"shortcuts list", latency::kShortcutsRun.time},
        {"osascript -e 'return 1'", latency::kOsascriptStart.time},
    };
    TempMac slow;
    ASSERT_TRUE(slow.mac().setLatency(sim::Latency::Realistic));
    TempMac quick;
    milliseconds figures(0);
    std::chrono::steady_clock::duration quickTotal{};
    for (const auto& [command, least] : runs) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(runShell(slow.root(), command).exitStatus, 0) << command;
        EXPECT_GE(std::chrono::steady_clock::now() - start, least) << command;
        start = std::chrono::steady_clock::now();
        EXPECT_EQ(runShell(quick.root(), command).exitStatus, 0) << command;
        quickTotal += std::chrono::steady_clock::now() - start;
        figures += least;
    }
    EXPECT_LT(quickTotal, figures);
}

// The assertion lives as long as caffeinate: entered with its flags, taken away when
// it is ended or what it waits for ends; a kill -9 leaves an entry nobody counts.
TEST(CaffeinateTool, HoldsItsAssertionWhileItRunsAndNoLonger) {
    TempMac t;
    const auto row = [&t] { return statusRow(t.mac(), "Keep awake"); };
    EXPECT_EQ(row(), "no assertion");

    const pid_t waited = startCaffeinate(t.root(), {"-t", "30"});
    ASSERT_GT(waited, 0);
    const pid_t holder = startCaffeinate(t.root(), {"-di", "-w", std::to_string(waited)});
    ASSERT_GT(holder, 0);
    EXPECT_EQ(t.mac().process(holder)->assertions, "-d -i -w " + std::to_string(waited));
    EXPECT_EQ(row(), "caffeinate -i -t 30, caffeinate -d -i -w " + std::to_string(waited));
    const std::string settings = runTool(t.root(), {"pmset", "-g"}).out;
    EXPECT_NE(settings.find(" displaysleep         10 (display sleep prevented by caffeinate)"),
              std::string::npos)
        << settings;

    ::kill(waited, SIGTERM);
    EXPECT_EQ(exitOf(waited), 0);
    EXPECT_EQ(exitOf(holder), 0) << "-w ends it with the process it waits for";
    EXPECT_EQ(row(), "no assertion");
    EXPECT_FALSE(t.mac().isRunning("caffeinate"));

    const pid_t killed = startCaffeinate(t.root(), {"-s"});
    ASSERT_GT(killed, 0);
    EXPECT_EQ(row(), "caffeinate -s");
    ::kill(killed, SIGKILL);
    exitOf(killed);
    EXPECT_TRUE(t.mac().process(killed)) << "a kill -9 leaves the entry";
    EXPECT_EQ(row(), "no assertion");
    EXPECT_EQ(statusRow(t.mac(), "Running").find("caffeinate"), std::string::npos);
}

TEST(CaffeinateTool, RunsAUtilityWithItsStatusAndEndsWithKillall) {
    TempMac t;
    const auto run =
        runShell(t.root(), "caffeinate -i sh -c 'lendmode-sim status | grep \"^Keep awake\"; exit 3'");
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_NE(run.out.find("caffeinate -i\n"), std::string::npos) << run.out;
    EXPECT_EQ(statusRow(t.mac(), "Keep awake"), "no assertion");

    const pid_t held = startCaffeinate(t.root(), {});
    ASSERT_GT(held, 0);
    EXPECT_EQ(runTool(t.root(), {"killall", "caffeinate"}).exitStatus, 0);
    EXPECT_EQ(exitOf(held), 0);
    EXPECT_EQ(runTool(t.root(), {"caffeinate", "-x"}).exitStatus, 1);
}

// The display's sleep locks the screen only when a password is asked at once; the
// owner unlocks it by hand.
TEST(PmsetTool, DisplaySleepLocksWhenAPasswordIsRequiredAndTheOwnerUnlocks) {
    TempMac t;
    EXPECT_EQ(statusRow(t.mac(), "Screen"), "unlocked");
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "password-after-sleep", "off"}).exitStatus, 0);
    ASSERT_EQ(runTool(t.root(), {"pmset", "displaysleepnow"}).exitStatus, 0);
    EXPECT_EQ(statusRow(t.mac(), "Screen"), "unlocked");
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "password-after-sleep", "on"}).exitStatus, 0);
    ASSERT_EQ(runTool(t.root(), {"pmset", "displaysleepnow"}).exitStatus, 0);
    EXPECT_EQ(statusRow(t.mac(), "Screen"), "locked");
    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "unlock"}).exitStatus, 0);
    EXPECT_FALSE(t.mac().screenLocked());
    const auto settings = runTool(t.root(), {"pmset", "-g"});
    EXPECT_EQ(settings.exitStatus, 0);
    EXPECT_NE(settings.out.find(" sleep                1\n"), std::string::npos) << settings.out;
    EXPECT_NE(runTool(t.root(), {"pmset", "sleepnow"}).exitStatus, 0);
}

TEST(ShortcutsTool, RunsTheOwnersShortcutsFrom12OnAndIsMissingBefore) {
    TempMac t(sim::kOldestMacOS);
    ASSERT_EQ(
        runTool(t.root(), {"lendmode-sim", "shortcut", "add", "Lendmode Focus On", "focus-on"}).exitStatus,
        0);
    ASSERT_EQ(
        runTool(t.root(), {"lendmode-sim", "shortcut", "add", "Lendmode Focus Off", "focus-off"}).exitStatus,
        0);
    EXPECT_EQ(runShell(t.root(), "shortcuts list").exitStatus, 127) << "10.14 has no shortcuts tool";
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "status"}).out.find("\nFocus "), std::string::npos);

    ASSERT_EQ(runTool(t.root(), {"lendmode-sim", "macos", "12"}).exitStatus, 0);
    EXPECT_EQ(runTool(t.root(), {"shortcuts", "list"}).out, "Lendmode Focus Off\nLendmode Focus On\n");
    EXPECT_FALSE(t.mac().focusOn());
    EXPECT_EQ(runShell(t.root(), "shortcuts run 'Lendmode Focus On'").exitStatus, 0);
    EXPECT_TRUE(t.mac().focusOn());
    EXPECT_NE(runTool(t.root(), {"lendmode-sim", "status"}).out.find("\nFocus "), std::string::npos);
    const auto missing = runTool(t.root(), {"shortcuts", "run", "Nope"});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_FALSE(missing.err.empty());
    EXPECT_TRUE(t.mac().focusOn());
    EXPECT_EQ(runTool(t.root(), {"shortcuts", "run", "Lendmode Focus Off"}).exitStatus, 0);
    EXPECT_FALSE(t.mac().focusOn());
    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "shortcut", "add", "X", "focus-maybe"}).exitStatus, 2);
}

TEST(SimStatus, HotCornerNamesFollowTheDock) {
    EXPECT_EQ(sim::hotCornerActionName(13), "Lock Screen");
    EXPECT_EQ(sim::hotCornerActionName(1), "none");
    EXPECT_EQ(sim::hotCornerModifierName(131072 | 1048576), "Shift+Command");
}
