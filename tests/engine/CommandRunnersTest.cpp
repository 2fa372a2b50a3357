#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "model/Preferences.h"
#include "platform/posix/ManualMainThread.h"
#include "platform/posix/PosixShellRunner.h"
#include "sim/SimEnvironment.h"
#include "tests/support/MemoryUserDefaultsStore.h"
#include "tests/support/TestSupport.h"

using lendmode::Preferences;
using testing_support::TempMac;

namespace {

// An AppleScript port that answers from a script of canned outcomes.
class CannedAppleScript : public platform::AppleScriptRunner {
public:
    using platform::AppleScriptRunner::execute;
    std::optional<std::vector<std::string>> next;
    std::string lastSource;
    std::optional<std::vector<std::string>> execute(const std::string& source) override {
        lastSource = source;
        return next;
    }
};

struct Runners : ::testing::Test {
    std::shared_ptr<CannedAppleScript> appleScript = std::make_shared<CannedAppleScript>();
    std::shared_ptr<platform::ManualMainThread> mainThread = std::make_shared<platform::ManualMainThread>();

    Preferences& prefsWith(std::shared_ptr<platform::ShellRunner> shell) {
        platform::Ports p;
        p.userDefaults = std::make_shared<testing_support::MemoryUserDefaultsStore>();
        p.shell = std::move(shell);
        p.appleScript = appleScript;
        p.mainThread = mainThread;
        return Preferences::resetShared(p);
    }
    Preferences& prefs() { return prefsWith(std::make_shared<platform::PosixShellRunner>()); }
    void TearDown() override { Preferences::resetShared(); }
};

}  // namespace

TEST_F(Runners, ShellOutputIsReturnedExactlyAsPrinted) {
    Preferences& p = prefs();
    EXPECT_EQ(p.runShellScript("printf '1\\n'"), "1\n");
    EXPECT_EQ(p.runShellScript("true"), "") << "no output is the empty string, not nothing";
    EXPECT_EQ(p.runShellScript("printf '  spaced  \\n\\n'"), "  spaced  \n\n");
}

// Texts handed over together run at once: the first waits for a file that only the
// second makes (giving up after five seconds, so that a runner that ran them one
// after another fails rather than hangs). Outputs come back in the texts' order.
TEST_F(Runners, TextsHandedOverTogetherRunAtOnce) {
    TempMac t;
    const std::string flag = t.root() + "/made-by-the-second";
    platform::PosixShellRunner runner;
    const auto outputs =
        runner.runAll({"for i in $(seq 500); do [ -e '" + flag + "' ] && break; sleep 0.01; done; [ -e '" +
                           flag + "' ] && echo met || echo alone",
                       "touch '" + flag + "'; echo second; echo complaint >&2", "printf 'caf\\303\\251'"});
    EXPECT_EQ(outputs, (std::vector<std::optional<std::string>>{"met\n", "second\n", "café"}));

    platform::PosixShellRunner noShell({}, "/no/such/shell");
    EXPECT_EQ(noShell.runAll({"echo a", "echo b"}),
              (std::vector<std::optional<std::string>>{std::nullopt, std::nullopt}));
}

TEST_F(Runners, EmptyTextStartsNothing) {
    Preferences& p = prefs();
    EXPECT_FALSE(p.runShellScript("").has_value());
}

TEST_F(Runners, EveryLineRunsInOrderEvenAfterAFailure) {
    Preferences& p = prefs();
    EXPECT_EQ(p.runShellScript("no-such-command-anywhere 2>/dev/null\necho two\nexit 3\necho never"),
              "two\n");
    EXPECT_EQ(p.runShellScript("false\necho after"), "after\n");
}

TEST_F(Runners, StandardErrorNeverReachesTheResult) {
    Preferences& p = prefs();
    EXPECT_EQ(p.runShellScript("echo out; echo err >&2"), "out\n");
}

