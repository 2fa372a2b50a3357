// What a new setting file must agree with: its row ID and its place in the set.
#include <gtest/gtest.h>

#include <set>

#include "engine/settings/Registry.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "tests/support/Fakes.h"

namespace settings = lendmode::settings;
namespace rowkeys = lendmode::rowkeys;
using plist::Value;

namespace {

TEST(SettingsRegistry, EachSettingOwnsOneRowOfTheDefaultSetInTheWrittenOrder) {
    testing_support::FakePorts fakes;
    lendmode::Preferences prefs(fakes.ports());
    const plist::Array set = prefs.settingsDefault(plist::Array{});

    // The first row and the applications row are no system settings.
    ASSERT_EQ(set.size(), settings::all().size() + 2);
    EXPECT_EQ(settings::forRow(lendmode::rows::kWhenLendmodeIsOn), nullptr);
    EXPECT_EQ(settings::forRow(lendmode::rows::kDisabledApps), nullptr);

    // The applications row stands where the registry says, between the settings.
    const std::size_t before = settings::beforeApplicationList();
    ASSERT_LT(before, settings::all().size());
    EXPECT_EQ(*set[before + 1].find(rowkeys::kID), Value(lendmode::rows::kDisabledApps));

    std::set<std::uint64_t> ids;
    for (std::size_t i = 0; i < settings::all().size(); ++i) {
        const settings::Setting& setting = *settings::all()[i];
        const std::size_t at = i + 1 + (i < before ? 0 : 1);
        const plist::Value* id = set[at].find(rowkeys::kID);
        ASSERT_NE(id, nullptr);
        EXPECT_EQ(*id, Value(static_cast<std::int64_t>(setting.rowId()))) << "row " << at;
        EXPECT_EQ(settings::forRow(setting.rowId()), &setting);
        EXPECT_TRUE(ids.insert(setting.rowId()).second) << "row ID " << setting.rowId() << " twice";
    }
}

}  // namespace
