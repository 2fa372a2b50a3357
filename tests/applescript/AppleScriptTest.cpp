// The AppleScript interpreter, in process, against fresh simulated Macs.
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/SimAppleScriptRunner.h"
#include "sim/Latency.h"
#include "sim/LaunchAnnouncer.h"
#include "sim/applescript/AppleScript.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace std::string_literals;
using sim::applescript::Error;
using sim::applescript::Outcome;

// The texts the program sends, exactly.
const std::string kQuitPreferencesIfRunning =
    "if application \"System Preferences\" is running then\n"
    " quit application \"System Preferences\"\n"
    " end if\n";
const std::string kDefaultsWriteLine =
    "do shell script \"defaults write NSGlobalDomain com.apple.swipescrolldirection -bool false\"\n";
const std::string kRevealLines[] = {
    "tell application \"System Preferences\"\n",
    "reveal anchor \"trackpadTab\" of pane id \"com.apple.preference.trackpad\"\n",
    "end tell\n",
};
const std::string kClickLines[] = {
    "tell application \"System Events\" to tell process \"System Preferences\"\n",
    "click checkbox 1 of tab group 1 of window 1\n",
    "end tell\n",
};
const std::string kQuitPreferences = "quit application \"System Preferences\"\n";
const std::string kQuitChessIfRunning =
    "if application \"Chess\" is running then\n"
    " quit application \"Chess\"\n"
    " return 1\n"
    " end if\n"
    " return 0\n";
const std::string kActivateChessIfNotRunning =
    "if application \"Chess\" is not running then\n"
    " tell application \"Chess\"\n"
    " activate\n"
    " end tell\n"
    " end if\n";

std::string indented(const std::string* lines, std::size_t count, std::size_t spaces) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += std::string(spaces, ' ') + lines[i];
    return text;
}

// The scroll piece as the program sends it, with or without its `defaults` line.
std::string scrollPiece(std::size_t indent, bool withDefaults) {
    std::string text = withDefaults ? std::string(indent, ' ') + kDefaultsWriteLine : std::string();
    text += indented(kRevealLines, 3, indent);
    text += indented(kClickLines, 3, indent);
    return text;
}

// Counts the reads and the replacements of a simulated Mac's state file while it lives.
class StateFileWatch {
public:
    explicit StateFileWatch(const sim::SimMac& mac) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        // Opens are watched too, so that back-to-back reads do not merge into one event.
        ::inotify_add_watch(fd_, (mac.root() + "/system").c_str(), IN_OPEN | IN_CLOSE_NOWRITE | IN_MOVED_TO);
    }
    ~StateFileWatch() { ::close(fd_); }
    StateFileWatch(const StateFileWatch&) = delete;
    StateFileWatch& operator=(const StateFileWatch&) = delete;

    struct Counts {
        int reads = 0, writes = 0;
        bool operator==(const Counts&) const = default;
        friend std::ostream& operator<<(std::ostream& out, const Counts& c) {
            return out << c.reads << " reads, " << c.writes << " writes";
        }
    };
    // The counts since the previous call.
    Counts take() {
        Counts counts;
        alignas(inotify_event) char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd_, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && std::string(event->name) == "state.plist") {
                    counts.reads += (event->mask & IN_CLOSE_NOWRITE) ? 1 : 0;
                    counts.writes += (event->mask & IN_MOVED_TO) ? 1 : 0;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return counts;
    }

private:
    int fd_;
};

class AppleScriptTest : public ::testing::Test {
protected:
    const sim::SimMac& mac() const { return temp_.mac(); }
    Outcome run(const std::string& source) const { return sim::applescript::run(source, mac()); }

    const plist::Value* domainValue(const char* domain, const char* key) {
        read_ = mac().readDomain(domain).value_or(plist::Dictionary{});
        auto it = read_.find(key);
        return it == read_.end() ? nullptr : &it->second;
    }
    void setGlobal(const char* key, plist::Value value) const {
        mac().updateDomain("NSGlobalDomain", false, [&](plist::Dictionary& d) {
            d[key] = value;
            return true;
        });
    }
    std::optional<bool> naturalScrolling() {
        const plist::Value* v = domainValue("NSGlobalDomain", "com.apple.swipescrolldirection");
        return v && v->isBoolean() ? std::optional<bool>(v->boolean()) : std::nullopt;
    }
    int processCount(const std::string& name) const {
        int n = 0;
        for (const sim::Process& p : mac().processes()) n += p.name == name ? 1 : 0;
        return n;
    }
    void expectError(const Outcome& outcome, Error::Kind kind, int number) const {
        ASSERT_TRUE(outcome.error) << "expected an error";
        EXPECT_EQ(outcome.error->kind, kind) << outcome.error->describe();
        EXPECT_EQ(outcome.error->number, number) << outcome.error->describe();
    }

private:
    // The Mac the scripts were first written for; other releases are set by the tests.
    testing_support::TempMac temp_{sim::kOldestMacOS};
    plist::Dictionary read_;
};

// ---- The program's scripts ----

TEST_F(AppleScriptTest, QuitSystemPreferencesPrologueQuitsItOnlyWhenRunning) {
    Outcome idle = run(kQuitPreferencesIfRunning);
    EXPECT_TRUE(idle.ok()) << idle.error->describe();
    EXPECT_FALSE(idle.result);

    mac().setSystemPreferencesPane("com.apple.preference.dock");
    ASSERT_TRUE(mac().isRunning("System Preferences"));
    EXPECT_TRUE(run(kQuitPreferencesIfRunning).ok());
    EXPECT_FALSE(mac().isRunning("System Preferences"));
    EXPECT_FALSE(mac().systemPreferencesPane());

    mac().setSystemPreferencesPane("com.apple.preference.dock");
    EXPECT_TRUE(run(kQuitPreferences).ok());
    EXPECT_FALSE(mac().isRunning("System Preferences"));
    EXPECT_TRUE(run(kQuitPreferences).ok()) << "quitting it again does nothing";
}

