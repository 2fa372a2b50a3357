// The program's one way into its platform: on Linux, the simulated Mac named by the
// environment; and a model that is never given ports refuses to guess them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "model/BuildInfo.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "platform/Platform.h"
#include "platform/QtPorts.h"
#include "tests/support/TestSupport.h"

using lendmode::Preferences;

TEST(Platform, TheInstalledPortsReachTheSimulatedMacNamedByTheEnvironment) {
    testing_support::TempMac t;
    ::setenv("LENDMODE_SIM_ROOT", t.root().c_str(), 1);
    Preferences::resetShared();
    Preferences::useSharedPorts(platform::installPlatform());
    Preferences& prefs = Preferences::sharedPreferences();
    EXPECT_TRUE(prefs.setLendmode(true));
    const auto domain = t.mac().readDomain(lendmode::build::kBundleIdentifier);
    ASSERT_TRUE(domain.has_value());
    EXPECT_EQ(domain->at(lendmode::keys::kLendmode), plist::Value(true));
    EXPECT_EQ(prefs.runShellScript("echo $LENDMODE_SIM_ROOT"), t.root() + "\n")
        << "shells reach the same Mac";
    EXPECT_TRUE(platform::qt::qtPorts().workspace && platform::qt::qtPorts().makeStatusItem);
    ASSERT_TRUE(platform::qt::qtPorts().ownerAuthentication);
    EXPECT_EQ(platform::qt::qtPorts().ownerAuthentication->authenticate("turn Lendmode off"),
              platform::OwnerAuthentication::Outcome::Unavailable)
        << "a fresh simulated Mac has no owner's password, so nothing is asked";
    EXPECT_EQ(platform::platformStateDirectory(), t.root());

    Preferences::resetShared();
    Preferences::useSharedPorts(platform::Ports{});
    platform::qt::qtPorts() = {};
    ::unsetenv("LENDMODE_SIM_ROOT");
    EXPECT_THROW(Preferences::sharedPreferences(), std::logic_error) << "no ports, no guessing";
}
