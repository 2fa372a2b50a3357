// The owner snapshot and the stored sets against a simulated Mac, its settings set
// through the real `defaults` stand-in, as an owner's would be.
#include <gtest/gtest.h>

#include "model/BuildInfo.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "tests/support/TestSupport.h"

using lendmode::Preferences;
using plist::Array;
using plist::Value;
using testing_support::runShell;
using testing_support::TempMac;

namespace {

struct OnSimMac : ::testing::Test {
    TempMac t;
    Preferences* prefs = nullptr;
    void SetUp() override { prefs = &Preferences::resetShared(platform::simulated::portsFor(t.root())); }
    void TearDown() override { Preferences::resetShared(); }
    void sh(const std::string& text) { ASSERT_EQ(runShell(t.root(), text).exitStatus, 0) << text; }
    static Value value(const Array& set, int id, const char* key) {
        for (const Value& r : set) {
            if (r.find("ID")->integerValue() == id) return *r.find(key);
        }
        return Value("missing");
    }
    // Each start is a new process on the same simulated Mac.
    Preferences& restart() {
        prefs = &Preferences::resetShared(platform::simulated::portsFor(t.root()));
        prefs->readCurrentDefinitionSets();
        return *prefs;
    }
};

}  // namespace

TEST_F(OnSimMac, TheSeededOwnersSettingsAreRead) {
    const Array set = prefs->settingsUser();
    EXPECT_EQ(value(set, 3, "box"), Value(0));
    // Only the keys the owner has: putting them back adds none.
    EXPECT_EQ(value(set, 5, "dictHotCorners"), Value(plist::Dictionary{{"wvous-br-corner", "4"},
                                                                       {"wvous-br-modifier", "0"},
                                                                       {"wvous-tl-corner", "2"},
                                                                       {"wvous-tl-modifier", "524288"}}));
    EXPECT_EQ(value(set, 8, "browser"), Value("Chrome"));
    EXPECT_EQ(value(set, 8, "box"), Value(false));
    EXPECT_EQ(value(set, 4, "box"), Value(1));
    EXPECT_EQ(value(set, 9, "box"), Value(0)) << "the seeded Dock hides";
    EXPECT_EQ(value(set, 32, "segmentSelected"), Value(1));
    EXPECT_EQ(value(set, 33, "segmentSelected"), Value(1));
    const Value list = value(set, 41, "DisabledApp");
    const Array& apps = *list.asArray();
    EXPECT_GT(apps.size(), 20u);
    EXPECT_EQ((*apps.front().asArray())[0], Value("1Password 7"));
}

TEST_F(OnSimMac, ADifferentOwnerIsReadAsSuch) {
    sh("defaults -currentHost write ~/Library/Preferences/ByHost/com.apple.notificationcenterui doNotDisturb "
       "-boolean true\n"
       "defaults delete com.apple.dock wvous-tl-corner\n"
       "defaults delete com.apple.dock wvous-tl-modifier\n"
       "defaults write com.apple.dock wvous-bl-corner -int 13\n"
       "defaults write com.apple.dock orientation -string right\n"
       "defaults delete com.apple.dock autohide\n"
       "defaults delete -g AppleInterfaceStyle\n"
       "defaults write -g AppleInterfaceStyleSwitchesAutomatically -bool true\n"
       "defaults write -g com.apple.swipescrolldirection -bool false");
    t.mac().setDefaultHandler("http", "com.apple.Safari");
    const Array set = prefs->settingsUser();
    EXPECT_EQ(value(set, 3, "box"), Value(1));
    const Value corners = value(set, 5, "dictHotCorners");
    EXPECT_EQ(*corners.find("wvous-bl-corner"), Value("13"));
    EXPECT_EQ(corners.find("wvous-tl-corner"), nullptr);
    EXPECT_EQ(*corners.find("wvous-br-corner"), Value("4"));
    EXPECT_EQ(value(set, 8, "box"), Value(true));
    EXPECT_EQ(value(set, 8, "browser"), Value("Safari"));
    EXPECT_EQ(value(set, 4, "box"), Value(0));
    EXPECT_EQ(value(set, 9, "box"), Value(1)) << "no autohide key: the Dock is visible";
    EXPECT_EQ(value(set, 32, "segmentSelected"), Value(2));
    EXPECT_EQ(value(set, 33, "segmentSelected"), Value(2));
}

TEST_F(OnSimMac, HotCornerKeysInsideOtherValuesAreIgnored) {
    sh("defaults delete com.apple.dock wvous-tl-corner\n"
       "defaults write com.apple.dock recent-corners -dict wvous-tl-corner 7\n"
       "defaults write com.apple.dock note \"$(printf 'x\\n    \"wvous-br-corner\" = 9;')\"");
    const Value corners = value(prefs->settingsUser(), 5, "dictHotCorners");
    EXPECT_EQ(corners.find("wvous-tl-corner"), nullptr);
    EXPECT_EQ(*corners.find("wvous-br-corner"), Value("4"));
}

TEST_F(OnSimMac, LightAppearanceBottomDockAndVisibleDock) {
    sh("defaults write com.apple.dock orientation bottom\n"
       "defaults write com.apple.dock autohide -bool false\n"
       "defaults delete -g AppleInterfaceStyle");
    const Array set = prefs->settingsUser();
    EXPECT_EQ(value(set, 32, "segmentSelected"), Value(0));
    EXPECT_EQ(value(set, 33, "segmentSelected"), Value(0));
    EXPECT_EQ(value(set, 9, "box"), Value(1));
}

TEST_F(OnSimMac, MissingDomainsGiveTheFallbacks) {
    sh("rm -f ~/Library/Preferences/com.apple.dock.plist ~/Library/Preferences/.GlobalPreferences.plist "
       "~/Library/Preferences/ByHost/com.apple.notificationcenterui.plist");
    const Array set = prefs->settingsUser();
    EXPECT_EQ(value(set, 3, "box"), Value(0));
    EXPECT_EQ(value(set, 5, "dictHotCorners"), Value(plist::Dictionary{}));
    EXPECT_EQ(value(set, 4, "box"), Value(1)) << "macOS's default: natural scrolling";
    EXPECT_EQ(value(set, 9, "box"), Value(1));
    EXPECT_EQ(value(set, 32, "segmentSelected"), Value(0));
    EXPECT_EQ(value(set, 33, "segmentSelected"), Value(0));
}

TEST_F(OnSimMac, SetsSurviveARestartInTheProgramsOwnDomain) {
    Preferences& first = restart();
    first.setAppDisable(true, 3);
    first.setCurrentSet(1);
    const Value ticked = (*first.appDisabled())[3];
    Preferences& second = restart();
    EXPECT_EQ((*second.appDisabled())[3], ticked);
    EXPECT_EQ((*ticked.asArray())[1], Value(true));
    EXPECT_EQ(second.currentSet(), 1u);
    // The stored sets are readable with the defaults tool, like any domain.
    const auto run =
        runShell(t.root(), std::string("defaults read ") + lendmode::build::kBundleIdentifier + " LM008");
    EXPECT_EQ(run.out, "1\n");
}

TEST_F(OnSimMac, AHandEditedGarbageStoreIsLeftAloneAndDefaultsServe) {
    restart();
    sh(std::string("defaults write ") + lendmode::build::kBundleIdentifier + " LM007 -array garbage more");
    Preferences& again = restart();
    EXPECT_EQ(again.definitionSets().size(), 2u);
    EXPECT_EQ(*t.mac().readDomain(lendmode::build::kBundleIdentifier)->at("LM007").asArray(),
              (Array{"garbage", "more"}));
}
