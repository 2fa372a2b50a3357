#include <gtest/gtest.h>

#include <tuple>

#include "model/Preferences.h"
#include "tests/support/Fakes.h"

using lendmode::DefinitionSets;
using lendmode::Preferences;
using plist::Array;
using plist::Dictionary;
using plist::Value;
using testing_support::FakePorts;

namespace {

constexpr const char* kDnd =
    "defaults read ~/Library/Preferences/ByHost/com.apple.notificationcenterui.plist doNotDisturb";
constexpr const char* kCorners = "defaults read com.apple.dock | grep wvous";
constexpr const char* kScroll = "defaults read -g com.apple.swipescrolldirection";
constexpr const char* kAutohide = "defaults read com.apple.dock autohide";
constexpr const char* kOrientation = "defaults read com.apple.dock orientation";
constexpr const char* kStyle = "defaults read -g AppleInterfaceStyle";
constexpr const char* kAutomatic = "defaults read -g AppleInterfaceStyleSwitchesAutomatically";
constexpr const char* kMuted = "osascript -e 'output muted of (get volume settings)'";
constexpr const char* kCreateDesktop = "defaults read com.apple.finder CreateDesktop";

struct Snapshot : ::testing::Test {
    FakePorts fakes;
    Preferences* prefs = nullptr;
    void SetUp() override {
        fakes.urlHandlers->all = std::vector<std::string>{"com.apple.Safari", "com.google.Chrome"};
        fakes.urlHandlers->defaults["http"] = "com.google.Chrome";
        prefs = &Preferences::resetShared(fakes.ports());
    }
    void TearDown() override { Preferences::resetShared(); }
    Value value(const Array& set, int id, const char* key) {
        for (const Value& r : set) {
            if (r.find("ID")->integerValue() == id) return r.find(key) ? *r.find(key) : Value("missing");
        }
        return Value("missing");
    }
};

}  // namespace

// The texts read one setting each: they are handed over together, to run at once, and
// each runs once.
TEST_F(Snapshot, RunsTheNineTextsInOrderAfterTheApplicationQueryAllAtOnce) {
    const std::vector<std::string> texts{testing_support::kApplicationQuery,
                                         kDnd,
                                         kCorners,
                                         kScroll,
                                         kAutohide,
                                         kOrientation,
                                         kStyle,
                                         kAutomatic,
                                         kMuted,
                                         kCreateDesktop};
    prefs->settingsUser();
    EXPECT_EQ(fakes.shell->commands, texts);
    EXPECT_EQ(fakes.shell->batches, std::vector<std::vector<std::string>>{texts});

    // The snapshot's outputs are its own: a later read runs its text again.
    fakes.shell->commands.clear();
    fakes.shell->answers[kAutohide] = "1";
    EXPECT_EQ(prefs->runShellScript(kAutohide), "1");
    EXPECT_EQ(fakes.shell->commands, std::vector<std::string>{kAutohide});
}

// Each snapshot lists the applications the query prints at that moment, whatever the
// snapshot in place lists, and leaves that one's list as it was.
TEST_F(Snapshot, ListsWhatTheQueryPrintsNowAndLeavesTheSnapshotInPlaceAlone) {
    fakes.shell->installApplications("/Applications/Chess.app\n/Applications/Slack.app\n");
    prefs->readCurrentDefinitionSets();
    const Array listedBefore = *DefinitionSets::applicationList(*prefs->definitionSets()[1].asArray());
    ASSERT_EQ(listedBefore.size(), 2u);
    Array snapshot = prefs->settingsUser();
    EXPECT_EQ(*DefinitionSets::applicationList(snapshot), listedBefore) << "the same applications installed";
    EXPECT_EQ(*DefinitionSets::applicationList(*prefs->definitionSets()[1].asArray()), listedBefore);

    prefs->definitionSets()[1] = std::move(snapshot);
    fakes.shell->installApplications(
        "/Applications/Chess.app\n/Applications/Slack.app\n/Applications/Zoom.app\n");
    snapshot = prefs->settingsUser();
    EXPECT_EQ(DefinitionSets::applicationList(snapshot)->size(), 3u);
    EXPECT_EQ(DefinitionSets::applicationList(*prefs->definitionSets()[1].asArray())->size(), 2u);
}

