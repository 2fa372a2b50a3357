#include <gtest/gtest.h>

#include <functional>

#include <set>

#include "model/ApplicationRecord.h"
#include "model/Preferences.h"
#include "tests/support/Fakes.h"

using lendmode::applicationRecords;
using lendmode::Preferences;
using plist::Array;
using plist::Dictionary;
using plist::Value;
using testing_support::FakePorts;

namespace {

struct DefaultSet : ::testing::Test {
    FakePorts fakes;
    Preferences* prefs = nullptr;
    void SetUp() override {
        fakes.urlHandlers->all = std::vector<std::string>{"com.apple.Safari", "com.google.Chrome"};
        fakes.urlHandlers->defaults["http"] = "com.google.Chrome";
        fakes.shell->installApplications("/Applications/Zed.app\n/System/Applications/Mail.app\n");
        prefs = &Preferences::resetShared(fakes.ports());
    }
    void TearDown() override { Preferences::resetShared(); }
    static const Dictionary& row(const Array& set, std::size_t i) { return *set.at(i).asDictionary(); }
    static std::set<std::string> keysOf(const Dictionary& d) {
        std::set<std::string> keys;
        for (const auto& [k, v] : d) keys.insert(k);
        return keys;
    }
};

}  // namespace

TEST_F(DefaultSet, TwelveRowsInOrderWithEveryKeyAndType) {
    const Array set = prefs->settingsDefault();
    ASSERT_EQ(set.size(), 12u);
    const int ids[] = {31, 3, 5, 8, 4, 9, 32, 33, 41, 51, 52, 53};
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(row(set, i).at("ID"), Value(ids[i])) << "row " << i;
        EXPECT_TRUE(row(set, i).at("ID").isInteger());
    }

    EXPECT_EQ(row(set, 0), (Dictionary{{"ID", 31},
                                       {"idCell", "Segment2Custom"},
                                       {"title1", "When Lendmode is on:"},
                                       {"segment0", "Lendmode"},
                                       {"segment1", "owner"},
                                       {"segmentSelected", 0},
                                       {"segmentID", 31}}));
    EXPECT_EQ(row(set, 1), (Dictionary{{"ID", 3},
                                       {"idCell", "Chekbox"},
                                       {"title1", "Do not Disturb"},
                                       {"title2", "Notifications will be off"},
                                       {"box", true},
                                       {"boxID", 3}}));
    const Dictionary zeros{{"wvous-bl-corner", "0"},   {"wvous-bl-modifier", "0"}, {"wvous-br-corner", "0"},
                           {"wvous-br-modifier", "0"}, {"wvous-tl-corner", "0"},   {"wvous-tl-modifier", "0"},
                           {"wvous-tr-corner", "0"},   {"wvous-tr-modifier", "0"}};
    EXPECT_EQ(row(set, 2), (Dictionary{{"ID", 5},
                                       {"idCell", "Chekbox"},
                                       {"title1", "Hot corners off"},
                                       {"title2", "Hot corners will be turned off"},
                                       {"dictHotCorners", zeros},
                                       {"box", true},
                                       {"boxID", 5}}));
    EXPECT_EQ(row(set, 3), (Dictionary{{"ID", 8},
                                       {"idCell", "Chekbox"},
                                       {"title1", "Browser set to Safari"},
                                       {"title2", "Set Safari as default Browser"},
                                       {"box", false},
                                       {"browser", "Chrome"},
                                       {"boxID", 8}}));
    EXPECT_EQ(row(set, 4), (Dictionary{{"ID", 4},
                                       {"idCell", "Chekbox"},
                                       {"title1", "Default scroll"},
                                       {"title2", "Apple\xE2\x80\x99s natural scrolling"},
                                       {"box", true},
                                       {"boxID", 4}}));
    EXPECT_EQ(row(set, 5), (Dictionary{{"ID", 9},
                                       {"idCell", "Chekbox"},
                                       {"title1", "Dock visible"},
                                       {"title2", "Keep dock above the bottom of the screen"},
                                       {"box", true},
                                       {"boxID", 9}}));
    EXPECT_EQ(row(set, 6), (Dictionary{{"ID", 32},
                                       {"idCell", "SegmentControl3"},
                                       {"title1", "Dock location"},
                                       {"title2", "Put the dock on the bottom, not the sides"},
                                       {"title2-0", "Put the dock on the bottom"},
                                       {"title2-1", "Put the dock on the left side"},
                                       {"title2-2", "Put the dock on the right side"},
                                       {"segment0", "Bottom"},
                                       {"segment1", "Left side"},
                                       {"segment2", "Right side"},
                                       {"segmentSelected", 0},
                                       {"segmentID", 32}}));
    EXPECT_EQ(row(set, 7), (Dictionary{{"ID", 33},
                                       {"idCell", "SegmentControl3"},
                                       {"title1", "Dark mode"},
                                       {"title2", "Apple default dark mode after sunset"},
                                       {"title2-0", "Set light mode"},
                                       {"title2-1", "Set dark mode"},
                                       {"title2-2", "NOTE: Applies only when logging back in"},
                                       {"segment0", "Light"},
                                       {"segment1", "Dark"},
                                       {"segment2", "Auto"},
                                       {"segmentSelected", 2},
                                       {"segmentID", 33}}));
    EXPECT_EQ(keysOf(row(set, 8)), (std::set<std::string>{"ID", "idCell", "title1", "DisabledApp"}));
    EXPECT_EQ(row(set, 8).at("title1"), Value("Apps disabled in guest mode:"));
    EXPECT_EQ(row(set, 8).at("DisabledApp"),
              Value(Array{Array{"Mail", false, "/System/Applications/Mail.app"},
                          Array{"Zed", false, "/Applications/Zed.app"}}));
    // After the list, unticked: a new set changes nothing more than an older one did.
    EXPECT_EQ(row(set, 9), (Dictionary{{"ID", 51},
                                       {"idCell", "Chekbox"},
                                       {"title1", "Mute sound"},
                                       {"title2", "No sound while the screen is shared"},
                                       {"box", false},
                                       {"boxID", 51}}));
    EXPECT_EQ(row(set, 10), (Dictionary{{"ID", 52},
                                        {"idCell", "Chekbox"},
                                        {"title1", "Hide desktop icons"},
                                        {"title2", "Keep your files off a shared screen"},
                                        {"box", false},
                                        {"boxID", 52}}));
    EXPECT_EQ(row(set, 11), (Dictionary{{"ID", 53},
                                        {"idCell", "Chekbox"},
                                        {"title1", "Keep the Mac awake"},
                                        {"title2", "No sleep and no dark display while Lendmode is on"},
                                        {"box", false},
                                        {"boxID", 53}}));
}