TEST_F(AppleScriptTest, RevealAndClickPieceAppliesNaturalScrolling) {
    for (std::size_t indent : {13u, 24u}) {
        SCOPED_TRACE(indent);
        setGlobal("com.apple.swipescrolldirection", false);  // what `defaults write` would leave
        Outcome reveal = run(indented(kRevealLines, 3, indent));
        ASSERT_TRUE(reveal.ok()) << reveal.error->describe();
        EXPECT_EQ(mac().systemPreferencesPane(), "com.apple.preference.trackpad");

        Outcome click = run(indented(kClickLines, 3, indent));
        ASSERT_TRUE(click.ok()) << click.error->describe();
        EXPECT_EQ(naturalScrolling(), true);
        EXPECT_TRUE(mac().naturalScrollingInEffect()) << "a click applies at once";
        mac().setSystemPreferencesPane(std::nullopt);
    }
}

// A written key waits for the next login; what a click did stays in effect until then.
TEST_F(AppleScriptTest, AWrittenScrollKeyTakesEffectOnlyAtTheNextLogin) {
    ASSERT_TRUE(mac().naturalScrollingInEffect());
    setGlobal("com.apple.swipescrolldirection", false);
    EXPECT_FALSE(mac().naturalScrollingStored());
    EXPECT_TRUE(mac().naturalScrollingInEffect());
    ASSERT_TRUE(mac().login());
    EXPECT_FALSE(mac().naturalScrollingInEffect());
}

TEST_F(AppleScriptTest, ScrollScriptWithPrologueAndEpilogueLeavesPreferencesClosed) {
    mac().setSystemPreferencesPane("com.apple.preference.general");
    setGlobal("com.apple.swipescrolldirection", true);
    Outcome outcome = run(kQuitPreferencesIfRunning + scrollPiece(24, false) + kQuitPreferences);
    ASSERT_TRUE(outcome.ok()) << outcome.error->describe();
    EXPECT_EQ(naturalScrolling(), false);
    EXPECT_FALSE(mac().isRunning("System Preferences"));
}

TEST_F(AppleScriptTest, FullScrollScriptWritesThroughTheDefaultsTool) {
    const std::string tool = testing_support::toolsDirectory() + "/defaults";
    const bool ready = ::access(tool.c_str(), X_OK) == 0 && [&] {
        const testing_support::ToolRun read =
            testing_support::runTool(mac().root(), {"defaults", "read", "-g"});
        return read.exitStatus == 0 && !read.out.empty();
    }();
    if (!ready) GTEST_SKIP() << "the defaults stand-in is not built yet";
    ::setenv("LENDMODE_SIM_TOOLS", testing_support::toolsDirectory().c_str(), 1);

    for (std::size_t indent : {13u, 24u}) {
        SCOPED_TRACE(indent);
        setGlobal("com.apple.swipescrolldirection", true);
        Outcome outcome = run(std::string(kQuitPreferencesIfRunning)
                                  .append(scrollPiece(indent, true))
                                  .append(kQuitPreferences));
        ASSERT_TRUE(outcome.ok()) << outcome.error->describe();
        // `defaults` wrote false, then the checkbox flipped it on and applied it.
        EXPECT_EQ(naturalScrolling(), true);
        EXPECT_FALSE(mac().isRunning("System Preferences"));
    }
}

TEST_F(AppleScriptTest, SystemEventsDockAndAppearance) {
    ASSERT_TRUE(
        run("tell application \"System Events\" to tell dock preferences to set the autohide to false\n")
            .ok());
    EXPECT_EQ(*domainValue("com.apple.dock", "autohide"), plist::Value(false));
    ASSERT_TRUE(
        run("tell application \"System Events\" to tell dock preferences to set autohide to true\n").ok());
    EXPECT_EQ(*domainValue("com.apple.dock", "autohide"), plist::Value(true));

    for (const char* edge : {"bottom", "right", "left"}) {
        Outcome o =
            run(std::string(
                    "tell application \"System Events\" to tell dock preferences to set screen edge to ") +
                edge + "\n");
        ASSERT_TRUE(o.ok()) << o.error->describe();
        EXPECT_EQ(*domainValue("com.apple.dock", "orientation"), plist::Value(edge));
    }
    EXPECT_EQ(*domainValue("com.apple.dock", "tilesize"), plist::Value(48)) << "other Dock keys stay";

    setGlobal("AppleInterfaceStyleSwitchesAutomatically", true);
    ASSERT_TRUE(
        run("tell application \"System Events\" to tell appearance preferences to set dark mode to false\n")
            .ok());
    EXPECT_EQ(domainValue("NSGlobalDomain", "AppleInterfaceStyle"), nullptr);
    EXPECT_EQ(domainValue("NSGlobalDomain", "AppleInterfaceStyleSwitchesAutomatically"), nullptr);

    setGlobal("AppleInterfaceStyleSwitchesAutomatically", true);
    ASSERT_TRUE(
        run("tell application \"System Events\" to tell appearance preferences to set dark mode to true\n")
            .ok());
    EXPECT_EQ(*domainValue("NSGlobalDomain", "AppleInterfaceStyle"), plist::Value("Dark"));
    EXPECT_EQ(domainValue("NSGlobalDomain", "AppleInterfaceStyleSwitchesAutomatically"), nullptr);
    EXPECT_EQ(*domainValue("NSGlobalDomain", "AppleLocale"), plist::Value("en_GB"))
        << "other global keys stay";
}

