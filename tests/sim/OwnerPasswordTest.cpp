#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

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

TEST(LendmodeSimTool, PasswordIsSetFromStandardInputAndCleared) {
    TempMac t;
    const sim::OwnerPassword password(t.mac());
    auto run = runShell(t.root(), "printf 'sesame\\n' | lendmode-sim password");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "The owner's password is set.\n");
    EXPECT_EQ(password.matches("sesame"), true);

    run = runShell(t.root(), "printf '\\n' | lendmode-sim password");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "lendmode-sim: the password is empty; nothing changed\n");
    run = runShell(t.root(), "lendmode-sim password </dev/null");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "lendmode-sim: no password on standard input; nothing changed\n");
    EXPECT_EQ(password.matches("sesame"), true);

    EXPECT_EQ(runTool(t.root(), {"lendmode-sim", "password", "sesame"}).exitStatus, 2);
    run = runTool(t.root(), {"lendmode-sim", "password", "--clear"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "The owner's password is removed.\n");
    EXPECT_FALSE(password.isSet());
}

// At a terminal the password is typed twice and never shown.
TEST(LendmodeSimTool, PasswordAtATerminalIsAskedTwiceUnseen) {
    TempMac t;
    const std::string tool = testing_support::toolsDirectory() + "/lendmode-sim";
    const std::string rootVariable = std::string(sim::kRootVariable) + "=" + t.root();
    const auto typeAtTerminal = [&](const std::string& first, const std::string& again) {
        int terminal = -1;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        if (pid == 0) {
            const char* argv[] = {tool.c_str(), "password", nullptr};
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
        const auto type = [&](const std::string& line) {
            const std::string typed = line + "\n";
            EXPECT_EQ(::write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
        };
        readUntil("New owner password: ");
        type(first);
        readUntil("Again: ");
        type(again);
        readUntil(std::string(1, '\0'));  // never shown: to the end of the output
        ::close(terminal);
        EXPECT_EQ(shown.find(first), std::string::npos) << shown;
        EXPECT_EQ(shown.find(again), std::string::npos) << shown;
        return testing_support::waitForProcess(pid, std::chrono::seconds(20));
    };
    EXPECT_EQ(typeAtTerminal("tulip", "tulips"), 1);
    EXPECT_FALSE(sim::OwnerPassword(t.mac()).isSet());
    EXPECT_EQ(typeAtTerminal("tulip", "tulip"), 0);
    EXPECT_EQ(sim::OwnerPassword(t.mac()).matches("tulip"), true);
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