TEST_F(DefaultSet, TwoCallsShareNothing) {
    Array first = prefs->settingsDefault();
    const Array second = prefs->settingsDefault();
    EXPECT_EQ(first, second);
    (*first[2].find("dictHotCorners")->asDictionary())["wvous-tl-corner"] = "2";
    (*(*first[8].find("DisabledApp")->asArray())[0].asArray())[1] = true;
    *first[1].find("box") = false;
    EXPECT_NE(first, second);
    EXPECT_EQ(*(*second[2].find("dictHotCorners")).find("wvous-tl-corner"), Value("0"));
    EXPECT_EQ((*(*second[8].find("DisabledApp")->asArray())[0].asArray())[1], Value(false));
}

TEST_F(DefaultSet, MissingLoginNameAndBrowserHaveSafeValues) {
    fakes.account->name = std::nullopt;
    fakes.urlHandlers->defaults.clear();
    Array set = prefs->settingsDefault();
    EXPECT_EQ(*set[0].find("segment1"), Value(""));
    EXPECT_EQ(*set[3].find("browser"), Value("NoBrowser"));
    fakes.urlHandlers->defaults["http"] = "com.example.";  // short name is empty
    set = prefs->settingsDefault();
    EXPECT_EQ(*set[3].find("browser"), Value("NoBrowser"));
}

TEST_F(DefaultSet, NoRowCarriesSliderKeysAndTheHotCornerDictionaryIsFresh) {
    for (const Value& r : prefs->settingsDefault()) {
        for (const char* key : {"sliderMin", "sliderMax", "sliderValue", "sliderID"})
            EXPECT_EQ(r.find(key), nullptr);
    }
    Dictionary corners = prefs->zerroHotCorners();
    corners["wvous-tl-corner"] = "5";
    EXPECT_EQ(prefs->zerroHotCorners().at("wvous-tl-corner"), Value("0"));
    EXPECT_EQ(prefs->zerroHotCorners().size(), 8u);
}

TEST_F(DefaultSet, ApplicationQueryIsTheExactText) {
    prefs->appListOnSystem();
    ASSERT_EQ(fakes.shell->commands.size(), 1u);
    EXPECT_EQ(fakes.shell->commands[0], "mdfind \"kMDItemContentType == 'com.apple.application-bundle'\"");
}

TEST(ApplicationRecords, KeepsTheTwoFoldersAndSortsByCharacterCode) {
    const Array records = applicationRecords(
        "/Applications/Zed.app\n/System/Applications/Mail.app\n/Users/x/Applications/Tool.app\n");
    EXPECT_EQ(records, (Array{Array{"Mail", false, "/System/Applications/Mail.app"},
                              Array{"Zed", false, "/Applications/Zed.app"}}));
}