// Standard Additions' volume commands need no tell block; in one they go to its target.
TEST_F(AppleScriptTest, SetVolumeMutesTheOutputAndVolumeSettingsReadIt) {
    const std::pair<const char*, plist::Value> reads[] = {
        {"return output muted of (get volume settings)", plist::Value(false)},
        {"return output volume of (get volume settings)", plist::Value(50LL)},
        {"set volume output muted true\nreturn output muted of (get volume settings)", plist::Value(true)},
        {"tell application \"System Events\" to set volume output muted false\n"
         "output muted of (get volume settings)",
         plist::Value(false)},
    };
    for (const auto& [script, expected] : reads) {
        const Outcome outcome = run(script);
        ASSERT_TRUE(outcome.ok()) << script << ": " << outcome.error->describe();
        EXPECT_EQ(outcome.result, expected) << script;
    }
    const Outcome all = run("get volume settings");
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(sim::applescript::formatResult(*all.result),
              "alert volume:100, input volume:75, output muted:false, output volume:50");
    EXPECT_EQ(mac().automationAsked(), std::vector<std::string>{"System Events"})
        << "only the command in a tell block is an event";
    expectError(run("return output muted of 3"), Error::Kind::Syntax, -2741);
}

TEST_F(AppleScriptTest, QuitChessIfRunningAnswersOneOrZero) {
    Outcome notRunning = run(kQuitChessIfRunning);
    ASSERT_TRUE(notRunning.ok());
    EXPECT_EQ(notRunning.result, plist::Value(0));

    for (const char* app : {"Slack", "Spotify"}) {
        std::string script = kQuitChessIfRunning;
        for (std::size_t at; (at = script.find("Chess")) != std::string::npos;) script.replace(at, 5, app);
        Outcome running = run(script);
        ASSERT_TRUE(running.ok());
        EXPECT_EQ(running.result, plist::Value(1)) << app;
        EXPECT_FALSE(mac().isRunning(app));
    }
}

TEST_F(AppleScriptTest, ActivateChessIfNotRunningLaunchesItOnce) {
    ASSERT_FALSE(mac().isRunning("Chess"));
    ASSERT_TRUE(run(kActivateChessIfNotRunning).ok());
    EXPECT_TRUE(mac().isRunning("Chess"));
    ASSERT_TRUE(run(kActivateChessIfNotRunning).ok());
    ASSERT_TRUE(run("tell application \"Chess\" to activate").ok());
    EXPECT_EQ(processCount("Chess"), 1);
}

// From 13 the settings application is System Settings: the old name still reaches it,
// but its panes and its window are new, so the program's scroll piece fails there.
TEST_F(AppleScriptTest, TheSettingsScriptsWorkUpTo12AndFailFrom13) {
    const std::string reveal = indented(kRevealLines, 3, 0);
    const std::string click = indented(kClickLines, 3, 0);
    const std::string barePane = "tell application \"System Preferences\" to reveal pane id \"" +
                                 std::string("com.apple.preference.trackpad") + "\"";
    for (const char* release : {"10.14", "12", "13", "26"}) {
        SCOPED_TRACE(release);
        ASSERT_TRUE(mac().setMacOSVersion(*sim::MacOSVersion::parse(release)));
        setGlobal("com.apple.swipescrolldirection", true);
        ASSERT_TRUE(mac().login());
        const bool settings = sim::MacOSVersion::parse(release)->major >= 13;
        const std::vector<Outcome> outcomes{run(reveal), run(barePane), run(click)};
        if (!settings) {
            for (const Outcome& o : outcomes) EXPECT_TRUE(o.ok()) << o.error->describe();
            EXPECT_FALSE(mac().naturalScrollingInEffect());
            EXPECT_TRUE(mac().isRunning("System Preferences"));
        } else {
            const std::pair<int, std::string> expected[] = {
                {-1728,
                 "System Settings got an error: Can’t get anchor \"trackpadTab\" of pane id "
                 "\"com.apple.preference.trackpad\"."},
                {-1728, "System Settings got an error: Can’t get pane id \"com.apple.preference.trackpad\"."},
                {-1728, "System Events got an error: Can’t get process \"System Preferences\"."},
            };
            for (std::size_t i = 0; i < outcomes.size(); ++i) {
                expectError(outcomes[i], Error::Kind::Execution, expected[i].first);
                EXPECT_EQ(outcomes[i].error->message, expected[i].second);
            }
            // Its own panes reveal, yet its window has no checkbox to click.
            ASSERT_TRUE(run("tell application \"System Preferences\" to reveal pane id "
                            "\"com.apple.Trackpad-Settings.extension\"")
                            .ok());
            EXPECT_TRUE(mac().isRunning("System Settings"));
            expectError(run("tell application \"System Events\" to tell process \"System Settings\" to click "
                            "checkbox 1 of tab group 1 of window 1"),
                        Error::Kind::Execution, -1719);
            EXPECT_TRUE(mac().naturalScrollingInEffect()) << "nothing scriptable changes it";
            EXPECT_EQ(naturalScrolling(), true);
        }
        // The prologue finds it by its old name and quits it.
        EXPECT_EQ(run("if application \"System Preferences\" is running then return 1").result,
                  plist::Value(1));
        ASSERT_TRUE(run(kQuitPreferencesIfRunning).ok());
        EXPECT_FALSE(mac().systemPreferencesPane());
        EXPECT_FALSE(mac().isRunning("System Settings") || mac().isRunning("System Preferences"));
    }
    mac().setAutomationAllowed("System Preferences", false);
    EXPECT_EQ(run(reveal).error->message, "Not authorized to send Apple events to System Settings.");
    ASSERT_TRUE(mac().setMacOSVersion(*sim::MacOSVersion::parse("12")));
    EXPECT_EQ(run("quit application \"System Settings\"").error->message,
              "Can’t get application \"System Settings\".")
        << "no such application before 13";
}

// ---- Statements ----

