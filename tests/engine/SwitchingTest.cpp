// The switches' own rules, with every port faked: duplicates ignored, refusals that
// change nothing, the record a restore after a crash needs, and what a switch-off
// puts back.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/Keys.h"
#include "model/Preferences.h"
#include "tests/support/Applications.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/Fakes.h"

using lendmode::DefinitionSets;
using lendmode::Preferences;
using plist::Array;
using plist::Value;
namespace keys = lendmode::keys;

namespace {

struct Switch : ::testing::Test {
    testing_support::FakePorts fakes;
    Preferences* prefs = nullptr;

    void SetUp() override {
        fakes.urlHandlers->installThreeBrowsersWithChromeTheDefault();
        fakes.shell->installApplications("/Applications/Chess.app\n/Applications/Slack.app\n");
        prefs = &Preferences::resetShared(fakes.ports());
        prefs->readCurrentDefinitionSets();
        testing_support::setApplicationDisabled(*prefs, "Chess");
        fakes.appleScript->next = std::vector<std::string>{"1"};  // every quit finds its application
        clearRecords();
    }
    void TearDown() override { Preferences::resetShared(); }
    void clearRecords() {
        fakes.shell->commands.clear();
        fakes.appleScript->scripts.clear();
        fakes.alerts->shown.clear();
    }
    void on() {
        prefs->setLendmode(true);
        prefs->applaySelectedDefinitionCompletion(nullptr);
    }
    void off() {
        prefs->setLendmode(false);
        prefs->restoreDefinitionSetsCompletion(nullptr);
    }
    // Nothing was quit, applied or restarted: only reads and questions, if anything,
    // were run.
    bool systemUntouched() const {
        for (const std::string& c : fakes.shell->commands) {
            if (c.rfind("defaults read", 0) != 0 && c.rfind("mdfind", 0) != 0 &&
                c != "osascript -e 'output muted of (get volume settings)'")
                return false;
        }
        for (const std::string& s : fakes.appleScript->scripts) {
            if (s.find(" is running then\n return 1\n") == std::string::npos) return false;
        }
        return fakes.urlHandlers->setCount == 0;
    }
    bool stored(const char* key) { return fakes.store->read(key) && fakes.store->read(key)->truthValue(); }
};

}  // namespace

TEST_F(Switch, OnWhileOnAndOffWhileOffAreIgnoredWhoeverCalls) {
    off();
    EXPECT_TRUE(systemUntouched()) << "OFF while off would overwrite what the owner changed since";
    on();
    const Value snapshot = prefs->definitionSets()[1];
    fakes.shell->answers["defaults read com.apple.dock autohide"] = "1\n";  // the guest's Dock now hides
    clearRecords();
    prefs->applaySelectedDefinitionCompletion(nullptr);
    EXPECT_TRUE(systemUntouched());
    EXPECT_TRUE(fakes.shell->commands.empty()) << "no second snapshot";
    EXPECT_EQ(prefs->definitionSets()[1], snapshot);
    int completions = 0;
    off();
    prefs->restoreDefinitionSetsCompletion([&] { ++completions; });
    EXPECT_EQ(completions, 1) << "an ignored switch still completes";
}

TEST_F(Switch, RefusedAutomationChangesNothingAndSaysWhereToAllowIt) {
    fakes.automation->refused = {"System Events"};
    on();
    EXPECT_TRUE(systemUntouched());
    EXPECT_FALSE(prefs->lendmode()) << "stored as off again";
    EXPECT_FALSE(prefs->guestSettingsApplied());
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    EXPECT_NE(fakes.alerts->shown[0].informativeText.find("\u201cSystem Events\u201d"), std::string::npos);
    EXPECT_NE(fakes.alerts->shown[0].informativeText.find("Privacy & Security \u203a Automation"),
              std::string::npos);

    // Refused after switching on: the guest settings stay, and so does Lendmode.
    fakes.automation->refused.clear();
    on();
    fakes.automation->refused = {"System Preferences"};
    clearRecords();
    off();
    EXPECT_TRUE(systemUntouched());
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_TRUE(prefs->guestSettingsApplied());
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    EXPECT_NE(fakes.alerts->shown[0].informativeText.find("\u201cSystem Preferences\u201d"),
              std::string::npos);
}

