// What the switches log at the default level, with every port faked: one line for a
// switch on, a switch off, a restore at start-up or a refusal; none for a switch
// that is ignored.
#include <gtest/gtest.h>

#include "model/Preferences.h"
#include "tests/support/Applications.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/Fakes.h"

using lendmode::Preferences;
using lendmode::log::Level;
using Entries = std::vector<testing_support::CapturedLog::Entry>;

namespace {
struct SwitchLog : ::testing::Test {
    testing_support::FakePorts fakes;
    Preferences* prefs = &Preferences::resetShared(fakes.ports());
    testing_support::CapturedLog log{Level::Info};

    void SetUp() override {
        fakes.shell->installApplications("/Applications/Chess.app\n");
        prefs->readCurrentDefinitionSets();
        testing_support::setApplicationDisabled(*prefs, "Chess");
        fakes.appleScript->next = std::vector<std::string>{"1"};  // Chess is running, and quits
    }
    void TearDown() override { Preferences::resetShared(); }
    void on() {
        prefs->setLendmode(true);
        prefs->applaySelectedDefinitionCompletion(nullptr);
    }
    void off() {
        prefs->setLendmode(false);
        prefs->restoreDefinitionSetsCompletion(nullptr);
    }
};
}  // namespace

TEST_F(SwitchLog, EachSwitchAndEachRestoreAtStartUpGivesOneLineAndIgnoredOnesNone) {
    on();
    on();
    EXPECT_EQ(log.take(), (Entries{{Level::Info, "switched on with set 0; quit: Chess"}}));
    off();
    off();
    EXPECT_EQ(log.take(), (Entries{{Level::Info, "switched off: the owner's settings are back"}}));
    on();
    log.take();
    prefs = &Preferences::resetShared(fakes.ports());  // a start after a kill while on
    EXPECT_EQ(log.take(), (Entries{{Level::Info,
                                    "switched off at start-up: the owner's settings, left on by an "
                                    "earlier run, are back"}}));
}

TEST_F(SwitchLog, ARefusalGivesOneErrorLineSayingWhy) {
    fakes.automation->refused = {"System Events"};
    on();
    Entries entries = log.take();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, Level::Error);
    EXPECT_TRUE(entries[0].message.starts_with(
        "Lendmode could not switch on Lendmode is not allowed to control \u201cSystem Events\u201d"));
    fakes.automation->refused.clear();
    fakes.store->failWrites();  // the owner's settings cannot be stored
    on();
    entries = log.take();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, Level::Error);
    EXPECT_TRUE(entries[0].message.starts_with("Lendmode could not switch on Lendmode could not save"));
}