TEST_F(AppleScriptTest, QuitAndActivateOfUnknownApplicationsFailAtRunTime) {
    Outcome quit = run("quit application \"NoSuchApp\"");
    expectError(quit, Error::Kind::Execution, -1728);
    EXPECT_EQ(quit.error->message, "Can’t get application \"NoSuchApp\".");
    EXPECT_EQ(quit.error->describe(), "0:28: execution error: Can’t get application \"NoSuchApp\". (-1728)");

    Outcome activate = run("tell application \"NoSuchApp\"\n  activate\nend tell\n");
    expectError(activate, Error::Kind::Execution, -1728);
    EXPECT_EQ(activate.error->start, 31u);
    EXPECT_EQ(activate.error->end, 39u);

    EXPECT_TRUE(run("quit application \"Chess\"").ok()) << "installed but not running: nothing to do";
    EXPECT_TRUE(run("if application \"NoSuchApp\" is running then return 1\nreturn 0").ok());
    EXPECT_EQ(run("if application \"NoSuchApp\" is not running then return 1\nreturn 0").result,
              plist::Value(1));
}

TEST_F(AppleScriptTest, ConditionsAndBranches) {
    const auto result = [&](const std::string& s) {
        Outcome o = run(s);
        EXPECT_TRUE(o.ok()) << s << "\n" << (o.error ? o.error->describe() : "");
        return o.result;
    };
    EXPECT_EQ(result("if application \"Slack\" is running then\nreturn 1\nelse\nreturn 2\nend if"),
              plist::Value(1));
    EXPECT_EQ(result("if application \"Chess\" is running then\nreturn 1\nelse\nreturn 2\nend if"),
              plist::Value(2));
    EXPECT_EQ(
        result("if application \"Chess\" is running then\nreturn 1\nelse if application \"Slack\" is running "
               "then\nreturn 2\nelse\nreturn 3\nend if"),
        plist::Value(2));
    EXPECT_EQ(result("if not (application \"Slack\" is not running) then return \"yes\""),
              plist::Value("yes"));
    EXPECT_EQ(result("if running of app \"Spotify\" then return true\nreturn false"), plist::Value(true));
    EXPECT_EQ(result("if false then return 1"), std::nullopt);
    EXPECT_FALSE(mac().isRunning("Chess")) << "asking does not launch";
}

TEST_F(AppleScriptTest, ReturnEndsTheScriptWithItsValue) {
    EXPECT_EQ(run("return -42").result, plist::Value(-42));
    EXPECT_EQ(run("return \"a \\\"b\\\" \\\\ c\\n\\td\\r\"").result, plist::Value("a \"b\" \\ c\n\td\r"));
    EXPECT_EQ(run("return false").result, plist::Value(false));
    EXPECT_EQ(run("return").result, std::nullopt);

    Outcome early =
        run("tell application \"Chess\"\nreturn 5\nactivate\nend tell\nquit application \"Slack\"");
    EXPECT_EQ(early.result, plist::Value(5));
    EXPECT_FALSE(mac().isRunning("Chess"));
    EXPECT_TRUE(mac().isRunning("Slack"));

    EXPECT_FALSE(run("quit application \"Chess\"").result) << "quit has no result";
}

TEST_F(AppleScriptTest, ListsAndRealsAreResults) {
    using plist::Array;
    EXPECT_EQ(run("return {1, { -2.5 , \"b\"}, {}}").result,
              plist::Value(Array{1, Array{-2.5, "b"}, Array{}}));
    EXPECT_EQ(run("return {1.5E+3, 2e-3}").result, plist::Value(Array{1500.0, 0.002}));
    // The in-process runner hands a list over item by item.
    platform::simulated::SimAppleScriptRunner runner(std::make_shared<const sim::SimMac>(mac().root()));
    EXPECT_EQ(runner.execute("return {\"a\", 2, 1.5}"), (std::vector<std::string>{"a", "2", "1.5"}));
}

TEST_F(AppleScriptTest, DoShellScriptReturnsOutputAndReportsFailures) {
    EXPECT_EQ(run("do shell script \"printf 'a\\\\n\\\\n'\"").result, plist::Value("a\n"))
        << "only one trailing line feed goes";
    EXPECT_EQ(run("do shell script \"echo hi\"\nreturn 7").result, plist::Value(7));

    // The shell sees the simulated Mac's home.
    Outcome write = run("do shell script \"echo kept > \\\"$HOME/out file.txt\\\"\"");
    ASSERT_TRUE(write.ok()) << write.error->describe();
    EXPECT_EQ(testing_support::readTextFile(mac().home() + "/out file.txt"), "kept\n");

    Outcome loud = run("do shell script \"echo broken; exit 3\"");
    expectError(loud, Error::Kind::Execution, 3);
    EXPECT_EQ(loud.error->message, "broken");
    Outcome quiet = run("do shell script \"exit 4\"");
    expectError(quiet, Error::Kind::Execution, 4);
    EXPECT_EQ(quiet.error->message, "The command exited with a non-zero status.");
}

TEST_F(AppleScriptTest, TellsComposeAndAddressTheToldObject) {
    Outcome nested =
        run("tell application \"System Events\"\n"
            "    tell dock preferences\n"
            "        set the autohide to false\n"
            "    end tell\n"
            "    set screen edge of dock preferences to right\n"
            "    tell appearance preferences to set dark mode to false\n"
            "    tell application \"Chess\" to activate\n"
            "end tell\n");
    ASSERT_TRUE(nested.ok()) << nested.error->describe();
    EXPECT_EQ(*domainValue("com.apple.dock", "autohide"), plist::Value(false));
    EXPECT_EQ(*domainValue("com.apple.dock", "orientation"), plist::Value("right"));
    EXPECT_EQ(domainValue("NSGlobalDomain", "AppleInterfaceStyle"), nullptr);
    EXPECT_TRUE(mac().isRunning("Chess"));

    ASSERT_TRUE(run("tell application \"Chess\" to quit").ok());
    EXPECT_FALSE(mac().isRunning("Chess"));

    mac().setSystemPreferencesPane("com.apple.preference.trackpad");
    Outcome oneLine =
        run("tell application \"System Events\" to tell process \"System Preferences\" to click "
            "checkbox 1 of tab group 1 of window \"Trackpad\"");
    ASSERT_TRUE(oneLine.ok()) << oneLine.error->describe();
    EXPECT_EQ(naturalScrolling(), false);
}