TEST_F(Switch, ASwitchOnThatCannotStoreItsRecordIsRefused) {
    // A full disk: not even the flag can be stored, and Lendmode stays off.
    const Array sets = prefs->definitionSets();
    fakes.store->failWrites();
    on();
    fakes.store->allowWrites();
    EXPECT_TRUE(systemUntouched());
    EXPECT_FALSE(prefs->lendmode());
    EXPECT_EQ(prefs->definitionSets(), sets) << "the snapshot in place, its application list included";
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    EXPECT_NE(fakes.alerts->shown[0].informativeText.find("could not save"), std::string::npos);
    // The disk fills up after the flag: the record (the sets, the https handler, the
    // reopen list, the guest flag) is not stored, and nothing changes.
    clearRecords();
    ASSERT_TRUE(prefs->setLendmode(true));
    const plist::Dictionary before = fakes.store->contents();
    fakes.store->failWrites(0);
    prefs->applaySelectedDefinitionCompletion(nullptr);
    fakes.store->allowWrites();
    EXPECT_TRUE(systemUntouched());
    EXPECT_EQ(fakes.store->contents(), before);
    EXPECT_FALSE(prefs->lendmode()) << "off, though the flag could not be stored as off";
    EXPECT_EQ(fakes.alerts->shown.size(), 1u);
}

// Everything a kill would need to undo the switch-on is on disk before the first
// application is quit; switching off clears the flags and leaves the sets as stored.
TEST_F(Switch, EveryRunningApplicationIsRecordedBeforeAnyIsQuitAndSwitchingOffKeepsTheSets) {
    testing_support::setApplicationDisabled(*prefs, "Slack");
    std::vector<Value> recordedAtQuit;
    std::vector<bool> flaggedAtQuit;
    fakes.appleScript->onExecute = [&](const std::string& script) {
        if (script.find("quit application \"Chess\"\n return 1") != std::string::npos ||
            script.find("quit application \"Slack\"\n return 1") != std::string::npos) {
            recordedAtQuit.push_back(*fakes.store->read(keys::kAppsToReopen));
            flaggedAtQuit.push_back(stored(keys::kGuestSettingsApplied) && stored(keys::kLendmode));
        }
    };
    bool completed = false;
    prefs->switchLendmode(true, [&] { completed = true; });
    EXPECT_TRUE(completed);
    ASSERT_EQ(recordedAtQuit.size(), 2u);
    EXPECT_EQ(recordedAtQuit[0], Value(Array{"Chess", "Slack"}));
    EXPECT_EQ(recordedAtQuit[1], Value(Array{"Chess", "Slack"}));
    EXPECT_EQ(flaggedAtQuit, (std::vector<bool>{true, true}));
    EXPECT_TRUE(prefs->lendmode());
    const auto setsOn = fakes.store->read(keys::kDefinitionSets);
    ASSERT_TRUE(setsOn);
    EXPECT_EQ(*setsOn, Value(prefs->definitionSets()));

    prefs->switchLendmode(false, nullptr);
    EXPECT_FALSE(stored(keys::kGuestSettingsApplied));
    EXPECT_FALSE(stored(keys::kLendmode));
    EXPECT_EQ(fakes.store->read(keys::kDefinitionSets), setsOn);

    // Ignored (off while off): the store is left as it is.
    const auto beforeIgnored = fakes.store->contents();
    prefs->switchLendmode(false, nullptr);
    EXPECT_EQ(fakes.store->contents(), beforeIgnored);

    // A refused switch-on leaves the flag off, in this process and in the store.
    fakes.store->failWrites();
    prefs->switchLendmode(true, nullptr);
    fakes.store->allowWrites();
    EXPECT_FALSE(prefs->lendmode());
    EXPECT_FALSE(stored(keys::kLendmode));
    EXPECT_FALSE(stored(keys::kGuestSettingsApplied));

    // Not running at all: nothing to record.
    fakes.alerts->shown.clear();
    fakes.appleScript->next = std::vector<std::string>{"0"};
    prefs->switchLendmode(true, nullptr);
    EXPECT_EQ(*fakes.store->read(keys::kAppsToReopen), Value(Array{}));
}

TEST_F(Switch, AQuitWhileOnReopensWhatTheSwitchOnQuit) {
    on();
    clearRecords();
    // The quit action restores with the flag still on.
    prefs->restoreDefinitionSetsCompletion(nullptr);
    ASSERT_EQ(fakes.appleScript->scripts.size(), 1u) << "no quit scripts, one settings script";
    EXPECT_NE(fakes.appleScript->scripts[0].find("tell application \"Chess\"\n activate"), std::string::npos);
    EXPECT_EQ(prefs->appNeedRun(), std::vector<std::string>{"Chess"});
    EXPECT_FALSE(prefs->guestSettingsApplied());
}

TEST_F(Switch, TheOwnersOwnHttpsHandlerComesBack) {
    fakes.urlHandlers->defaults["https"] = "org.mozilla.firefox";
    prefs->setObject(Value(true), "box", 8);  // the guest gets Safari
    on();
    EXPECT_EQ(fakes.urlHandlers->defaults["https"], "com.apple.Safari");
    off();
    EXPECT_EQ(fakes.urlHandlers->defaults["http"], "com.google.Chrome");
    EXPECT_EQ(fakes.urlHandlers->defaults["https"], "org.mozilla.firefox");
}

