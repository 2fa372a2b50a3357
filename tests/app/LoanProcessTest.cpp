// Lending the Mac for a while, with the real program and its command line on the
// simulated Mac: the loan ends by itself with the owner's settings back and the screen
// locked, with the owner lock off and on, and across a kill. A loan's second lasts
// 50 ms here, so that a 90-second loan takes four and a half.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <future>
#include <thread>

#include "sim/Status.h"
#include "tests/support/AppProcess.h"
#include "tests/support/TestSupport.h"

using testing_support::AppProcess;
using testing_support::TempMac;
using testing_support::ToolRun;
using namespace std::chrono_literals;

namespace {

// What the owner has set, as the simulated Mac's status shows it.
constexpr const char* kOwnersRows[] = {
    "Hot corner, top left",
    "Hot corner, bottom right",
    "Default browser",
    "Natural scrolling",
    "Dock",
    "Dock position",
    "Appearance",
};

struct LoanOnTheSimulatedMac : ::testing::Test {
    TempMac t;
    std::map<std::string, std::string> owner;

    void SetUp() override {
        ::setenv("LENDMODE_LOAN_SECOND_MS", "50", 1);
        ASSERT_TRUE(testing_support::makeFocusShortcuts(t.mac()));
        owner = ownersRows();
    }
    void TearDown() override { ::unsetenv("LENDMODE_LOAN_SECOND_MS"); }
    std::map<std::string, std::string> ownersRows() const {
        std::map<std::string, std::string> rows;
        for (const auto& [name, value] : sim::statusRows(t.mac())) {
            for (const char* wanted : kOwnersRows) {
                if (name == wanted) rows[name] = value;
            }
        }
        return rows;
    }
    std::string screen() const {
        for (const auto& [name, value] : sim::statusRows(t.mac())) {
            if (name == "Screen") return value;
        }
        return "(no Screen row)";
    }
    ToolRun lendmode(const std::string& arguments) {
        return testing_support::runShell(t.root(),
                                         "unset DISPLAY; QT_QPA_PLATFORM=xcb exec lendmode " + arguments);
    }
    // The flag goes off as a switch-off begins; the lock comes after it has ended.
    bool lockedWithin(std::chrono::milliseconds limit) const {
        for (auto waited = 0ms; waited < limit; waited += 50ms) {
            if (screen() == "locked") return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    // The owner's password, and the owner lock ticked, before Lendmode starts.
    void setTheOwnerLock() {
        ASSERT_EQ(testing_support::runShell(t.root(), "printf 'owner-secret\\n' | lendmode-sim password")
                      .exitStatus,
                  0);
        ASSERT_EQ(testing_support::runShell(t.root(), "defaults write com.lendmode.Lendmode LM012 -bool true")
                      .exitStatus,
                  0);
    }
    // Lends the Mac for 90 seconds of the loan's own.
    void lend() {
        const ToolRun on = lendmode("on --for 90s");
        ASSERT_EQ(on.exitStatus, 0) << on.err;
        EXPECT_EQ(on.out, "Lendmode is on for 1 min 30 s.\n");
        ASSERT_NE(ownersRows(), owner) << "the guest settings are on";
    }
};

}  // namespace

TEST_F(LoanOnTheSimulatedMac, ItEndsByItselfWithTheOwnersSettingsBackAndTheScreenLocked) {
    AppProcess app(t.root());
    ASSERT_EQ(app.waitForLine("READY"), "READY");
    lend();
    const std::string status = lendmode("status").out;
    EXPECT_NE(status.find("\nTime left: 2 min\n"), std::string::npos) << status;
    EXPECT_EQ(app.waitForLine("NOTICE"), "NOTICE Lendmode ends in a minute");
    EXPECT_EQ(screen(), "unlocked") << "not before the end";
    EXPECT_EQ(app.waitForLine("LENDMODE", 10s), "LENDMODE NO");
    EXPECT_TRUE(lockedWithin(10s));
    EXPECT_EQ(ownersRows(), owner) << "back before the lock";
}

TEST_F(LoanOnTheSimulatedMac, UnderTheOwnerLockOffAsksForThePasswordAndTheLoanStillEnds) {
    setTheOwnerLock();
    AppProcess app(t.root());
    ASSERT_EQ(app.waitForLine("READY"), "READY");
    lend();
    auto off = std::async(std::launch::async, [this] { return lendmode("off"); });
    EXPECT_EQ(app.waitForLine("PASSWORD").rfind("PASSWORD ", 0), 0u) << "the borrower is asked for it";
    EXPECT_EQ(app.waitForLine("LENDMODE", 10s), "LENDMODE NO") << "the loan ends all the same";
    EXPECT_TRUE(lockedWithin(10s));
    EXPECT_EQ(ownersRows(), owner);
    const ToolRun answered = off.get();
    EXPECT_EQ(answered.out, "Lendmode is already off.\n") << answered.err;
    EXPECT_TRUE(std::any_of(app.lines().begin(), app.lines().end(), [](const std::string& line) {
        return line == "NOTICE Lendmode ends in a minute";
    })) << "the borrower was told";
}

TEST_F(LoanOnTheSimulatedMac, KilledHalfWayItGoesOnAtTheNextStartOrEndsThereWhenTheTimeIsUp) {
    setTheOwnerLock();  // which guards the borrower's ways out, not the loan's end
    {
        AppProcess app(t.root());
        ASSERT_EQ(app.waitForLine("READY"), "READY");
        lend();
        app.signal(SIGKILL);
        ASSERT_EQ(app.waitForExit(), 128 + SIGKILL);
    }
    {
        AppProcess again(t.root());  // before the end: the loan goes on
        ASSERT_EQ(again.waitForLine("READY"), "READY");
        const std::string status = lendmode("status").out;
        EXPECT_EQ(status.rfind("Lendmode is on.\nTime left: ", 0), 0u) << status;
        EXPECT_NE(ownersRows(), owner);
        again.signal(SIGKILL);
        ASSERT_EQ(again.waitForExit(), 128 + SIGKILL);
    }
    std::this_thread::sleep_for(5s);  // past the end, with no Lendmode running
    EXPECT_EQ(screen(), "unlocked");
    AppProcess late(t.root());
    ASSERT_EQ(late.waitForLine("READY"), "READY");
    EXPECT_EQ(ownersRows(), owner);
    EXPECT_EQ(screen(), "locked");
    EXPECT_EQ(lendmode("status").out.rfind("Lendmode is off.", 0), 0u);
}