TEST_F(AppleScriptTest, SystemEventsRejectsWrongPropertiesAndValues) {
    Outcome wrongObject =
        run("tell application \"System Events\" to tell appearance preferences to set autohide to true");
    expectError(wrongObject, Error::Kind::Execution, -10006);
    EXPECT_EQ(wrongObject.error->message,
              "System Events got an error: Can’t set autohide of appearance preferences to true.");
    expectError(run("tell application \"System Events\" to tell dock preferences to set autohide to \"yes\""),
                Error::Kind::Execution, -1700);
    expectError(run("tell application \"System Events\" to tell dock preferences to set screen edge to 3"),
                Error::Kind::Execution, -1700);
    EXPECT_EQ(run("tell application \"System Events\" to tell dock preferences to set autohide to {\"a\"}")
                  .error->message,
              "Can’t make {\"a\"} into type boolean.");
    EXPECT_EQ(*domainValue("com.apple.dock", "autohide"), plist::Value(true));
    EXPECT_EQ(*domainValue("com.apple.dock", "orientation"), plist::Value("left"));
}

TEST_F(AppleScriptTest, ClickNeedsTheTrackpadPaneRevealed) {
    const std::string click = indented(kClickLines, 3, 0);
    Outcome closed = run(click);
    expectError(closed, Error::Kind::Execution, -1728);
    EXPECT_EQ(closed.error->message, "System Events got an error: Can’t get process \"System Preferences\".");

    mac().setSystemPreferencesPane("com.apple.preference.dock");
    expectError(run(click), Error::Kind::Execution, -1719);
    mac().setSystemPreferencesPane("com.apple.preference.trackpad");
    expectError(run("tell application \"System Events\" to tell process \"System Preferences\" to click "
                    "checkbox 2 of "
                    "tab group 1 of window 1"),
                Error::Kind::Execution, -1719);
    expectError(run("tell application \"System Events\" to click checkbox 1 of tab group 1 of window 1"),
                Error::Kind::Execution, -1728);
    EXPECT_EQ(naturalScrolling(), true) << "no failed click changed anything";

    // An absent key is the macOS default, natural scrolling on.
    mac().updateDomain("NSGlobalDomain", false, [](plist::Dictionary& d) {
        d.erase("com.apple.swipescrolldirection");
        return true;
    });
    ASSERT_TRUE(run(click).ok());
    EXPECT_EQ(naturalScrolling(), false);
    ASSERT_TRUE(run(click).ok());
    EXPECT_EQ(naturalScrolling(), true);
}

TEST_F(AppleScriptTest, EscapedNamesReachTheMacIntact) {
    std::vector<sim::App> apps = mac().catalogue();
    apps.push_back({.path = "/Applications/My \"Quoted\" App.app",
                    .name = "My \"Quoted\" App",
                    .bundleIdentifier = "com.example.quoted"});
    apps.push_back({.path = "/Applications/Back\\slash.app",
                    .name = "Back\\slash",
                    .bundleIdentifier = "com.example.backslash"});
    apps.push_back(
        {.path = "/Applications/Café ☕.app", .name = "Café ☕", .bundleIdentifier = "com.example.cafe"});
    mac().setCatalogue(apps);

    const std::pair<std::string, std::string> names[] = {
        {R"(My \"Quoted\" App)", R"(My "Quoted" App)"},
        {R"(Back\\slash)", R"(Back\slash)"},
        {"Café ☕", "Café ☕"},
    };
    for (const auto& [literal, name] : names) {
        SCOPED_TRACE(name);
        Outcome activate = run("tell application \"" + literal + "\" to activate");
        ASSERT_TRUE(activate.ok()) << activate.error->describe();
        EXPECT_TRUE(mac().isRunning(name));
        EXPECT_EQ(run("if application \"" + literal + "\" is running then return 1").result, plist::Value(1));
        ASSERT_TRUE(run("quit application \"" + literal + "\"").ok());
        EXPECT_FALSE(mac().isRunning(name));
    }
    // An unknown name comes back in AppleScript's literal form.
    EXPECT_EQ(run(R"(quit application "Not \"Here\" \\ ☕")").error->message,
              R"(Can’t get application "Not \"Here\" \\ ☕".)");
}

// ---- Compiling ----

TEST_F(AppleScriptTest, TextsThatDoNotCompileRunNothing) {
    const std::vector<std::string> broken = {
        "garbage line",
        "return 1 2",
        "tell application \"Chess\"\nactivate\n",                        // no end tell
        "if application \"Chess\" is running then\nreturn 1\nend tell",  // wrong end
        "if application \"Chess\" is running\nreturn 1\nend if",         // no then
        "tell dock preferences to set autohide to true",                 // not inside System Events
        "tell application \"Finder\" to tell dock preferences to set autohide to true",
        "tell application \"System Events\" to tell dock preferences to set autohide to maybe",
        "tell application \"System Events\" to reveal pane id \"x\"",
        "click checkbox 1 of tab group 1 of window 1",
        "tell application \"System Events\" to tell dock preferences to set screen edge to top",
        "return \"unterminated",
        "return \"bad \\q escape\"",
        "return @",
        "(* unterminated comment",
        "return 99999999999999999999999",
        "return {1, 2",
        "return {1,, 2}",
        "do shell script",
        "set x to 1",
        "tell application \"System Events\"\nend if",
        "if application \"Chess\" is running then\nelse if true then return 1\nend if",
        "quit application Chess",
        "return \"\xff\xfe\"",
        "return \"nul\0inside\""s,
        std::string(5000, '(') + "1" + std::string(5000, ')'),
    };
    for (const std::string& text : broken) {
        SCOPED_TRACE(text.substr(0, 80));
        Outcome o = run("quit application \"Slack\"\n" + text + "\n");
        ASSERT_TRUE(o.error);
        EXPECT_EQ(o.error->kind, Error::Kind::Syntax) << o.error->describe();
        EXPECT_LE(o.error->start, o.error->end);
        EXPECT_TRUE(mac().isRunning("Slack")) << o.error->describe();
    }

    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "tell application \"Chess\" to ";
    Outcome tooDeep = run(deep + "activate");
    expectError(tooDeep, Error::Kind::Syntax, -2740);
}