TEST_F(Switch, AScriptThatFailsAnywayIsReported) {
    on();
    fakes.appleScript->next = std::nullopt;
    clearRecords();
    off();
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    EXPECT_EQ(fakes.alerts->shown[0].messageText, "Some settings could not be changed");
    EXPECT_FALSE(prefs->lendmode());
}

TEST_F(Switch, AStartAfterAKillPutsTheOwnersSettingsBackWhateverTheFlagSays) {
    on();
    // Killed during the switch-off, after the flag was stored as off.
    prefs->setLendmode(false);
    clearRecords();
    prefs = &Preferences::resetShared(fakes.ports());
    EXPECT_NE(fakes.appleScript->scripts.at(0).find("tell application \"Chess\"\n activate"),
              std::string::npos);
    EXPECT_TRUE(
        fakes.shell->commands.back().ends_with("killall Dock\nkillall NotificationCenter\nexit $status"));
    EXPECT_FALSE(prefs->guestSettingsApplied());
    EXPECT_FALSE(prefs->lendmode());
}

TEST_F(Switch, AStartWhoseRestoreIsRefusedStaysOnAndKeepsTheOwnersSnapshot) {
    on();
    const Value ownerSnapshot = prefs->definitionSets()[1];
    fakes.shell->answers["defaults read com.apple.dock autohide"] = "1\n";  // the guest's settings are live
    fakes.automation->refused = {"System Events"};
    clearRecords();
    prefs = &Preferences::resetShared(fakes.ports());
    EXPECT_TRUE(systemUntouched());
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_EQ(fakes.alerts->shown.size(), 1u);
    prefs->readCurrentDefinitionSets();
    EXPECT_EQ(prefs->definitionSets()[1], ownerSnapshot)
        << "the live guest settings are not taken for the owner's";

    fakes.automation->refused.clear();
    off();
    EXPECT_FALSE(prefs->guestSettingsApplied());
    EXPECT_NE(fakes.appleScript->scripts.back().find("tell application \"Chess\"\n activate"),
              std::string::npos);
}

// A full disk or a folder that takes no new files at switch-off: the owner's settings
// could not be written, while clearing the record (one byte in place) could be.
TEST_F(Switch, ASwitchOffThatCannotWriteTheOwnersSettingsStaysOnAndKeepsTheRecord) {
    on();
    clearRecords();
    fakes.store->failWrites();
    off();
    fakes.store->allowWrites();
    EXPECT_TRUE(systemUntouched()) << "refused before anything changed";
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_TRUE(prefs->guestSettingsApplied());
    EXPECT_TRUE(stored(keys::kGuestSettingsApplied));
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    EXPECT_NE(fakes.alerts->shown[0].informativeText.find("stays on"), std::string::npos);

    // The check passes, but a write of the owner's settings fails all the same.
    clearRecords();
    fakes.shell->failingLines = {"doNotDisturb -boolean"};
    off();
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_TRUE(stored(keys::kGuestSettingsApplied));
    EXPECT_TRUE(fakes.recordCopy->record.has_value());
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    EXPECT_NE(fakes.alerts->shown[0].informativeText.find("could not be written back"), std::string::npos);

    fakes.shell->failingLines.clear();
    off();
    EXPECT_FALSE(prefs->lendmode());
    EXPECT_FALSE(stored(keys::kGuestSettingsApplied));
    EXPECT_FALSE(fakes.recordCopy->record.has_value());
}

TEST_F(Switch, WhileItRunsTheRecordTheFlagAndTheLockAreItsOwnWhateverTheStoreSays) {
    ASSERT_TRUE(prefs->setOwnerLockRequired(true));
    on();
    // defaults delete com.apple.lendmode.Lendmode, or a store damaged or replaced.
    for (const auto& [key, value] : plist::Dictionary(fakes.store->contents()))
        ASSERT_TRUE(fakes.store->remove(key));
    EXPECT_TRUE(prefs->lendmode()) << "what it reports and blocks by";
    EXPECT_TRUE(prefs->ownerLockRequired()) << "the lock is lifted only by the owner";
    EXPECT_TRUE(prefs->guestSettingsApplied());
    clearRecords();
    off();
    EXPECT_FALSE(prefs->lendmode());
    EXPECT_NE(fakes.appleScript->scripts.back().find("tell application \"Chess\"\n activate"),
              std::string::npos);
    ASSERT_EQ(fakes.alerts->shown.size(), 1u) << "the owner is told, once";
    EXPECT_EQ(fakes.alerts->shown[0].messageText,
              "Lendmode's settings file was changed while Lendmode was on");
    on();
    ASSERT_TRUE(fakes.store->remove(keys::kGuestSettingsApplied));
    off();
    EXPECT_EQ(fakes.alerts->shown.size(), 1u);
}