TEST_F(Snapshot, EmptyAnswersGiveEveryFallback) {
    fakes.urlHandlers->defaults.clear();
    const Array set = prefs->settingsUser();
    EXPECT_EQ(value(set, 31, "segmentSelected"), Value(0));
    EXPECT_EQ(value(set, 3, "box"), Value(0));
    EXPECT_EQ(value(set, 5, "box"), Value(false));
    EXPECT_EQ(value(set, 5, "dictHotCorners"), Value(Dictionary{})) << "no corner key the owner lacks";
    EXPECT_EQ(value(set, 8, "box"), Value(false));
    EXPECT_EQ(value(set, 8, "browser"), Value("NoBrowser"));
    EXPECT_EQ(value(set, 4, "box"), Value(1)) << "no stored direction is macOS's default, natural scrolling";
    EXPECT_EQ(value(set, 9, "box"), Value(1));
    EXPECT_EQ(value(set, 32, "segmentSelected"), Value(0));
    EXPECT_EQ(value(set, 33, "segmentSelected"), Value(0));
    fakes.shell->answers[kScroll] = "0\n";
    EXPECT_EQ(value(prefs->settingsUser(), 4, "box"), Value(0)) << "natural scrolling turned off";
}

TEST_F(Snapshot, ReadsEachOutputLeniently) {
    fakes.shell->answers[kDnd] = "1\n";
    fakes.shell->answers[kScroll] = "1\n";
    fakes.shell->answers[kAutohide] = "1\n";
    fakes.shell->answers[kOrientation] = "right\n";
    fakes.shell->answers[kStyle] = "Dark\n";
    const Array set = prefs->settingsUser();
    EXPECT_EQ(value(set, 3, "box"), Value(1));
    EXPECT_EQ(value(set, 4, "box"), Value(1));
    EXPECT_EQ(value(set, 9, "box"), Value(0));
    EXPECT_EQ(value(set, 32, "segmentSelected"), Value(2));
    EXPECT_EQ(value(set, 33, "segmentSelected"), Value(1));
    // Types as stored: 3, 4, 9 integers; 5 and 8 booleans; 32 and 33 integers.
    EXPECT_TRUE(value(set, 3, "box").isInteger());
    EXPECT_TRUE(value(set, 5, "box").isBoolean());
    EXPECT_TRUE(value(set, 8, "box").isBoolean());
}

TEST_F(Snapshot, OrientationAndAppearanceRules) {
    for (const auto& [orientation, expected] :
         std::vector<std::pair<std::string, int>>{{"left\n", 1}, {"right\n", 2}, {"bottom\n", 0}, {"", 0}}) {
        fakes.shell->answers[kOrientation] = orientation;
        EXPECT_EQ(value(prefs->settingsUser(), 32, "segmentSelected"), Value(expected)) << orientation;
    }
    fakes.shell->answers[kStyle] = "";
    fakes.shell->answers[kAutomatic] = "1\n";
    EXPECT_EQ(value(prefs->settingsUser(), 33, "segmentSelected"), Value(2));
    fakes.shell->answers[kStyle] = "Dark\n";
    EXPECT_EQ(value(prefs->settingsUser(), 33, "segmentSelected"), Value(2))
        << "automatic, though dark just now";
    fakes.shell->answers[kAutomatic] = "";
    EXPECT_EQ(value(prefs->settingsUser(), 33, "segmentSelected"), Value(1));
    fakes.shell->answers[kStyle] = "Light\n";
    fakes.shell->answers[kAutomatic] = "0\n";
    EXPECT_EQ(value(prefs->settingsUser(), 33, "segmentSelected"), Value(0));
    fakes.shell->answers[kAutohide] = "0\n";
    EXPECT_EQ(value(prefs->settingsUser(), 9, "box"), Value(1));
}

// The sound's box says muted; the desktop's says hidden, as Finder reads the stored
// value, and a key the owner never stored is marked as such.
TEST_F(Snapshot, SoundAndDesktopIconRules) {
    for (const auto& [stored, hidden, absent] :
         std::vector<std::tuple<std::string, int, Value>>{{"", 0, Value(true)},
                                                          {"1\n", 0, Value("missing")},
                                                          {"0\n", 1, Value("missing")},
                                                          {"false\n", 1, Value("missing")},
                                                          {"YES\n", 0, Value("missing")}}) {
        fakes.shell->answers[kCreateDesktop] = stored;
        const Array set = prefs->settingsUser();
        EXPECT_EQ(value(set, 52, "box"), Value(hidden)) << stored;
        EXPECT_EQ(value(set, 52, "keyAbsent"), absent) << stored;
    }
    fakes.shell->answers[kMuted] = "true\n";
    EXPECT_EQ(value(prefs->settingsUser(), 51, "box"), Value(1));
    fakes.shell->answers[kMuted] = "false\n";
    EXPECT_EQ(value(prefs->settingsUser(), 51, "box"), Value(0));
}