TEST_F(AppleScriptTest, SyntaxErrorsNameWhatWasFoundAndWhere) {
    Outcome o = run("quit application \"Slack\"\nreturn \"é\" garbage\n");
    expectError(o, Error::Kind::Syntax, -2741);
    // Positions count characters, not bytes: "é" is one.
    EXPECT_EQ(o.error->describe(), "36:43: syntax error: Expected end of line but found identifier. (-2741)");

    EXPECT_EQ(run("tell application \"Chess\"\nactivate").error->message,
              "Expected “end” but found end of script.");
    EXPECT_EQ(run("if true then\nreturn 1\nend tell").error->message, "Expected “end if” but found “tell”.");
}

TEST_F(AppleScriptTest, LayoutIsFree) {
    const std::string script =
        "-- a comment\r\n"
        "# another\r"
        "(* a (* nested *) block\n comment *)\n"
        "\n"
        "\t  IF Application \"Slack\" IS RUNNING THEN  -- trailing comment\r"
        "    Tell App \"Chess\" ¬\n"
        "        to activate\n"
        "  END IF\n\n\n"
        "return 3";
    Outcome o = run(script);
    ASSERT_TRUE(o.ok()) << o.error->describe();
    EXPECT_EQ(o.result, plist::Value(3));
    EXPECT_TRUE(mac().isRunning("Chess"));
}

// ---- Failing at run time ----

TEST_F(AppleScriptTest, RunTimeFailureStopsTheRestAndKeepsWhatRan) {
    Outcome o =
        run("quit application \"Slack\"\n"
            "tell application \"NoSuchApp\" to activate\n"
            "quit application \"Spotify\"\n"
            "return 1\n");
    expectError(o, Error::Kind::Execution, -1728);
    EXPECT_FALSE(o.result);
    EXPECT_FALSE(mac().isRunning("Slack"));
    EXPECT_TRUE(mac().isRunning("Spotify"));
}

TEST_F(AppleScriptTest, RefusedAutomationFailsEventsToThatApplicationOnly) {
    mac().setAutomationAllowed("System Events", false);
    Outcome dock =
        run("tell application \"System Events\" to tell dock preferences to set the autohide to false\n");
    expectError(dock, Error::Kind::Execution, -1743);
    EXPECT_EQ(dock.error->message, "Not authorized to send Apple events to System Events.");
    EXPECT_EQ(*domainValue("com.apple.dock", "autohide"), plist::Value(true));

    ASSERT_TRUE(run(indented(kRevealLines, 3, 0)).ok()) << "System Preferences is still allowed";
    expectError(run(indented(kClickLines, 3, 0)), Error::Kind::Execution, -1743);
    EXPECT_EQ(naturalScrolling(), true);

    mac().setAutomationAllowed("System Preferences", false);
    expectError(run(kQuitPreferences), Error::Kind::Execution, -1743);
    EXPECT_TRUE(mac().isRunning("System Preferences"));

    // Asking whether an application runs and running shell commands send no events.
    mac().setAutomationAllowed("*", false);
    EXPECT_EQ(run(kQuitChessIfRunning).result, plist::Value(0));
    EXPECT_EQ(run("do shell script \"echo fine\"").result, plist::Value("fine"));
    expectError(run("quit application \"Slack\""), Error::Kind::Execution, -1743);
    expectError(run(kActivateChessIfNotRunning), Error::Kind::Execution, -1743);
    EXPECT_TRUE(mac().isRunning("Slack"));
    EXPECT_FALSE(mac().isRunning("Chess"));
}

// The first event to a target is when the owner is asked; asking whether it runs and
// shell commands ask nobody.
TEST_F(AppleScriptTest, TheFirstEventToATargetAsksTheOwnerOnce) {
    mac().setAutomationAllowed("Slack", false);
    ASSERT_TRUE(run(kQuitChessIfRunning + "do shell script \"true\"").ok());
    EXPECT_TRUE(mac().automationAsked().empty());
    ASSERT_TRUE(
        run("tell application \"System Events\" to tell dock preferences to set autohide to false").ok());
    expectError(run("quit application \"Slack\""), Error::Kind::Execution, -1743);
    ASSERT_TRUE(
        run("tell application \"System Events\" to tell dock preferences to set autohide to true").ok());
    EXPECT_EQ(mac().automationAsked(), (std::vector<std::string>{"System Events", "Slack"}));
    EXPECT_EQ(mac().askAutomation("Slack", false), sim::SimMac::AutomationAnswer::Refused);
}

