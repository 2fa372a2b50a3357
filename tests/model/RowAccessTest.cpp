#include <gtest/gtest.h>

#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "model/Preferences.h"
#include "tests/support/Fakes.h"

using lendmode::NotificationCenter;
using lendmode::Preferences;
using plist::Array;
using plist::Value;
using testing_support::FakePorts;

namespace {

struct RowAccess : ::testing::Test {
    FakePorts fakes;
    Preferences* prefs = nullptr;
    int observer = 0;
    int posts = 0;
    std::size_t writesAtPost = 0;

    void SetUp() override {
        fakes.shell->installApplications(
            "/Applications/Chess.app\n/Applications/Safari.app\n/System/Applications/Mail.app\n");
        prefs = &Preferences::resetShared(fakes.ports());
        prefs->setDefinitionSets(Array{prefs->settingsDefault(), prefs->settingsDefault()});
        NotificationCenter::defaultCenter().addObserver(&observer, lendmode::notifications::kRowValueChanged,
                                                        [this] {
                                                            ++posts;
                                                            writesAtPost = stores();
                                                        });
    }
    void TearDown() override {
        NotificationCenter::defaultCenter().removeObserver(&observer);
        Preferences::resetShared();
    }
    std::size_t stores() const { return fakes.store->writeCount(lendmode::keys::kDefinitionSets); }
    const Value& rowOf(std::size_t set, int id) {
        for (const Value& r : *prefs->definitionSets()[set].asArray()) {
            if (r.find("ID")->integerValue() == id) return r;
        }
        throw std::runtime_error("no row");
    }
};

}  // namespace

TEST_F(RowAccess, OneChangePostsOnceBeforeStoringOnce) {
    const Array before = *prefs->definitionSets()[0].asArray();
    prefs->setObject(Value(false), "box", 9);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(writesAtPost, 0u) << "the notification comes before the store";
    EXPECT_EQ(stores(), 1u);
    EXPECT_EQ(*rowOf(0, 9).find("box"), Value(false));
    // Only row 9 of set 0 changed.
    Array expected = before;
    *expected[5].find("box") = false;
    EXPECT_EQ(*prefs->definitionSets()[0].asArray(), expected);
    EXPECT_EQ(*rowOf(1, 9).find("box"), Value(true));
    EXPECT_EQ(fakes.store->contents().at("LM007"), Value(prefs->definitionSets()));
}

TEST_F(RowAccess, UnknownIdChangesNothingPostsNothingStoresNothing) {
    const Array before = prefs->definitionSets();
    prefs->setObject(Value(true), "box", 7);
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(stores(), 0u);
    EXPECT_EQ(prefs->definitionSets(), before);
    EXPECT_FALSE(prefs->valueForKey("box", 7).has_value());
}

TEST_F(RowAccess, ValuesAreReadByIdAndNothingRemovesAKey) {
    EXPECT_EQ(prefs->valueForKey("box", 3), Value(true));
    EXPECT_FALSE(prefs->valueForKey("box", 41).has_value());
    prefs->setObject(std::nullopt, "title2", 3);
    EXPECT_FALSE(prefs->valueForKey("title2", 3).has_value());
    EXPECT_EQ(posts, 1);
}

TEST_F(RowAccess, TheCurrentSetDecidesWhereValuesGo) {
    prefs->setCurrentSet(1);
    prefs->setObject(Value(2u), "segmentSelected", 32);
    EXPECT_EQ(*rowOf(1, 32).find("segmentSelected"), Value(2));
    EXPECT_EQ(*rowOf(0, 32).find("segmentSelected"), Value(0));
    EXPECT_EQ(prefs->valueForKey("segmentSelected", 32), Value(2));
}

TEST_F(RowAccess, AnIndexOutsideTheStoredSetsFallsBackToSetZero) {
    fakes.store->write(lendmode::keys::kCurrentSet, 7);
    prefs->setObject(Value(false), "box", 4);
    EXPECT_EQ(*rowOf(0, 4).find("box"), Value(false));
    EXPECT_EQ(prefs->valueForKey("box", 4), Value(false));
    EXPECT_EQ(fakes.store->contents().at(lendmode::keys::kCurrentSet), Value(7))
        << "the stored index is kept";
}

TEST_F(RowAccess, DisabledFlagsAlwaysLiveInSetZero) {
    prefs->setCurrentSet(1);
    prefs->setAppDisable(true, 2);
    const Array& set0Apps = *rowOf(0, 41).find("DisabledApp")->asArray();
    const Array& set1Apps = *rowOf(1, 41).find("DisabledApp")->asArray();
    EXPECT_EQ(set0Apps[2], Value(Array{"Safari", true, "/Applications/Safari.app"}));
    EXPECT_EQ(set1Apps[2], Value(Array{"Safari", false, "/Applications/Safari.app"}));
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(stores(), 1u);
}

TEST_F(RowAccess, TheLiveListSeesAFlagAtOnce) {
    plist::Array* apps = prefs->appDisabled();
    ASSERT_NE(apps, nullptr);
    EXPECT_EQ(prefs->appDisabled(), apps) << "the same list until the sets are reloaded";
    prefs->setAppDisable(true, 0);
    EXPECT_EQ((*(*apps)[0].asArray())[1], Value(true));
}

TEST_F(RowAccess, AnIndexBeyondTheListIsIgnored) {
    const Array before = prefs->definitionSets();
    prefs->setAppDisable(true, 3);
    prefs->setAppDisable(true, 1000000);
    EXPECT_EQ(prefs->definitionSets(), before);
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(stores(), 0u);
}

TEST_F(RowAccess, NoListInSetZeroMeansNothingToBlockOrChange) {
    Array set0 = *prefs->definitionSets()[0].asArray();
    std::erase_if(set0, [](const Value& row) { return row.find("ID")->integerValue() == 41; });
    prefs->setDefinitionSets(Array{set0, prefs->settingsDefault()});
    EXPECT_EQ(prefs->appDisabled(), nullptr);
    prefs->setAppDisable(true, 0);
    EXPECT_EQ(posts, 0);
}

TEST_F(RowAccess, NothingHappensBeforeTheSetsAreLoaded) {
    prefs->setDefinitionSets(Array{});
    prefs->setObject(Value(true), "box", 3);
    prefs->setAppDisable(true, 0);
    EXPECT_FALSE(prefs->valueForKey("box", 3).has_value());
    EXPECT_EQ(prefs->appDisabled(), nullptr);
    EXPECT_EQ(posts, 0);
}
