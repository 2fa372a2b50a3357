// The texts an apply sends, character for character, with every port faked.
#include <gtest/gtest.h>

#include "model/Keys.h"
#include "model/Preferences.h"
#include "tests/support/Fakes.h"

using lendmode::Preferences;
using plist::Array;
using plist::Dictionary;
using plist::Value;
using testing_support::FakePorts;

namespace {

const std::string kPrologue =
    "if application \"System Preferences\" is running then\n"
    " quit application \"System Preferences\"\n"
    " end if\n";
const std::string kEpilogue = "quit application \"System Preferences\"\n";
const std::string kScrollFalse =
    "             do shell script \"defaults write NSGlobalDomain com.apple.swipescrolldirection -bool "
    "false\"\n"
    "             tell application \"System Preferences\"\n"
    "             reveal anchor \"trackpadTab\" of pane id \"com.apple.preference.trackpad\"\n"
    "             end tell\n"
    "             tell application \"System Events\" to tell process \"System Preferences\"\n"
    "             click checkbox 1 of tab group 1 of window 1\n"
    "             end tell\n";
const std::string kAutohideFalse =
    "tell application \"System Events\" to tell dock preferences to set the autohide to false\n";
const std::string kEdgeBottom =
    "tell application \"System Events\" to tell dock preferences to set screen edge to bottom\n";
const std::string kDndOn =
    "defaults -currentHost write ~/Library/Preferences/ByHost/com.apple.notificationcenterui doNotDisturb "
    "-boolean true";
const std::string kDndOnDate =
    "defaults -currentHost write ~/Library/Preferences/ByHost/com.apple.notificationcenterui "
    "doNotDisturbDate -date "
    "\"`date -u +\"%Y-%m-%d %H:%M:%S +0000\"`\"";

struct Apply : ::testing::Test {
    FakePorts fakes;
    Preferences* prefs = nullptr;

    void SetUp() override {
        fakes.urlHandlers->installThreeBrowsersWithChromeTheDefault();
        fakes.shell->installApplications(
            "/Applications/Chess.app\n/Applications/Slack.app\n/Applications/Zed.app\n");
        prefs = &Preferences::resetShared(fakes.ports());
        prefs->setDefinitionSets(Array{prefs->settingsDefault(), prefs->settingsDefault()});
        fakes.shell->commands.clear();
    }
    void TearDown() override { Preferences::resetShared(); }

    Value& row(std::size_t set, int id) {
        for (Value& r : *prefs->definitionSets()[set].asArray()) {
            if (r.find("ID")->integerValue() == id) return r;
        }
        throw std::runtime_error("no row");
    }
    // The one AppleScript text of the last apply (after any quit scripts).
    const std::string& lastScript() { return fakes.appleScript->scripts.back(); }
    const std::string& lastCommand() { return fakes.shell->commands.back(); }
};

}  // namespace

TEST_F(Apply, TheDefaultLendmodeSetAtSwitchOnReadsExactly) {
    prefs->setLendmode(true);
    prefs->applayToSystem(0);
    ASSERT_EQ(fakes.appleScript->scripts.size(), 1u);
    EXPECT_EQ(lastScript(), kPrologue + kScrollFalse + kAutohideFalse + kEdgeBottom + kEpilogue);
    ASSERT_EQ(fakes.shell->commands.size(), 1u);
    EXPECT_EQ(lastCommand(),
              kDndOn + "\n" + kDndOnDate +
                  "\n"
                  "defaults write com.apple.dock wvous-bl-corner -int 0\n"
                  "defaults write com.apple.dock wvous-bl-modifier -int 0\n"
                  "defaults write com.apple.dock wvous-br-corner -int 0\n"
                  "defaults write com.apple.dock wvous-br-modifier -int 0\n"
                  "defaults write com.apple.dock wvous-tl-corner -int 0\n"
                  "defaults write com.apple.dock wvous-tl-modifier -int 0\n"
                  "defaults write com.apple.dock wvous-tr-corner -int 0\n"
                  "defaults write com.apple.dock wvous-tr-modifier -int 0\n"
                  "defaults delete NSGlobalDomain AppleInterfaceStyle\n"
                  "defaults write NSGlobalDomain AppleInterfaceStyleSwitchesAutomatically -bool true\n"
                  "killall Dock\n"
                  "killall NotificationCenter");
    // Row 8's browser is the one that was the default when the set was built.
    EXPECT_EQ(fakes.urlHandlers->setCount, 0);
}