// Clicks are UI scripting, which needs Accessibility; System Events' own dictionary
// (dock preferences) does not.
TEST_F(AppleScriptTest, WithoutAccessibilityClicksFailAndDockPreferencesStillWork) {
    mac().setAccessibilityAllowed(false);
    ASSERT_TRUE(run(indented(kRevealLines, 3, 0)).ok());
    const Outcome click = run(indented(kClickLines, 3, 0));
    expectError(click, Error::Kind::Execution, -1719);
    EXPECT_NE(click.error->message.find("is not allowed assistive access."), std::string::npos)
        << click.error->message;
    EXPECT_EQ(naturalScrolling(), true);
    EXPECT_TRUE(
        run("tell application \"System Events\" to tell dock preferences to set the autohide to false\n")
            .ok());
    EXPECT_EQ(*domainValue("com.apple.dock", "autohide"), plist::Value(false));

    mac().setAccessibilityAllowed(true);
    EXPECT_TRUE(run(indented(kClickLines, 3, 0)).ok());
    EXPECT_EQ(naturalScrolling(), false);
}

// Control-command-Q is Lock Screen; other keystrokes lock nothing. Keystrokes need
// Accessibility as clicks do, and fail with System Events' own number.
TEST_F(AppleScriptTest, TheLockScreenKeystrokeLocksTheScreenGivenAccessibility) {
    const std::string lock =
        "tell application \"System Events\" to keystroke \"q\" using {control down, command down}";
    const char* harmless[] = {
        "tell application \"System Events\" to keystroke \"q\" using command down",
        "tell application \"System Events\" to keystroke \"q\" using {control down, option down}",
        "tell application \"System Events\" to keystroke \"w\" using {command down, control down}",
        "tell application \"System Events\" to keystroke \"q\"",
    };
    for (const char* script : harmless) {
        ASSERT_TRUE(run(script).ok()) << script;
        EXPECT_FALSE(sim::SimState(mac().state()).screenLocked()) << script;
    }
    mac().setAccessibilityAllowed(false);
    const Outcome refused = run(lock);
    expectError(refused, Error::Kind::Execution, 1002);
    EXPECT_NE(refused.error->message.find("is not allowed to send keystrokes."), std::string::npos);
    EXPECT_FALSE(mac().screenLocked());
    mac().setAccessibilityAllowed(true);
    ASSERT_TRUE(run(lock).ok());
    EXPECT_TRUE(mac().screenLocked());
    expectError(run("keystroke \"q\""), Error::Kind::Syntax, -2741);
}

// ---- A Mac as slow as a real one; applications that ask before quitting ----

// Each event takes at least its figures in the process that runs the script: a target
// that does not run starts first (System Events included), a quit takes the
// application's quit, a revealed pane its loading.
TEST_F(AppleScriptTest, WithRealisticLatencyEventsTakeTheirFiguresInTheScriptsProcess) {
    namespace latency = sim::latency;
    ASSERT_TRUE(mac().setLatency(sim::Latency::Realistic));
    const std::pair<std::string, std::chrono::milliseconds> steps[] = {
        {"tell application \"Chess\" to activate",
         latency::kApplicationLaunch.time + latency::kAppleEvent.time},
        {"quit application \"Slack\"", latency::kAppleEvent.time + latency::kApplicationQuit.time},
        {"tell application \"System Events\" to tell dock preferences to set autohide to false",
         latency::kApplicationLaunch.time + latency::kAppleEvent.time},
        {indented(kRevealLines, 3, 0),
         latency::kApplicationLaunch.time + latency::kAppleEvent.time + latency::kSettingsPaneReveal.time},
    };
    for (const auto& [script, least] : steps) {
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome = run(script);
        EXPECT_GE(std::chrono::steady_clock::now() - start, least) << script;
        EXPECT_TRUE(outcome.ok()) << script;
    }
    EXPECT_TRUE(mac().isRunning("System Events")) << "started for its first event";
    EXPECT_EQ(mac().systemPreferencesPane(), "com.apple.preference.trackpad");
}

// The program's quit waits while the owner is asked whether to save; each answer gives
// its result, and the question is answered from another process while the script waits.
TEST_F(AppleScriptTest, AQuitOfAnApplicationWithAnUnsavedDocumentWaitsForTheOwnersAnswer) {
    using namespace std::chrono_literals;
    struct Case {
        const char* answer;
        int error;  // 0: the quit succeeds
    };
    for (const Case& c : {Case{"save", 0}, Case{"discard", 0}, Case{"cancel", -128}}) {
        SCOPED_TRACE(c.answer);
        if (!mac().isRunning("Chess")) {
            ASSERT_TRUE(mac().launch(*mac().findApp("Chess")));
        }
        ASSERT_EQ(mac().addUnsavedDocument("Chess"), sim::SimMac::DocumentChange::Done);
        auto quit = std::async(std::launch::async, [&] { return run(kQuitChessIfRunning); });
        const auto asking = [&] {
            const auto procs = mac().processes();
            return std::any_of(procs.begin(), procs.end(),
                               [](const sim::Process& p) { return p.askingToSave; });
        };
        for (int i = 0; i < 500 && !asking(); ++i) std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(asking());
        EXPECT_EQ(quit.wait_for(100ms), std::future_status::timeout) << "the quit waits for the answer";
        EXPECT_EQ(testing_support::runTool(mac().root(), {"lendmode-sim", "app", "Chess", "answer", c.answer})
                      .exitStatus,
                  0);
        const Outcome outcome = quit.get();
        EXPECT_EQ(outcome.error ? outcome.error->number : 0, c.error);
        EXPECT_EQ(mac().isRunning("Chess"), c.error != 0);
        EXPECT_FALSE(asking());
    }
    const auto procs = mac().processes();
    EXPECT_TRUE(std::any_of(procs.begin(), procs.end(), [](const sim::Process& p) {
        return p.name == "Chess" && p.unsavedDocument;
    })) << "a cancelled quit keeps the document";
}

