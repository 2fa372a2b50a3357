#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/SimOwnerAuthentication.h"
#include "sim/OwnerPassword.h"
#include "tests/support/TestSupport.h"

using Outcome = platform::OwnerAuthentication::Outcome;
using testing_support::runShell;
using testing_support::runTool;
using testing_support::TempMac;

namespace {

std::string storedHash(const sim::OwnerPassword& password) {
    return testing_support::readTextFile(password.file());
}

}  // namespace

TEST(OwnerPassword, IsKeptOnlyAsASaltedHashForItsOwner) {
    TempMac t;
    const sim::OwnerPassword password(t.mac());
    ASSERT_TRUE(password.set("open sesame"));
    const std::string first = storedHash(password);
    EXPECT_TRUE(first.rfind("$y$", 0) == 0 || first.rfind("$6$", 0) == 0) << first;
    EXPECT_EQ(first.find("sesame"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(password.file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    ASSERT_TRUE(password.set("open sesame"));
    EXPECT_NE(storedHash(password), first) << "a new salt for every hash";
    EXPECT_EQ(password.matches("open sesame"), true);
    EXPECT_EQ(password.matches("open sesam"), false);
    EXPECT_EQ(password.matches(""), false);
}

TEST(OwnerPassword, NoneSetMatchesNothingAndClearingRemovesIt) {
    TempMac t;
    const sim::OwnerPassword password(t.mac());
    EXPECT_FALSE(password.isSet());
    EXPECT_EQ(password.matches("anything"), std::nullopt);
    ASSERT_TRUE(password.set("hunter2"));
    EXPECT_TRUE(password.isSet());
    ASSERT_TRUE(password.clear());
    EXPECT_FALSE(password.isSet());
    EXPECT_EQ(password.matches("hunter2"), std::nullopt);
    EXPECT_TRUE(password.clear()) << "clearing nothing is no failure";
}

TEST(OwnerPassword, RefusedPasswordsAndDamagedStoresNeverOpenTheLock) {
    TempMac t;
    const sim::OwnerPassword password(t.mac());
    ASSERT_TRUE(password.set("first"));
    for (const std::string& refused : {std::string(), std::string("a\0b", 3), std::string(512, 'x')}) {
        errno = 0;
        EXPECT_FALSE(password.set(refused));
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_EQ(password.matches("first"), true) << "a refused password keeps the old one";

    // A store that is not a hash of ours: set, and matching nothing, not even through
    // the old DES method (whose hash of "first" with salt "ab" the last one is).
    for (const char* damaged : {"", "garbage\n", "abMoHvTRf0Sro\n"}) {
        testing_support::writeTextFile(password.file(), damaged);
        EXPECT_TRUE(password.isSet());
        EXPECT_EQ(password.matches("first"), false) << damaged;
    }
}

// Replacing or removing a set password names the current one, checked under the
// Mac's lock with the write: one set meanwhile is not replaced by a caller that saw none.
TEST(OwnerPassword, AChangeOrRemovalWithoutTheCurrentPasswordChangesNothing) {
    TempMac t;
    const sim::OwnerPassword password(t.mac());
    using Change = sim::OwnerPassword::Change;
    EXPECT_EQ(password.change(std::nullopt, "first"), Change::Done) << "none set: nothing to name";
    const std::string hash = storedHash(password);
    EXPECT_EQ(password.change(std::nullopt, "second"), Change::WrongPassword);
    EXPECT_EQ(password.change("firs", "second"), Change::WrongPassword);
    EXPECT_EQ(password.remove("First"), Change::WrongPassword);
    EXPECT_EQ(storedHash(password), hash);
    EXPECT_EQ(password.change("first", "second"), Change::Done);
    EXPECT_EQ(password.matches("second"), true);
}

TEST(LendmodeSimTool, PasswordIsSetFromStandardInputAndCleared) {
    TempMac t;
    const sim::OwnerPassword password(t.mac());
    auto run = runShell(t.root(), "printf '\\n' | lendmode-sim password");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "lendmode-sim: the password is empty; nothing changed\n");
    run = runShell(t.root(), "lendmode-sim password </dev/null");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "lendmode-sim: no password on standard input; nothing changed\n");
    EXPECT_FALSE(password.isSet());

    run = runShell(t.root(), "printf 'sesame\\n' | lendmode-sim password");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "The owner's password is set.\n");
    EXPECT_EQ(password.matches("sesame"), true);

    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "password", "sesame"}).exitStatus, 2);
    run = runShell(t.root(), "printf 'sesame\\n' | lendmode-sim password --clear");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "The owner's password is removed.\n");
    EXPECT_FALSE(password.isSet());
    run = runTool(t.root(), {"lendmode-sim", "password", "--clear"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "There was no owner's password to remove.\n");
}

