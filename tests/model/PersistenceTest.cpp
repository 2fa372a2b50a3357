#include <gtest/gtest.h>

#include <algorithm>

#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "model/Preferences.h"
#include "tests/support/Fakes.h"

using lendmode::DefinitionSets;
using lendmode::mergedApplicationRecords;
using lendmode::Preferences;
using plist::Array;
using plist::Dictionary;
using plist::Value;
using testing_support::FakePorts;

namespace {

// Each start() is a new process on the same stored user defaults.
struct Persistence : ::testing::Test {
    FakePorts fakes;
    int observer = 0;
    int posts = 0;

    void SetUp() override {
        fakes.shell->installApplications("/Applications/Chess.app\n/Applications/Safari.app\n");
        lendmode::NotificationCenter::defaultCenter().addObserver(&observer, "VVVN1", [this] { ++posts; });
        lendmode::NotificationCenter::defaultCenter().addObserver(&observer, "VVVN2", [this] { ++posts; });
    }
    void TearDown() override {
        lendmode::NotificationCenter::defaultCenter().removeObserver(&observer);
        Preferences::resetShared();
    }
    Preferences& start() {
        Preferences& prefs = Preferences::resetShared(fakes.ports());
        prefs.readCurrentDefinitionSets();
        return prefs;
    }
    Value stored() { return fakes.store->contents().at(lendmode::keys::kDefinitionSets); }
    std::size_t storeCount() { return fakes.store->writeCount(lendmode::keys::kDefinitionSets); }
};

}  // namespace

TEST_F(Persistence, FirstStartBuildsDefaultsAndStoresBothSets) {
    Preferences& prefs = start();
    EXPECT_EQ(prefs.currentSet(), 0u);
    EXPECT_EQ(fakes.store->contents().at(lendmode::keys::kCurrentSet), Value(0));
    EXPECT_EQ(fakes.store->contents().at(DefinitionSets::versionKey()), Value(true));
    ASSERT_EQ(prefs.definitionSets().size(), 2u);
    EXPECT_EQ(prefs.definitionSets()[0], Value(prefs.settingsDefault()));
    EXPECT_EQ(stored(), Value(prefs.definitionSets()));
    EXPECT_EQ(posts, 0) << "loading posts nothing";
}

TEST_F(Persistence, VersionKeyIsMadeFromTheShortVersionAndBuildNumber) {
    const std::string key = DefinitionSets::versionKey();
    EXPECT_EQ(key.rfind("28-", 0), 0u);
    EXPECT_EQ(key.back(), ')');
    EXPECT_NE(key.find('('), std::string::npos);
}

TEST_F(Persistence, ATickedApplicationSurvivesARestartAndTheSnapshotIsFresh) {
    start().setAppDisable(true, 0);
    fakes.shell->answers["defaults read com.apple.dock orientation"] = "right\n";
    Preferences& again = start();
    EXPECT_EQ((*(*again.appDisabled())[0].asArray())[1], Value(true));
    const Array& snapshot = *again.definitionSets()[1].asArray();
    EXPECT_EQ(*snapshot[6].find("segmentSelected"), Value(2)) << "set 1 is read anew at every load";
    EXPECT_EQ(stored(), Value(again.definitionSets()));
}

// An upgrade keeps the owner's choices: a new build takes the stored set as it is.
TEST_F(Persistence, ANewBuildKeepsTheOwnersChoicesAndTheCurrentSet) {
    start().setAppDisable(true, 0);
    Preferences::sharedPreferences().setObject(Value(false), "box", 3);
    Preferences::sharedPreferences().setCurrentSet(1);
    // As if the stored sets were made by another build.
    fakes.store->remove(DefinitionSets::versionKey());
    fakes.store->write("28-0.9(3)", true);
    Preferences& again = start();
    EXPECT_EQ((*(*again.appDisabled())[0].asArray())[1], Value(true));
    EXPECT_EQ(DefinitionSets::row(*again.definitionSets()[0].asArray(), 3)->at("box"), Value(false));
    EXPECT_EQ(again.currentSet(), 1u);
    EXPECT_EQ(fakes.store->contents().at("28-0.9(3)"), Value(true)) << "old version keys stay";
    EXPECT_EQ(fakes.store->contents().at(DefinitionSets::versionKey()), Value(true));
    EXPECT_EQ(stored(), Value(again.definitionSets()));
}

// A set stored before the rows for presenting were added, by this build or another:
// they come unticked after the application list, and every choice and every row this
// build does not know stay as they were.
TEST_F(Persistence, ASetFromBeforeTheNewRowsGainsThemUntickedAndKeepsEverythingElse) {
    start().setAppDisable(true, 0);
    const Array made = *stored().asArray()->front().asArray();
    Array older;
    for (const Value& row : made) {
        if (row.find("ID")->integerValue() < 51) older.push_back(row);
    }
    *older[5].find("box") = false;  // the Dock left to hide
    const Value later(
        Dictionary{{"ID", 77}, {"idCell", "Later"}, {"title1", "A later build's row"}, {"level", 3}});
    older.push_back(later);
    for (const bool newBuild : {false, true}) {
        fakes.store->write(lendmode::keys::kDefinitionSets, Array{older, Array{}});
        if (newBuild) fakes.store->remove(DefinitionSets::versionKey());
        const Array& set = *start().definitionSets()[0].asArray();
        std::vector<std::int64_t> ids;
        for (const Value& row : set) ids.push_back(row.find("ID")->integerValue());
        ASSERT_EQ(ids, (std::vector<std::int64_t>{31, 3, 5, 8, 4, 9, 32, 33, 41, 51, 52, 53, 77}))
            << newBuild;
        for (const std::size_t added : {9, 10, 11}) {
            EXPECT_EQ(set[added], made[added]) << "unticked, as a new set has it";
            EXPECT_EQ(*set[added].find("box"), Value(false));
        }
        EXPECT_EQ(*set[5].find("box"), Value(false));
        EXPECT_EQ(
            (*(*DefinitionSets::applicationList(*stored().asArray()->front().asArray()))[0].asArray())[1],
            Value(true));
        EXPECT_EQ(set.back(), later);
        EXPECT_EQ(stored(), Value(Preferences::sharedPreferences().definitionSets()));
        EXPECT_EQ(fakes.store->contents().at(DefinitionSets::versionKey()), Value(true));
    }
}

