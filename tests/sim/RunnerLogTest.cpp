// What the command runners log: at debug, each shell text with its exit status and
// duration and what it wrote to standard error (which never reaches the program's
// own), each AppleScript text with its error number and duration.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <regex>

#include "platform/posix/PosixShellRunner.h"
#include "platform/sim/SimAppleScriptRunner.h"
#include "sim/SimEnvironment.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/TestSupport.h"

using lendmode::log::Level;
using testing_support::CapturedLog;

namespace {
// The milliseconds of a run line "<what> (<outcome>, N ms): <text>"; -1 when it is not one.
long milliseconds(const CapturedLog::Entry& entry, const std::string& what, const std::string& outcome,
                  const std::string& text) {
    std::smatch m;
    const std::regex line(what + " \\(" + outcome + ", ([0-9]+) ms\\): ([\\s\\S]*)");
    const bool matches =
        std::regex_match(entry.message, m, line) && m[2] == text && entry.level == Level::Debug;
    return matches ? std::stol(m[1]) : -1;
}
}  // namespace

TEST(RunnerLog, AShellRunGivesItsExitStatusDurationAndStandardErrorOnlyToTheLog) {
    testing_support::TempMac t;
    platform::PosixShellRunner shell(sim::shellEnvironment(t.mac()));
    CapturedLog log(Level::Debug);
    std::FILE* terminal = std::tmpfile();
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(::fileno(terminal), STDERR_FILENO);
    const std::string text = "defaults read -g NoSuchKey\nsleep 0.2\necho out";
    const auto output = shell.run(text);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    EXPECT_EQ(output, "out\n");
    EXPECT_EQ(::lseek(::fileno(terminal), 0, SEEK_END), 0)
        << "a tool's complaint reached the program's standard error";
    std::fclose(terminal);

    const auto entries = log.take();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_GE(milliseconds(entries[0], "shell", "exit status 0", text), 200) << entries[0].message;
    EXPECT_EQ(entries[1].level, Level::Debug);
    EXPECT_TRUE(entries[1].message.starts_with("shell standard error: ")) << entries[1].message;
    EXPECT_TRUE(entries[1].message.ends_with("(kCFPreferencesAnyApplication, NoSuchKey) does not exist"));

    shell.run("kill -9 $$");
    EXPECT_GE(milliseconds(log.take().at(0), "shell", "exit status 137", "kill -9 $$"), 0);
    lendmode::log::setThreshold(Level::Info);
    shell.run(text);
    EXPECT_TRUE(log.take().empty()) << "nothing at the default level";
}

TEST(RunnerLog, MuchOnBothStreamsIsReadWithoutEitherBlockingTheOther) {
    // More than a pipe holds on each: read one after the other, the shell would wait for ever.
    const posix::ShellRun run = posix::runShell(
        "head -c 1000000 /dev/zero | tr '\\0' e >&2\nhead -c 1000000 /dev/zero | tr '\\0' o\necho f >&2", {},
        /*waitForExit=*/false, "/bin/sh", posix::StandardError::Capture);
    EXPECT_EQ(run.output, std::string(1000000, 'o'));
    EXPECT_EQ(run.errors, std::string(1000000, 'e') + "f\n");
}

TEST(RunnerLog, AnAppleScriptRunGivesItsErrorNumberAndAFailureIsAnError) {
    testing_support::TempMac t;
    platform::simulated::SimAppleScriptRunner runner(std::make_shared<const sim::SimMac>(t.root()));
    CapturedLog log(Level::Debug);
    EXPECT_TRUE(runner.execute("return 1"));
    EXPECT_GE(milliseconds(log.take().at(0), "AppleScript", "ok", "return 1"), 0);

    ASSERT_TRUE(t.mac().setAutomationAllowed("System Events", false));
    const std::string refused =
        "tell application \"System Events\" to tell dock preferences to set autohide to true";
    EXPECT_FALSE(runner.execute(refused));
    const auto entries = log.take();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_GE(milliseconds(entries[0], "AppleScript", "error -1743", refused), 0) << entries[0].message;
    EXPECT_EQ(entries[1].level, Level::Error);
    EXPECT_EQ(entries[1].message,
              "AppleScript failed (-1743): Not authorized to send Apple events to System Events.");
}