TEST_F(Apply, RowsTurnIntoTheirOppositeTexts) {
    *row(0, 3).find("box") = false;
    *row(0, 4).find("box") = false;
    *row(0, 9).find("box") = false;
    *row(0, 33).find("segmentSelected") = 1;
    prefs->applayToSystem(0);
    const std::string& script = lastScript();
    EXPECT_NE(script.find("com.apple.swipescrolldirection -bool true\"\n"), std::string::npos);
    EXPECT_NE(script.find("set the autohide to true\n"), std::string::npos);
    EXPECT_NE(
        script.find(
            "tell application \"System Events\" to tell appearance preferences to set dark mode to true\n"),
        std::string::npos);
    // Off, the writes come first and each must succeed; removals, which fail for a key
    // that is not there, come after them and do not count.
    EXPECT_EQ(lastCommand().rfind(
                  "defaults -currentHost write ~/Library/Preferences/ByHost/com.apple.notificationcenterui "
                  "doNotDisturb -boolean false &&\n",
                  0),
              0u);
    EXPECT_NE(lastCommand().find("status=$?\n"
                                 "defaults -currentHost delete "
                                 "~/Library/Preferences/ByHost/com.apple.notificationcenterui "
                                 "doNotDisturbDate\n"),
              std::string::npos);
    EXPECT_EQ(lastCommand().find("AppleInterfaceStyle"), std::string::npos)
        << "dark mode needs no shell line";
    *row(0, 33).find("segmentSelected") = 0;
    prefs->applayToSystem(0);
    EXPECT_NE(lastScript().find("set dark mode to false\n"), std::string::npos);
}

TEST_F(Apply, DockLocationSegmentsMapToEdges) {
    const std::pair<int, const char*> cases[] = {{0, "bottom"}, {1, "left"}, {2, "right"}, {7, "bottom"}};
    for (const auto& [segment, edge] : cases) {
        *row(0, 32).find("segmentSelected") = segment;
        prefs->applayToSystem(0);
        EXPECT_NE(lastScript().find(std::string("set screen edge to ") + edge + "\n"), std::string::npos)
            << segment;
    }
}

TEST_F(Apply, AutomaticAppearanceAddsTwoShellLinesAndNoStatement) {
    prefs->applayToSystem(0);  // row 33 holds 2 in the default set
    EXPECT_EQ(lastScript().find("dark mode"), std::string::npos);
    EXPECT_NE(lastCommand().find("defaults delete NSGlobalDomain AppleInterfaceStyle\n"), std::string::npos);
    EXPECT_NE(lastCommand().find(
                  "defaults write NSGlobalDomain AppleInterfaceStyleSwitchesAutomatically -bool true"),
              std::string::npos);
}

TEST_F(Apply, HotCornerValuesAreWrittenWhateverTheBoxSays) {
    *row(0, 5).find("box") = false;
    (*row(0, 5).find("dictHotCorners")->asDictionary())["wvous-tl-corner"] = "13";
    (*row(0, 5).find("dictHotCorners")->asDictionary())["wvous-tr-corner"] = "junk";
    prefs->applayToSystem(0);
    EXPECT_NE(lastCommand().find("defaults write com.apple.dock wvous-tl-corner -int 13 &&\n"),
              std::string::npos);
    EXPECT_NE(lastCommand().find("defaults write com.apple.dock wvous-tr-corner -int 0 &&\n"),
              std::string::npos);
}

