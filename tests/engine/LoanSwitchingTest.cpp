// A loan for a while across the switches and a restart: its end stored with the
// switch-on record, a start before the end going on with it, one after it giving the
// owner's settings back and locking the screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "model/Keys.h"
#include "model/Preferences.h"
#include "tests/support/Applications.h"
#include "tests/support/Fakes.h"

using lendmode::Loan;
using lendmode::Preferences;
namespace keys = lendmode::keys;

namespace {

constexpr const char* kLockShortcut =
    "tell application \"System Events\" to keystroke \"q\" using {control down, command down}";

struct LoanSwitch : ::testing::Test {
    testing_support::FakePorts fakes;
    Preferences* prefs = nullptr;

    void SetUp() override {
        fakes.urlHandlers->installThreeBrowsersWithChromeTheDefault();
        fakes.shell->installApplications("/Applications/Chess.app\n");
        prefs = &Preferences::resetShared(fakes.ports());
        prefs->readCurrentDefinitionSets();
        testing_support::setApplicationDisabled(*prefs, "Chess");
        fakes.appleScript->next = std::vector<std::string>{"1"};
    }
    void TearDown() override { Preferences::resetShared(); }
    void onFor(Loan::Seconds length) {
        prefs->loan().choose(length);
        prefs->switchLendmode(true, nullptr);
        ASSERT_TRUE(prefs->guestSettingsApplied());
    }
    // The program killed and started again, `later` after the stored end.
    void restartWithTheEndMoved(std::chrono::seconds later) {
        const auto end = fakes.store->read(keys::kLoanEnd);
        ASSERT_TRUE(end && end->isDate());
        ASSERT_TRUE(fakes.store->write(keys::kLoanEnd, plist::Date{end->asDate()->secondsSince1970 -
                                                                   static_cast<double>(later.count())}));
        fakes.shell->commands.clear();
        fakes.appleScript->scripts.clear();
        prefs = &Preferences::resetShared(fakes.ports());
    }
    bool locked() const {
        const auto& s = fakes.appleScript->scripts;
        return std::find(s.begin(), s.end(), kLockShortcut) != s.end();
    }
};

}  // namespace

TEST_F(LoanSwitch, TheEndIsStoredWithTheRecordAndAStartBeforeItGoesOnWithTheLoan) {
    onFor(std::chrono::minutes(30));
    EXPECT_EQ(fakes.store->read(keys::kLoanLength), plist::Value(1800));
    EXPECT_TRUE(fakes.store->read(keys::kGuestSettingsApplied)->truthValue());

    restartWithTheEndMoved(std::chrono::minutes(10));  // ten minutes went by
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_TRUE(prefs->guestSettingsApplied());
    EXPECT_TRUE(fakes.appleScript->scripts.empty()) << "nothing restored, nothing locked";
    const auto left = prefs->loan().left();
    ASSERT_TRUE(left);
    EXPECT_GT(*left, std::chrono::minutes(19));
    EXPECT_LE(*left, std::chrono::minutes(20));

    // And it ends as any switch-off does: a later untimed loan has no time.
    prefs->switchLendmode(false, nullptr);
    EXPECT_FALSE(prefs->loan().timed());
    prefs->loan().choose(std::nullopt);
    prefs->switchLendmode(true, nullptr);
    EXPECT_EQ(fakes.store->read(keys::kLoanLength), plist::Value(0)) << "an earlier loan's end is not kept";
}

TEST_F(LoanSwitch, ALoanGoneOnWithKeepsTheMacAwakeAgain) {
    prefs->setObject(plist::Value(true), "box", lendmode::rows::kKeepAwake);
    onFor(std::chrono::minutes(30));
    restartWithTheEndMoved(std::chrono::minutes(1));
    ASSERT_TRUE(prefs->lendmode());
    const std::string watching = "caffeinate -d -i -w " + std::to_string(::getpid());
    EXPECT_TRUE(std::any_of(fakes.shell->commands.begin(), fakes.shell->commands.end(),
                            [&](const std::string& c) { return c.find(watching) != std::string::npos; }))
        << "the assertion ended with the process that held it";
}

TEST_F(LoanSwitch, AStartAfterTheEndPutsTheOwnersSettingsBackAndLocksTheScreen) {
    onFor(std::chrono::minutes(15));
    restartWithTheEndMoved(std::chrono::minutes(16));
    EXPECT_FALSE(prefs->lendmode());
    EXPECT_FALSE(prefs->guestSettingsApplied());
    ASSERT_FALSE(fakes.appleScript->scripts.empty());
    EXPECT_NE(fakes.appleScript->scripts.front().find("tell application \"Chess\"\n activate"),
              std::string::npos)
        << "the owner's settings first";
    EXPECT_TRUE(locked());
    EXPECT_EQ(fakes.appleScript->scripts.back(), kLockShortcut) << "then the lock";
}

TEST_F(LoanSwitch, WithoutAccessibilityTheDisplaySleepsInstead) {
    onFor(std::chrono::minutes(15));
    fakes.automation->accessibility = false;
    restartWithTheEndMoved(std::chrono::minutes(16));
    EXPECT_FALSE(locked());
    EXPECT_EQ(fakes.shell->commands.back(), "pmset displaysleepnow");
}

TEST_F(LoanSwitch, ANewTimeThatCannotBeStoredLeavesTheLoanAsItWas) {
    onFor(std::chrono::minutes(30));
    fakes.store->failWrites();
    EXPECT_FALSE(prefs->setLoanLength(std::chrono::hours(2)));
    fakes.store->allowWrites();
    EXPECT_EQ(prefs->loan().length(), Loan::Seconds(1800));
    EXPECT_EQ(fakes.store->read(keys::kLoanLength), plist::Value(1800));
    EXPECT_TRUE(prefs->setLoanLength(std::nullopt)) << "no time at all";
    EXPECT_FALSE(prefs->loan().timed());
    EXPECT_EQ(fakes.store->read(keys::kLoanLength), plist::Value(0));
}