TEST_F(Persistence, AnEmptyStoredArrayIsTreatedLikeANewBuild) {
    start();
    Preferences::sharedPreferences().setCurrentSet(1);
    fakes.store->write(lendmode::keys::kDefinitionSets, Array{});
    Preferences& again = start();
    EXPECT_EQ(again.currentSet(), 1u);
    EXPECT_EQ(again.definitionSets().size(), 2u);
    EXPECT_EQ(stored().asArray()->size(), 2u);
}

TEST_F(Persistence, AMalformedStoredSetIsNotLoadedAndIsLeftAsItWas) {
    start();
    const std::size_t storesBefore = storeCount();
    const Value garbage[] = {
        Value(Array{Value("not a set")}),
        Value(Array{Value(Array{Value("row that is not a dictionary")})}),
        Value(Array{Value(Array{Value(Dictionary{{"title1", "no ID"}})})}),
        Value(Array{Value(Array{Value(Dictionary{{"ID", 41}, {"DisabledApp", "not an array"}})})}),
        Value(
            Array{Value(Array{Value(Dictionary{{"ID", 41}, {"DisabledApp", Array{Array{"Chess", true}}}})})}),
        Value(Array{Value(
            Array{Value(Dictionary{{"ID", 5}, {"dictHotCorners", Dictionary{{"wvous-tl-corner", 2}}}})})}),
        Value(Array{Value(Array{Value(Dictionary{{"ID", "three"}})})}),
        Value(Array{Value(Array{Value(Dictionary{{"ID", 3}, {"box", Array{}}})})}),
        Value(Array{Value(Array{Value(Dictionary{{"ID", 32}, {"segment0", 5}})})}),
    };
    for (const Value& bad : garbage) {
        fakes.store->write(lendmode::keys::kDefinitionSets, bad);
        const std::size_t writes = storeCount();
        Preferences& again = start();
        ASSERT_EQ(again.definitionSets().size(), 2u);
        EXPECT_EQ(again.definitionSets()[0], Value(again.settingsDefault())) << "defaults serve this run";
        EXPECT_EQ(stored(), bad) << "the store is left as it was";
        EXPECT_EQ(storeCount(), writes);
        // Row changes would store again; reading alone must not.
    }
    EXPECT_GT(storeCount(), storesBefore);
}

TEST_F(Persistence, AStoredValueOfTheWrongTypeIsReplacedWithoutTouchingTheCurrentSet) {
    start();
    Preferences::sharedPreferences().setCurrentSet(1);
    fakes.store->write(lendmode::keys::kDefinitionSets, "garbage");
    Preferences& again = start();
    EXPECT_EQ(again.currentSet(), 1u);
    EXPECT_EQ(stored(), Value(again.definitionSets()));
}

TEST_F(Persistence, EachLoadAddsNewlyInstalledApplicationsAndDropsOnlyUntickedOnesThatAreGone) {
    start().setAppDisable(true, 0);  // Chess
    // Chess and Safari are removed; Zoom, Atlas and a second Chess come.
    fakes.shell->installApplications(
        "/Applications/Zoom.app\n/Applications/Atlas.app\n/Applications/Games/Chess.app\n");
    fakes.shell->commands.clear();
    Preferences& again = start();
    EXPECT_EQ(std::count_if(fakes.shell->commands.begin(), fakes.shell->commands.end(),
                            [](const std::string& c) { return c.starts_with("mdfind"); }),
              1)
        << "the snapshot's query serves the merge too";
    EXPECT_EQ(Value(*again.appDisabled()), Value(Array{
                                               Array{"Atlas", false, "/Applications/Atlas.app"},
                                               Array{"Chess", true, "/Applications/Chess.app"},
                                               Array{"Chess", false, "/Applications/Games/Chess.app"},
                                               Array{"Zoom", false, "/Applications/Zoom.app"},
                                           }))
        << "the ticked Chess stays, the unticked Safari goes, the new ones come unticked, by name";
    EXPECT_EQ(stored(), Value(again.definitionSets())) << "and it is stored";

    // A query that finds nothing (it may have failed) takes nothing away.
    fakes.shell->installApplications("");
    EXPECT_EQ(start().appDisabled()->size(), 4u);
}

TEST(InstalledApplications, RecordsWithoutAPathAreKnownByTheirName) {
    const Array listed{Array{"Notes", false}, Array{"Old", false}, Array{"Kept", true}};
    const Array installed{Array{"Notes", false, "/Applications/Notes.app"}};
    const Array merged = mergedApplicationRecords(listed, installed);
    EXPECT_EQ(Value(merged), Value(Array{Array{"Kept", true}, Array{"Notes", false}}))
        << "Notes is still installed and not listed twice; the unticked Old is gone";
}