TEST_F(Switch, AStartAfterTheStoreLostItsRecordPutsTheOwnersSettingsBackFromTheCopy) {
    on();
    ASSERT_TRUE(fakes.recordCopy->record.has_value());
    // Only what a restore reads of the application lists: the disabled ones.
    Array copied = *fakes.recordCopy->record->at(keys::kDefinitionSets).asArray();
    EXPECT_EQ(*DefinitionSets::applicationList(*copied[0].asArray()),
              (Array{Array{"Chess", true, "/Applications/Chess.app"}}));
    EXPECT_TRUE(DefinitionSets::applicationList(*copied[1].asArray())->empty());
    for (const auto& [key, value] : plist::Dictionary(fakes.store->contents()))
        ASSERT_TRUE(fakes.store->remove(key));
    clearRecords();
    prefs = &Preferences::resetShared(fakes.ports());  // killed, then started again
    EXPECT_NE(fakes.appleScript->scripts.at(0).find("tell application \"Chess\"\n activate"),
              std::string::npos);
    EXPECT_FALSE(prefs->guestSettingsApplied());
    EXPECT_FALSE(fakes.recordCopy->record.has_value());
    EXPECT_EQ(fakes.alerts->shown.size(), 1u);
    clearRecords();
    prefs = &Preferences::resetShared(fakes.ports());
    EXPECT_TRUE(fakes.appleScript->scripts.empty()) << "put back once";

    // Without its copy a switch-on is refused: a record in the store alone could be
    // lost with it.
    prefs->readCurrentDefinitionSets();
    testing_support::setApplicationDisabled(*prefs, "Chess");
    clearRecords();
    fakes.recordCopy->failSaves = true;
    on();
    EXPECT_TRUE(systemUntouched());
    EXPECT_FALSE(prefs->lendmode());
    EXPECT_FALSE(stored(keys::kGuestSettingsApplied));
}

TEST_F(Switch, FromTheCopyTooTheSwitchOffUndoesWhatTheSwitchOnRecordedDoing) {
    prefs->setObject(Value(true), "box", lendmode::rows::kMuteSound);
    on();
    for (const auto& [key, value] : plist::Dictionary(fakes.store->contents()))
        ASSERT_TRUE(fakes.store->remove(key));
    clearRecords();
    prefs = &Preferences::resetShared(fakes.ports());  // killed, then started again
    const auto& scripts = fakes.appleScript->scripts;
    EXPECT_TRUE(std::any_of(scripts.begin(), scripts.end(), [](const std::string& s) {
        return s.find("set volume output muted false") != std::string::npos;
    })) << "the sound the switch-on muted comes back";
}

TEST_F(Switch, AReadThatGaveNoAnswerIsNeverTakenForTheOwnersValue) {
    fakes.shell->unanswered = {"defaults read com.apple.dock orientation"};
    on();
    EXPECT_TRUE(systemUntouched());
    EXPECT_FALSE(prefs->lendmode());
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    EXPECT_NE(fakes.alerts->shown[0].informativeText.find("could not read"), std::string::npos);
}

TEST_F(Switch, ASwitchOffPutsBackOnlyTheHotCornersTheOwnerHad) {
    fakes.shell->answers["defaults read com.apple.dock | grep wvous"] = "    \"wvous-tl-corner\" = 2;\n";
    on();
    off();
    const std::string& text = fakes.shell->commands.back();
    EXPECT_NE(text.find("defaults write com.apple.dock wvous-tl-corner -int 2"), std::string::npos);
    EXPECT_EQ(text.find("defaults write com.apple.dock wvous-br-corner"), std::string::npos);
    EXPECT_NE(text.find("defaults delete com.apple.dock wvous-br-corner\n"), std::string::npos)
        << "the guest's corner goes again";
}

// The log at the default level: one line for a switch on, a switch off, a restore at
// start-up or a refusal; none for a switch that is ignored.
TEST_F(Switch, EachSwitchAndEachRestoreAtStartUpLogsOneLineAndIgnoredOnesNone) {
    using lendmode::log::Level;
    using Entries = std::vector<testing_support::CapturedLog::Entry>;
    testing_support::CapturedLog log(Level::Info);
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

TEST_F(Switch, ARefusalLogsOneErrorLineSayingWhy) {
    using lendmode::log::Level;
    testing_support::CapturedLog log(Level::Info);
    fakes.automation->refused = {"System Events"};
    on();
    auto entries = log.take();
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
