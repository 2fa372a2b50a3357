// The real program as a process on a simulated Mac: whatever way it ends while
// Lendmode is on, the owner's settings come back and the stored snapshot stays the
// owner's.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "model/BuildInfo.h"
#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "sim/Status.h"
#include "tests/support/AppProcess.h"
#include "tests/support/Applications.h"
#include "tests/support/MemoryUserDefaultsStore.h"
#include "tests/support/OwnerSettings.h"
#include "tests/support/TestSupport.h"

using lendmode::Preferences;
using testing_support::AppProcess;
using testing_support::TempMac;

namespace {

struct RealProgram : ::testing::Test {
    TempMac t;
    void TearDown() override { Preferences::resetShared(); }

    // The system's settings as the snapshot reads them, through a model of the test's
    // own: its user defaults are kept apart, so creating it restores nothing.
    plist::Dictionary ownerSettings() {
        platform::Ports ports = platform::simulated::portsFor(t.root());
        ports.userDefaults = std::make_shared<testing_support::MemoryUserDefaultsStore>();
        ports.recordCopy = nullptr;  // nor its record copy
        Preferences& prefs = Preferences::resetShared(ports);
        plist::Dictionary seen = testing_support::settingsOf(prefs.settingsUser());
        Preferences::resetShared();
        return seen;
    }
    // The owner snapshot the program stored (set 1 of "LM007").
    plist::Dictionary storedSnapshot() {
        const auto domain = t.mac().readDomain(lendmode::build::kBundleIdentifier);
        const plist::Value& sets = domain->at("LM007");
        return testing_support::settingsOf(*(*sets.asArray())[1].asArray());
    }
    void switchOn(AppProcess& app) {
        app.signal(SIGUSR1);
        ASSERT_EQ(app.waitForLine("ON"), "ON");
    }
};

}  // namespace

TEST_F(RealProgram, AfterAKillTheNextStartPutsTheOwnersSettingsBack) {
    const plist::Dictionary owner = ownerSettings();
    {
        AppProcess app(t.root());
        ASSERT_EQ(app.waitForLine("READY"), "READY");
        switchOn(app);
        ASSERT_NE(ownerSettings(), owner) << "the guest settings are on";
        app.signal(SIGKILL);
        EXPECT_EQ(app.waitForExit(), 128 + SIGKILL);
    }
    EXPECT_NE(ownerSettings(), owner) << "nothing restored them yet";
    AppProcess again(t.root());
    ASSERT_EQ(again.waitForLine("READY"), "READY");
    EXPECT_EQ(ownerSettings(), owner);
    EXPECT_EQ(storedSnapshot(), owner) << "the new start took the owner's settings, not the guest's";
}

TEST_F(RealProgram, AnOrderlyEndByTheSystemRestoresBeforeExiting) {
    const plist::Dictionary owner = ownerSettings();
    AppProcess app(t.root());
    ASSERT_EQ(app.waitForLine("READY"), "READY");
    switchOn(app);
    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(), 0);
    EXPECT_EQ(ownerSettings(), owner);
    // The next start finds nothing to undo and keeps the owner's settings.
    AppProcess again(t.root());
    ASSERT_EQ(again.waitForLine("READY"), "READY");
    EXPECT_EQ(ownerSettings(), owner);
    EXPECT_EQ(storedSnapshot(), owner);
}

TEST_F(RealProgram, ADisabledApplicationLaunchedWhileOnIsKilledAndAnnounced) {
    {
        // The owner ticks Chess beforehand; the program reuses the stored set.
        Preferences& prefs = Preferences::resetShared(platform::simulated::portsFor(t.root()));
        prefs.readCurrentDefinitionSets();
        testing_support::setApplicationDisabled(prefs, "Chess");
        Preferences::resetShared();
    }
    AppProcess app(t.root());
    ASSERT_EQ(app.waitForLine("READY"), "READY");
    // While off, Chess starts normally.
    ASSERT_EQ(testing_support::runTool(t.root(), {"open", "-a", "Chess"}).exitStatus, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(t.mac().isRunning("Chess"));
    switchOn(app);
    EXPECT_FALSE(t.mac().isRunning("Chess")) << "quit at switch-on";

    ASSERT_EQ(testing_support::runTool(t.root(), {"open", "-a", "Chess"}).exitStatus, 0);
    const std::string alert = app.waitForLine("ALERT");
    EXPECT_EQ(
        alert,
        "ALERT Launch Chess | This application is disabled during Lendmode. To open this app please either "
        "deselect it in Lendmode or turn off Lendmode. | I see");
    EXPECT_FALSE(t.mac().isRunning("Chess")) << "gone from the simulated Mac";

    // Other applications start normally.
    ASSERT_EQ(testing_support::runTool(t.root(), {"open", "-a", "Calculator"}).exitStatus, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(t.mac().isRunning("Calculator"));
    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(), 0);
}

TEST_F(RealProgram, AnAgentAndARenamedCopyOfADisabledApplicationAreEndedAtLaunch) {
    // A copy of Chess under another name keeps its bundle identifier; Bartender is an
    // agent, whose launch the system never announces.
    ASSERT_EQ(testing_support::runTool(t.root(), {"lendmode-sim", "add-app",
                                                  "/Users/owner/Downloads/Chess copy.app", "com.apple.Chess"})
                  .exitStatus,
              0);
    {
        Preferences& prefs = Preferences::resetShared(platform::simulated::portsFor(t.root()));
        prefs.readCurrentDefinitionSets();
        testing_support::setApplicationDisabled(prefs, "Chess");
        testing_support::setApplicationDisabled(prefs, "Bartender 4");
        Preferences::resetShared();
    }
    AppProcess app(t.root());
    ASSERT_EQ(app.waitForLine("READY"), "READY");
    switchOn(app);
    for (const char* name : {"Bartender 4", "Chess copy"}) {
        ASSERT_EQ(testing_support::runTool(t.root(), {"open", "-a", name}).exitStatus, 0);
        EXPECT_EQ(app.waitForLine("ALERT").rfind(std::string("ALERT Launch ") + name + " | ", 0), 0u) << name;
        EXPECT_FALSE(t.mac().isRunning(name)) << name;
    }
    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(), 0);
}

TEST_F(RealProgram, ADisabledApplicationWhoseNameKillallTakesForAnOptionIsStillKilled) {
    auto apps = t.mac().catalogue();
    apps.push_back(sim::App{"/Applications/-Dash.app", "-Dash", "com.example.dash"});
    ASSERT_TRUE(t.mac().setCatalogue(apps));
    {
        Preferences& prefs = Preferences::resetShared(platform::simulated::portsFor(t.root()));
        prefs.readCurrentDefinitionSets();
        testing_support::setApplicationDisabled(prefs, "-Dash");
        Preferences::resetShared();
    }
    AppProcess app(t.root());
    ASSERT_EQ(app.waitForLine("READY"), "READY");
    switchOn(app);
    ASSERT_EQ(testing_support::runTool(t.root(), {"open", "-a", "-Dash"}).exitStatus, 0);
    EXPECT_EQ(app.waitForLine("ALERT").rfind("ALERT Launch -Dash | ", 0), 0u);
    EXPECT_FALSE(t.mac().isRunning("-Dash"));
    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(), 0);
}