TEST_F(Apply, ForeignKeysInAStoredCornerDictionaryNeverReachTheShell) {
    (*row(0, 5).find("dictHotCorners")->asDictionary())["x; touch /tmp/owned"] = "1";
    prefs->applayToSystem(0);
    EXPECT_EQ(lastCommand().find("owned"), std::string::npos);
}

TEST_F(Apply, BrowserBoxForcesSafariOverTheRowsBrowser) {
    *row(0, 8).find("box") = true;
    *row(0, 8).find("browser") = "firefox";
    prefs->applayToSystem(0);
    EXPECT_EQ(fakes.urlHandlers->defaults["http"], "com.apple.Safari");
    EXPECT_EQ(fakes.urlHandlers->defaults["https"], "com.apple.Safari");
    *row(0, 8).find("box") = false;
    prefs->applayToSystem(0);
    EXPECT_EQ(fakes.urlHandlers->defaults["http"], "org.mozilla.firefox");
    *row(0, 8).find("browser") = "NoBrowser";
    prefs->applayToSystem(0);
    EXPECT_EQ(fakes.urlHandlers->defaults["http"], "org.mozilla.firefox")
        << "no browser found: left unchanged";
}

TEST_F(Apply, EveryApplyRunsTheScriptTheRestartsAndTheBrowserStep) {
    prefs->setDefinitionSets(Array{Array{}, Array{}});
    prefs->applayToSystem(1);
    EXPECT_EQ(lastScript(), kPrologue + kEpilogue);
    EXPECT_EQ(lastCommand(), "status=0\nkillall Dock\nkillall NotificationCenter\nexit $status");
    EXPECT_EQ(fakes.urlHandlers->defaults["http"], "com.apple.Safari")
        << "with no row 8 the name stays Safari";
}

TEST_F(Apply, DisabledApplicationsAreQuitOneByOneAtSwitchOn) {
    prefs->setAppDisable(true, 0);  // Chess
    prefs->setAppDisable(true, 2);  // Zed
    prefs->setLendmode(true);
    fakes.appleScript->next = std::vector<std::string>{"1"};
    prefs->applayToSystem(0);
    // Which of them run, recorded at once; then each is quit if it (still) runs.
    ASSERT_EQ(fakes.appleScript->scripts.size(), 5u);
    EXPECT_EQ(fakes.appleScript->scripts[0],
              "if application \"Chess\" is running then\n return 1\n end if\n return 0\n");
    EXPECT_EQ(fakes.appleScript->scripts[1].find("\"Zed\""), 15u);
    EXPECT_EQ(fakes.store->writeCount(lendmode::keys::kAppsToReopen), 1u);
    EXPECT_EQ(fakes.appleScript->scripts[2],
              "if application \"Chess\" is running then\n quit application \"Chess\"\n return 1\n end if\n "
              "return 0\n");
    EXPECT_EQ(fakes.appleScript->scripts[3].find("\"Zed\""), 15u);
    EXPECT_EQ(prefs->appNeedRun(), (std::vector<std::string>{"Chess", "Zed"}));
    EXPECT_EQ(lastScript().find("activate"), std::string::npos);
}

TEST_F(Apply, OnlyAppsThatWereRunningAndAreStillDisabledAreReopened) {
    prefs->setAppDisable(true, 0);
    prefs->setAppDisable(true, 1);
    prefs->setAppDisable(true, 2);
    prefs->setAppNeedRun({"Chess", "Slack"});
    prefs->setAppDisable(false, 1);  // Slack is no longer disabled
    prefs->applayToSystem(1);        // Lendmode is off
    ASSERT_EQ(fakes.appleScript->scripts.size(), 1u);
    const std::string relaunchChess =
        "if application \"Chess\" is not running then\n tell application \"Chess\"\n activate\n end tell\n "
        "end if\n";
    // The relaunch pieces come after the row pieces, just before the epilogue.
    EXPECT_EQ(lastScript().substr(lastScript().size() - relaunchChess.size() - kEpilogue.size()),
              relaunchChess + kEpilogue);
    EXPECT_EQ(lastScript().find("Slack"), std::string::npos);
    EXPECT_EQ(lastScript().find("Zed"), std::string::npos) << "Zed was not running at switch-on";
    EXPECT_EQ(prefs->appNeedRun(), (std::vector<std::string>{"Chess", "Slack"}))
        << "switch-off leaves the list";
}

