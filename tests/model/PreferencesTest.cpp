#include <gtest/gtest.h>

#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "model/Preferences.h"
#include "platform/posix/ManualMainThread.h"
#include "tests/support/MemoryUserDefaultsStore.h"

using lendmode::NotificationCenter;
using lendmode::Preferences;
namespace keys = lendmode::keys;
namespace notifications = lendmode::notifications;

namespace {

struct Fixture : ::testing::Test {
    std::shared_ptr<testing_support::MemoryUserDefaultsStore> store =
        std::make_shared<testing_support::MemoryUserDefaultsStore>();
    int observer = 0;
    int lendmodePosts = 0;

    platform::Ports ports() {
        platform::Ports p;
        p.userDefaults = store;
        p.mainThread = std::make_shared<platform::ManualMainThread>();
        return p;
    }
    void observe() {
        NotificationCenter::defaultCenter().addObserver(&observer, notifications::kLendmodeChanged,
                                                        [this] { ++lendmodePosts; });
    }
    void TearDown() override {
        NotificationCenter::defaultCenter().removeObserver(&observer);
        Preferences::resetShared();
    }
};

using PreferencesStore = Fixture;

}  // namespace

TEST_F(PreferencesStore, FreshInstallationReadsOffAndSetZero) {
    Preferences& prefs = Preferences::resetShared(ports());
    EXPECT_FALSE(prefs.lendmode());
    EXPECT_EQ(prefs.currentSet(), 0u);
    EXPECT_FALSE(prefs.launchOnStartup());
    EXPECT_TRUE(prefs.definitionSets().empty());
    EXPECT_TRUE(prefs.appNeedRun().empty());
    // Registered defaults answer reads but are never stored.
    EXPECT_FALSE(store->contents().count(keys::kCurrentSet));
    EXPECT_FALSE(store->contents().count(keys::kLendmode));
}

TEST_F(PreferencesStore, SetLendmodeStoresAndPostsOnlyOnARealChange) {
    Preferences& prefs = Preferences::resetShared(ports());
    observe();
    prefs.setLendmode(false);
    EXPECT_EQ(lendmodePosts, 0);
    EXPECT_EQ(store->writeCount(keys::kLendmode), 0u);

    prefs.setLendmode(true);
    EXPECT_EQ(lendmodePosts, 1);
    EXPECT_TRUE(prefs.lendmode());
    EXPECT_EQ(store->contents().at(keys::kLendmode), plist::Value(true));

    prefs.setLendmode(true);
    EXPECT_EQ(lendmodePosts, 1);
    prefs.setLendmode(false);
    EXPECT_EQ(lendmodePosts, 2);
    EXPECT_EQ(store->writeCount(keys::kLendmode), 2u);
}

TEST_F(PreferencesStore, ObserversSeeTheNewValueInsideThePost) {
    Preferences& prefs = Preferences::resetShared(ports());
    bool seen = false;
    NotificationCenter::defaultCenter().addObserver(&observer, notifications::kLendmodeChanged,
                                                    [&] { seen = prefs.lendmode(); });
    prefs.setLendmode(true);
    EXPECT_TRUE(seen);
}

TEST_F(PreferencesStore, StartingWithTheFlagOnResetsItWithoutAnyObserverHearing) {
    store->write(keys::kLendmode, true);
    Preferences& prefs = Preferences::resetShared(ports());
    EXPECT_FALSE(prefs.lendmode());
    EXPECT_EQ(store->contents().at(keys::kLendmode), plist::Value(false));
}

TEST_F(PreferencesStore, SharedObjectIsCreatedOnceAndInitRunsOnce) {
    Preferences& first = Preferences::resetShared(ports());
    first.setLendmode(true);
    Preferences& again = Preferences::sharedPreferences();
    EXPECT_EQ(&first, &again);
    EXPECT_TRUE(again.lendmode()) << "a second sharedPreferences() must not run init again";
}

TEST_F(PreferencesStore, CurrentSetReadsStoredTextsAndNumbersAlike) {
    Preferences& prefs = Preferences::resetShared(ports());
    prefs.setCurrentSet(1);
    EXPECT_EQ(store->contents().at(keys::kCurrentSet), plist::Value(1));
    EXPECT_EQ(prefs.currentSet(), 1u);
    store->write(keys::kCurrentSet, "1");
    EXPECT_EQ(prefs.currentSet(), 1u);
    store->write(keys::kCurrentSet, "rubbish");
    EXPECT_EQ(prefs.currentSet(), 0u);
}

TEST_F(PreferencesStore, LaunchOnStartupIsStoredStraightThrough) {
    Preferences& prefs = Preferences::resetShared(ports());
    prefs.setLaunchOnStartup(true);
    EXPECT_TRUE(prefs.launchOnStartup());
    EXPECT_EQ(store->contents().at(keys::kLaunchOnStartup), plist::Value(true));
    prefs.setLaunchOnStartup(false);
    EXPECT_FALSE(prefs.launchOnStartup());
}

TEST_F(PreferencesStore, FreshInstancesDoNotShareState) {
    Preferences::resetShared(ports()).setLendmode(true);
    auto other = std::make_shared<testing_support::MemoryUserDefaultsStore>();
    platform::Ports p = ports();
    p.userDefaults = other;
    Preferences& fresh = Preferences::resetShared(p);
    EXPECT_FALSE(fresh.lendmode());
    EXPECT_TRUE(store->contents().at(keys::kLendmode).truthValue());
}