// Unanswered, the quit gives up after AppleScript's time-out and the question stays
// up; killall ends the application without asking.
TEST_F(AppleScriptTest, AnUnansweredQuestionTimesTheQuitOutAndKillallEndsTheApplication) {
    ASSERT_EQ(mac().addUnsavedDocument("Slack"), sim::SimMac::DocumentChange::Done);
    ::setenv(sim::kAppleEventTimeoutVariable, "200", 1);
    const Outcome outcome = run("tell application \"Slack\" to quit");
    ::unsetenv(sim::kAppleEventTimeoutVariable);
    expectError(outcome, Error::Kind::Execution, -1712);
    EXPECT_EQ(outcome.error->message, "Slack got an error: AppleEvent timed out.");
    const auto slack = [&] {
        for (const sim::Process& p : mac().processes()) {
            if (p.name == "Slack") return std::optional<sim::Process>(p);
        }
        return std::optional<sim::Process>();
    };
    ASSERT_TRUE(slack());
    EXPECT_TRUE(slack()->askingToSave);
    EXPECT_EQ(testing_support::runTool(mac().root(), {"killall", "Slack"}).exitStatus, 0);
    EXPECT_FALSE(slack());
}

// ---- The state file ----

TEST_F(AppleScriptTest, AScriptReadsAndWritesTheStateOncePerStretchBetweenShellCommands) {
    mac().setSystemPreferencesPane("com.apple.preference.dock");
    StateFileWatch watch(mac());
    Outcome changes =
        run(kQuitPreferencesIfRunning +
            "tell application \"System Events\" to tell dock preferences to set the autohide to false\n" +
            kActivateChessIfNotRunning + "quit application \"Slack\"\n");
    ASSERT_TRUE(changes.ok()) << changes.error->describe();
    EXPECT_EQ(watch.take(), (StateFileWatch::Counts{1, 1}));
    EXPECT_FALSE(mac().isRunning("System Preferences"));
    EXPECT_TRUE(mac().isRunning("Chess"));
    EXPECT_FALSE(mac().isRunning("Slack"));
    EXPECT_EQ(*domainValue("com.apple.dock", "autohide"), plist::Value(false));

    watch.take();
    EXPECT_EQ(run(kQuitChessIfRunning + "quit application \"Spotify\"").result, plist::Value(1));
    EXPECT_EQ(watch.take(), (StateFileWatch::Counts{1, 1}));
    EXPECT_EQ(run("if application \"Slack\" is running then return 1\nreturn 0").result, plist::Value(0));
    EXPECT_EQ(watch.take(), (StateFileWatch::Counts{1, 0})) << "nothing changed, nothing written";
}

TEST_F(AppleScriptTest, WhatAShellCommandChangesInTheStateIsKept) {
    ::setenv("LENDMODE_SIM_TOOLS", testing_support::toolsDirectory().c_str(), 1);
    sim::LaunchListener listener(mac().runDirectory());
    Outcome outcome =
        run("quit application \"Slack\"\n"
            "do shell script \"killall Dock\"\n"
            "if application \"Slack\" is not running then tell application \"Chess\" to activate\n");
    ASSERT_TRUE(outcome.ok()) << outcome.error->describe();
    EXPECT_EQ(mac().restarts("Dock"), 1);
    EXPECT_TRUE(mac().isRunning("Dock"));
    EXPECT_FALSE(mac().isRunning("Slack"));
    EXPECT_TRUE(mac().isRunning("Chess"));
    const auto announced = listener.receive(std::chrono::seconds(5));
    ASSERT_TRUE(announced);
    EXPECT_EQ(announced->at("NSApplicationName"), plist::Value("Chess"));
}

TEST_F(AppleScriptTest, AStateWriteThatFailsFailsTheLastChangeBeforeIt) {
    sim::LaunchListener listener(mac().runDirectory());
    Outcome outcome;
    {
        const testing_support::FileSizeLimit nearlyFull(256);  // the state file is larger
        outcome = run("quit application \"Slack\"\ntell application \"Chess\" to activate\nreturn 1\n");
    }
    expectError(outcome, Error::Kind::Execution, -2700);
    EXPECT_EQ(outcome.error->message, "Chess got an error: Can’t launch (File too large).");
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(mac().isRunning("Slack"));
    EXPECT_FALSE(mac().isRunning("Chess"));
    EXPECT_FALSE(listener.receive(std::chrono::milliseconds(100))) << "nothing started, so nothing announced";
}

}  // namespace

TEST(FormatResult, PrintsValuesAsOsascriptDoes) {
    using sim::applescript::formatResult;
    EXPECT_EQ(formatResult(plist::Value(1)), "1");
    EXPECT_EQ(formatResult(plist::Value(-7)), "-7");
    EXPECT_EQ(formatResult(plist::Value("no \"quotes\" added")), "no \"quotes\" added");
    EXPECT_EQ(formatResult(plist::Value(true)), "true");
    EXPECT_EQ(formatResult(plist::Value(false)), "false");
    EXPECT_EQ(formatResult(plist::Value(2.5)), "2.5");
    EXPECT_EQ(formatResult(plist::Value(2.0)), "2.0");
    // Reals show twelve significant digits, and from 10000 up or 0.0001 down an exponent.
    EXPECT_EQ(formatResult(plist::Value(1.0 / 3.0)), "0.333333333333");
    EXPECT_EQ(formatResult(plist::Value(-12345.6)), "-1.23456E+4");
    EXPECT_EQ(formatResult(plist::Value(0.001)), "0.001");
    EXPECT_EQ(formatResult(plist::Value(0.0001)), "1.0E-4");
    EXPECT_EQ(formatResult(plist::Value(plist::Array{"a", "b", 3})), "a, b, 3");
    EXPECT_EQ(formatResult(plist::Value(plist::Array{})), "");
    EXPECT_EQ(formatResult(plist::Value(plist::Array{"a", plist::Array{"b", "c"}})), "a, b, c");
    EXPECT_EQ(formatResult(plist::Value(plist::Dictionary{{"name", "x"}, {"size", 2}})), "name:x, size:2");
}