TEST_F(Apply, AFailedQuitIsNotRecorded) {
    prefs->setAppDisable(true, 0);
    prefs->setLendmode(true);
    fakes.appleScript->next = std::nullopt;  // e.g. automation refused
    prefs->applayToSystem(0);
    EXPECT_TRUE(prefs->appNeedRun().empty());
    fakes.appleScript->next = std::vector<std::string>{"0"};
    prefs->applayToSystem(0);
    EXPECT_TRUE(prefs->appNeedRun().empty());
}

TEST_F(Apply, NamesAreEscapedForAppleScript) {
    (*(*prefs->appDisabled())[0].asArray())[0] = "My \"Quoted\" App\\";
    prefs->setAppDisable(true, 0);
    prefs->setLendmode(true);
    prefs->applayToSystem(0);
    EXPECT_EQ(fakes.appleScript->scripts[0].substr(0, 52),
              "if application \"My \\\"Quoted\\\" App\\\\\" is running then");
}

TEST_F(Apply, ImmediateOperationsSendTheirOwnTexts) {
    prefs->scriptDockPosition(0);
    EXPECT_EQ(lastScript(), kEdgeBottom);
    prefs->scriptDockVisable(false);
    EXPECT_EQ(lastScript(),
              "tell application \"System Events\" to tell dock preferences to set the autohide to true\n");
    prefs->scriptDarkMode(true);
    EXPECT_EQ(lastScript(),
              "tell application \"System Events\" to tell appearance preferences to set dark mode to true\n");
    prefs->scriptMouseInverse(true);
    const std::string pad(24, ' ');
    EXPECT_EQ(
        lastScript(),
        pad + "if application \"System Preferences\" is running then\n" + pad +
            "quit application \"System Preferences\"\n" + pad + "end if\n" + pad +
            "do shell script \"defaults write NSGlobalDomain com.apple.swipescrolldirection -bool false\"\n" +
            pad + "tell application \"System Preferences\"\n" + pad +
            "reveal anchor \"trackpadTab\" of pane id \"com.apple.preference.trackpad\"\n" + pad +
            "end tell\n" + pad +
            "tell application \"System Events\" to tell process \"System Preferences\"\n" + pad +
            "click checkbox 1 of tab group 1 of window 1\n" + pad + "end tell\n" + pad +
            "quit application \"System Preferences\"\n");
    prefs->scriptDoNotDistrib(true);
    const std::string eight(8, ' ');
    EXPECT_EQ(lastCommand(), eight + kDndOn + "\n" + eight + kDndOnDate + "\n" + eight +
                                 "killall NotificationCenter\n" + eight + "killall SystemUIServer\n");
}

TEST_F(Apply, HotCornersOffWritesZerosOrTheOwnersCorners) {
    prefs->scriptHotCornersOFF(true);
    EXPECT_EQ(lastCommand().rfind(
                  "killall System\\ Preferences\ndefaults write com.apple.dock wvous-bl-corner -int 0\n", 0),
              0u);
    EXPECT_EQ(lastCommand().substr(lastCommand().size() - 13), "\nkillall Dock");
    (*row(1, 5).find("dictHotCorners")->asDictionary())["wvous-tl-corner"] = "2";
    prefs->scriptHotCornersOFF(false);
    EXPECT_NE(lastCommand().find("wvous-tl-corner -int 2\n"), std::string::npos);
    // No row 5 in the owner snapshot: only System Preferences and the Dock.
    Array owner = *prefs->definitionSets()[1].asArray();
    owner.erase(owner.begin() + 2);
    prefs->setDefinitionSets(Array{prefs->definitionSets()[0], owner});
    prefs->scriptHotCornersOFF(false);
    EXPECT_EQ(lastCommand(), "killall System\\ Preferences\nkillall Dock");
}