TEST(ApplicationRecords, SubfoldersNestedBundlesDuplicatesAndOddNames) {
    const Array records = applicationRecords(
        "/Applications/Utilities/Terminal.app\n"
        "/Applications/Xcode.app/Contents/Applications/Instruments.app\n"
        "/applications/lower.app\n"  // the prefix test is case-sensitive
        "/System/Library/CoreServices/Finder.app\n"
        "/Applications/zoom.us.app\n"
        "/Applications/Zoom.app\n"
        "/Applications/NoExtension\n"
        "/Applications/Terminal.app\n"
        "\n");
    std::vector<std::string> names;
    for (const Value& r : records) {
        names.push_back(*(*r.asArray())[0].asString());
        EXPECT_EQ((*r.asArray())[1], Value(false));
    }
    // Capitals first; "zoom.us" keeps its first dot as part of the name; no de-duplication.
    EXPECT_EQ(names, (std::vector<std::string>{"Instruments", "NoExtension", "Terminal", "Terminal", "Zoom",
                                               "zoom.us"}));
}

// Every list is made from what the query printed: the same applications in another
// order make the same list, and one installed or removed since shows at once.
TEST(ApplicationRecords, AListIsMadeFromWhatTheQueryPrintedAndNothingElse) {
    const std::string output =
        "/Applications/Zed.app\n/System/Applications/Mail.app\n/Users/x/Applications/Tool.app\n"
        "/Applications/Utilities/Terminal.app\n";
    const Array records = applicationRecords(output);
    EXPECT_EQ(
        applicationRecords(
            "/Applications/Utilities/Terminal.app\n/System/Applications/Mail.app\n/Applications/Zed.app"),
        records)
        << "another order, no other folder";
    const auto names = [](const Array& list) {
        std::vector<std::string> out;
        for (const Value& r : list) out.push_back(*(*r.asArray())[0].asString());
        return out;
    };
    EXPECT_EQ(names(applicationRecords(output + "/Applications/New.app\n")),
              (std::vector<std::string>{"Mail", "New", "Terminal", "Zed"}))
        << "installed since";
    EXPECT_EQ(names(applicationRecords("/Applications/Zed.app\n/System/Applications/Mail.app\n")),
              (std::vector<std::string>{"Mail", "Zed"}))
        << "removed since";
}

// Stored records may have been damaged by an outside edit: every reading has a safe
// answer, and only a record with a flag to set is changed.
TEST(ApplicationRecords, StoredRecordsAreReadLenientlyAndChangedOnlyWhereTheyCanBe) {
    using lendmode::ApplicationRecord;
    const Value whole = ApplicationRecord{"Chess", true, "/Applications/Chess.app"}.stored();
    EXPECT_EQ(whole, Value(Array{"Chess", true, "/Applications/Chess.app"}));
    EXPECT_TRUE(ApplicationRecord::isWellFormed(whole));
    EXPECT_EQ(ApplicationRecord::storedName(whole), "Chess");
    EXPECT_TRUE(ApplicationRecord::storedDisabled(whole));
    EXPECT_EQ(ApplicationRecord::storedPath(whole), "/Applications/Chess.app");

    const Value older(Array{"Chess", false});  // made before records held a path
    EXPECT_FALSE(ApplicationRecord::isWellFormed(older));
    EXPECT_EQ(ApplicationRecord::storedName(older), "Chess");
    EXPECT_EQ(ApplicationRecord::storedPath(older), "");
    Value ticked = older;
    EXPECT_TRUE(ApplicationRecord::setStoredDisabled(ticked, true));
    EXPECT_EQ(ticked, Value(Array{"Chess", true}));

    for (Value damaged :
         {Value(Array{}), Value(Array{42}), Value(Dictionary{{"0", "Chess"}}), Value("Chess")}) {
        const Value before = damaged;
        EXPECT_EQ(ApplicationRecord::storedName(damaged), "");
        EXPECT_FALSE(ApplicationRecord::storedDisabled(damaged));
        EXPECT_EQ(ApplicationRecord::storedPath(damaged), "");
        EXPECT_FALSE(ApplicationRecord::isWellFormed(damaged));
        EXPECT_FALSE(ApplicationRecord::setStoredDisabled(damaged, true));
        EXPECT_EQ(damaged, before) << "left as it was";
    }
}

TEST(ApplicationRecords, NoOutputGivesAnEmptyList) {
    EXPECT_TRUE(applicationRecords("").empty());
    EXPECT_TRUE(applicationRecords("\n\n").empty());
}