TEST_F(Snapshot, HotCornersComeFromTheWholeDomainListing) {
    fakes.shell->answers[kCorners] =
        "    \"wvous-tl-corner\" = 2;\n"
        "    \"wvous-tl-modifier\" = 524288;\n"
        "    \"wvous-br-corner\"=13;\n"
        "    \"wvous-bl-corner\" = \"5\";\n"  // quoted: not a number, 0
        "    \"wvous-tr-corner\" = -3;\n";    // negative: no digits after '=', 0
    const Dictionary corners = prefs->hotCornersOLD();
    EXPECT_EQ(corners.at("wvous-tl-corner"), Value("2"));
    EXPECT_EQ(corners.at("wvous-tl-modifier"), Value("524288"));
    EXPECT_EQ(corners.at("wvous-br-corner"), Value("13"));
    EXPECT_EQ(corners.at("wvous-bl-corner"), Value("0"));
    EXPECT_EQ(corners.at("wvous-tr-corner"), Value("0"));
    EXPECT_EQ(corners.count("wvous-br-modifier"), 0u)
        << "the owner has none: putting it back must not add it";
    EXPECT_EQ(corners.size(), 5u);
    const Array set = prefs->settingsUser();
    EXPECT_EQ(value(set, 5, "dictHotCorners"), Value(corners));
    EXPECT_EQ(value(set, 5, "box"), Value(false)) << "the owner snapshot never turns hot corners off";
}

TEST_F(Snapshot, OnlyTheDomainsTopLevelEntriesCount) {
    // What grep keeps of a listing where a dictionary and an array hold keys of the
    // same names, indented deeper than the domain's own entries.
    fakes.shell->answers[kCorners] =
        "            \"wvous-tl-corner\" = 7;\n"
        "        \"wvous-br-corner\" = 6;\n"
        "    \"wvous-br-corner\" = 4;\n"
        "    \"wvous-br-corner\" = 5;\n"          // a second line for one key: the first wins
        "    \"wvous-tr-corner\\\" = 9;\";\n"     // a key that only begins like one
        "    \"wvous-bl-modifier\" =\t1048576;";  // the last line may lack its line feed
    const Dictionary corners = prefs->hotCornersOLD();
    EXPECT_EQ(corners.count("wvous-tl-corner"), 0u) << "a nested entry stood in for a missing one";
    EXPECT_EQ(corners.at("wvous-br-corner"), Value("4"));
    EXPECT_EQ(corners.count("wvous-tr-corner"), 0u);
    EXPECT_EQ(corners.at("wvous-bl-modifier"), Value("1048576"));
    EXPECT_EQ(corners.size(), 2u);
}

TEST_F(Snapshot, AnEndlessNumberIsNoHotCornerAndNoCrash) {
    const std::string endless(40000, '9');
    fakes.shell->answers[kCorners] =
        "    \"wvous-tl-corner\" = " + endless + ";\n    \"wvous-tr-corner\" = 9223372036854775807;\n";
    const Dictionary corners = prefs->hotCornersOLD();
    EXPECT_EQ(corners.at("wvous-tl-corner"), Value("0"));
    EXPECT_EQ(corners.at("wvous-tr-corner"), Value("9223372036854775807")) << "the largest 64-bit integer";
}

TEST_F(Snapshot, BrowserDetectionIsExactAndKeepsLetterCase) {
    fakes.urlHandlers->defaults["http"] = "com.apple.Safari";
    Array set = prefs->settingsUser();
    EXPECT_EQ(value(set, 8, "box"), Value(true));
    EXPECT_EQ(value(set, 8, "browser"), Value("Safari"));
    fakes.urlHandlers->defaults["http"] = "com.apple.safari";
    set = prefs->settingsUser();
    EXPECT_EQ(value(set, 8, "box"), Value(false));
    EXPECT_EQ(value(set, 8, "browser"), Value("safari"));
    fakes.urlHandlers->defaults["http"] = "org.mozilla.firefox";
    EXPECT_EQ(value(prefs->settingsUser(), 8, "browser"), Value("firefox"));
}

TEST_F(Snapshot, EachSnapshotIsANewSetSharingNothing) {
    fakes.shell->answers[kCorners] = "    \"wvous-tl-corner\" = 0;\n";
    Array first = prefs->settingsUser();
    const Array second = prefs->settingsUser();
    (*first[2].find("dictHotCorners")->asDictionary())["wvous-tl-corner"] = "9";
    EXPECT_EQ(second[2].find("dictHotCorners")->find("wvous-tl-corner")->asString()->c_str(),
              std::string("0"));
}