// Once a password is set, standard input gives the current one first, then the new
// one; without the right current one nothing changes, and --clear asks for it too.
TEST(LendmodeSimTool, ASetPasswordIsReplacedOrRemovedOnlyWithTheCurrentOne) {
    TempMac t;
    const sim::OwnerPassword password(t.mac());
    ASSERT_EQ(runShell(t.root(), "printf 'sesame\\n' | lendmode-sim password").exitStatus, 0);
    const std::string wrong = "lendmode-sim: the current password is wrong; nothing changed\n";
    for (const char* input : {"intruder\\n", "guess\\nintruder\\n", "Sesame\\nintruder\\n"}) {
        const auto run = runShell(t.root(), std::string("printf '") + input + "' | lendmode-sim password");
        EXPECT_EQ(run.exitStatus, 1) << input;
        EXPECT_EQ(run.err, wrong) << input;
        EXPECT_EQ(run.out, "");
    }
    auto run = runShell(t.root(), "lendmode-sim password </dev/null");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "lendmode-sim: no current password on standard input; nothing changed\n");
    run = runShell(t.root(), "printf 'sesame\\n' | lendmode-sim password");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "lendmode-sim: no password on standard input; nothing changed\n");
    for (const char* input : {"", "guess\\n"}) {
        run = runShell(t.root(), std::string("printf '") + input + "' | lendmode-sim password --clear");
        EXPECT_EQ(run.exitStatus, 1) << input;
    }
    EXPECT_EQ(password.matches("sesame"), true) << "nothing changed";

    run = runShell(t.root(), "printf 'sesame\\nopen sesame\\n' | lendmode-sim password");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "The owner's password is set.\n");
    EXPECT_EQ(password.matches("open sesame"), true);
    run = runShell(t.root(), "printf 'open sesame\\n' | lendmode-sim password --clear");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_FALSE(password.isSet());
}

// At a terminal the password is typed twice and never shown; a set one is asked for
// first, unseen too.
TEST(LendmodeSimTool, PasswordAtATerminalIsAskedTwiceUnseen) {
    TempMac t;
    const std::string tool = testing_support::toolsDirectory() + "/lendmode-sim";
    const std::string rootVariable = std::string(sim::kRootVariable) + "=" + t.root();
    // Answers each prompt in turn; the exit status.
    using Exchange = std::vector<std::pair<std::string, std::string>>;
    const auto typeAtTerminal = [&](const Exchange& exchange, const char* option = nullptr) {
        int terminal = -1;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        if (pid == 0) {
            const char* argv[] = {tool.c_str(), "password", option, nullptr};
            const char* envp[] = {rootVariable.c_str(), nullptr};
            ::execve(tool.c_str(), const_cast<char* const*>(argv), const_cast<char* const*>(envp));
            ::_exit(127);
        }
        // What the terminal shows, read until `text` appears or the output ends.
        std::string shown;
        const auto readUntil = [&](const std::string& text) {
            char buffer[256];
            pollfd ready{terminal, POLLIN, 0};
            while (shown.find(text) == std::string::npos && ::poll(&ready, 1, 10000) == 1) {
                const ssize_t n = ::read(terminal, buffer, sizeof buffer);
                if (n <= 0) return;
                shown.append(buffer, static_cast<std::size_t>(n));
            }
        };
        for (const auto& [prompt, line] : exchange) {
            readUntil(prompt);
            EXPECT_NE(shown.find(prompt), std::string::npos) << shown;
            const std::string typed = line + "\n";
            EXPECT_EQ(::write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
        }
        readUntil(std::string(1, '\0'));  // never shown: to the end of the output
        ::close(terminal);
        for (const auto& [prompt, line] : exchange) EXPECT_EQ(shown.find(line), std::string::npos) << shown;
        return testing_support::waitForProcess(pid, std::chrono::seconds(20));
    };
    EXPECT_EQ(typeAtTerminal({{"New owner password: ", "tulip"}, {"Again: ", "tulips"}}), 1);
    EXPECT_FALSE(sim::OwnerPassword(t.mac()).isSet());
    EXPECT_EQ(typeAtTerminal({{"New owner password: ", "tulip"}, {"Again: ", "tulip"}}), 0);
    EXPECT_EQ(sim::OwnerPassword(t.mac()).matches("tulip"), true);

    // A wrong current password ends it before the new one is asked.
    EXPECT_EQ(typeAtTerminal({{"Current owner password: ", "rose"}}), 1);
    EXPECT_EQ(typeAtTerminal({{"Current owner password: ", "rose"}}, "--clear"), 1);
    EXPECT_EQ(sim::OwnerPassword(t.mac()).matches("tulip"), true);
    EXPECT_EQ(
        typeAtTerminal(
            {{"Current owner password: ", "tulip"}, {"New owner password: ", "daisy"}, {"Again: ", "daisy"}}),
        0);
    EXPECT_EQ(sim::OwnerPassword(t.mac()).matches("daisy"), true);
    EXPECT_EQ(typeAtTerminal({{"Current owner password: ", "daisy"}}, "--clear"), 0);
    EXPECT_FALSE(sim::OwnerPassword(t.mac()).isSet());
}

TEST(SimOwnerAuthentication, AsksThroughThePromptAndChecksTheHash) {
    TempMac t;
    auto mac = std::make_shared<const sim::SimMac>(t.root());
    std::optional<std::string> typed;
    std::vector<std::string> reasons;
    std::vector<bool> agains;
    platform::simulated::SimOwnerAuthentication authentication(mac,
                                                               [&](const std::string& reason, bool again) {
                                                                   reasons.push_back(reason);
                                                                   agains.push_back(again);
                                                                   return typed;
                                                               });
    EXPECT_EQ(authentication.authenticate("turn Lendmode off"), Outcome::Unavailable);
    EXPECT_TRUE(reasons.empty()) << "nothing to ask for without a password";

    ASSERT_TRUE(sim::OwnerPassword(*mac).set("sesame"));
    typed = "sesame";
    EXPECT_EQ(authentication.authenticate("turn Lendmode off"), Outcome::Granted);
    EXPECT_EQ(reasons, std::vector<std::string>{"turn Lendmode off"});
    typed = "sesam";
    EXPECT_EQ(authentication.authenticate("quit"), Outcome::Denied);
    typed = std::nullopt;
    EXPECT_EQ(authentication.authenticate("quit"), Outcome::Cancelled);
    EXPECT_EQ(agains, (std::vector<bool>{false, false, true}))
        << "only the question after a wrong answer says so";
}