TEST_F(Runners, OutputThatIsNotUtf8GivesNothing) {
    Preferences& p = prefs();
    EXPECT_FALSE(p.runShellScript("printf '\\377\\376'").has_value());
    EXPECT_FALSE(p.runShellScript("printf 'ok\\300\\200'").has_value()) << "overlong form";
    EXPECT_EQ(p.runShellScript("printf 'caf\\303\\251'"), "café");
}

TEST_F(Runners, ABackgroundChildHoldingTheOutputKeepsTheCallWaiting) {
    Preferences& p = prefs();
    const auto start = std::chrono::steady_clock::now();
    const auto out = p.runShellScript("(sleep 0.4; echo late) &\necho early");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(out, "early\nlate\n");
    EXPECT_GE(waited, std::chrono::milliseconds(350));
}

TEST_F(Runners, AShellThatClosesItsOutputIsNotWaitedFor) {
    Preferences& p = prefs();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(p.runShellScript("echo done; exec >&- 2>&-; sleep 2"), "done\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

TEST_F(Runners, AShellThatCannotStartGivesNothing) {
    Preferences& p = prefsWith(
        std::make_shared<platform::PosixShellRunner>(posix::EnvironmentOverrides{}, "/no/such/shell"));
    EXPECT_FALSE(p.runShellScript("echo hi").has_value());
}

TEST_F(Runners, LargeOutputIsReadToTheEnd) {
    Preferences& p = prefs();
    const auto out = p.runShellScript(
        "i=0; while [ $i -lt 20000 ]; do echo \"/Applications/App $i.app\"; i=$((i+1)); done");
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(std::count(out->begin(), out->end(), '\n'), 20000);
}

TEST_F(Runners, AppleScriptItemsAreJoinedWithLineFeedsSkippingEmptyOnes) {
    Preferences& p = prefs();
    appleScript->next = std::vector<std::string>{"Safari", "", "Chess"};
    EXPECT_EQ(p.runAppleScript("return names"), "Safari\nChess");
    appleScript->next = std::vector<std::string>{"1"};
    EXPECT_EQ(p.runAppleScript("return 1"), "1");
    appleScript->next = std::vector<std::string>{};
    EXPECT_EQ(p.runAppleScript("beep"), "");
    appleScript->next = std::nullopt;  // failed to compile or run
    EXPECT_EQ(p.runAppleScript("garbage"), "");
    EXPECT_EQ(appleScript->lastSource, "garbage");
}

TEST_F(Runners, MainThreadBlockRunsAtOnceOnTheMainThread) {
    prefs();
    bool ran = false;
    Preferences::runMainThreadBlock([&] { ran = true; });
    EXPECT_TRUE(ran);
    ran = false;
    Preferences::sharedPreferences().runMainThreadBlock([&] { ran = true; });  // instance form
    EXPECT_TRUE(ran);
    EXPECT_EQ(mainThread->pendingCount(), 0u);
}

TEST_F(Runners, MainThreadBlockFromAnotherThreadIsQueued) {
    prefs();
    std::atomic<bool> ran{false};
    std::thread worker([&] { Preferences::runMainThreadBlock([&] { ran = true; }); });
    worker.join();
    EXPECT_FALSE(ran) << "the call returns before the block runs";
    EXPECT_EQ(mainThread->runPending(), 1u);
    EXPECT_TRUE(ran);
}

TEST(SimulatedShell, CommandsReachTheSimulatedMacsToolsAndHome) {
    TempMac mac;
    platform::PosixShellRunner shell(sim::shellEnvironment(mac.mac()));
    const auto defaultsPath = shell.run("command -v defaults");
    ASSERT_TRUE(defaultsPath.has_value());
    EXPECT_EQ(*defaultsPath, testing_support::toolsDirectory() + "/defaults\n");
    for (const char* tool : {"mdfind", "killall", "osascript", "open"}) {
        EXPECT_EQ(shell.run(std::string("command -v ") + tool),
                  testing_support::toolsDirectory() + "/" + tool + "\n");
    }
    EXPECT_EQ(shell.run("echo ~"), mac.root() + "/home\n");
    EXPECT_EQ(shell.run("killall Dock; echo $?"), "0\n");
    EXPECT_EQ(mac.mac().restarts("Dock"), 1);
}
