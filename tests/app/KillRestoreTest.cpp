// The owner's settings survive a kill at any moment: the real program is killed with
// SIGKILL at many moments of a switch-on and of a switch-off, started again, and every
// owner setting, the https handler and the running applications are compared with
// what the owner had before.
#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <thread>

#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "sim/Latency.h"
#include "tests/support/AppProcess.h"
#include "tests/support/Applications.h"
#include "tests/support/MemoryUserDefaultsStore.h"
#include "tests/support/OwnerSettings.h"
#include "tests/support/Sweeps.h"
#include "tests/support/TestSupport.h"

using lendmode::Preferences;
using testing_support::AppProcess;
using testing_support::TempMac;

namespace {

enum class During { SwitchOn, SwitchOff };
constexpr int kMoments = 17;  // 0 to 100 ms

struct OwnersMac {
    plist::Dictionary settings;
    std::optional<std::string> https;
    std::set<std::string> running;
    bool operator==(const OwnersMac&) const = default;
};

void PrintTo(const OwnersMac& mac, std::ostream* out) {
    plist::PrintTo(plist::Value(mac.settings), out);
    *out << " https=" << mac.https.value_or("-") << " running=";
    for (const std::string& name : mac.running) *out << name << ",";
}

struct Killing {
    TempMac t;

    // What the owner has, read through a model of the test's own whose user defaults
    // are kept apart, so that reading restores nothing.
    OwnersMac ownersMac() {
        platform::Ports ports = platform::simulated::portsFor(t.root());
        ports.userDefaults = std::make_shared<testing_support::MemoryUserDefaultsStore>();
        ports.recordCopy = nullptr;  // nor its record copy
        Preferences& prefs = Preferences::resetShared(ports);
        OwnersMac mac{testing_support::settingsOf(prefs.settingsUser()), t.mac().defaultHandler("https"), {}};
        Preferences::resetShared();
        for (const sim::Process& p : t.mac().processes()) {
            // The system's own processes restart by themselves under new ids. System
            // Events and System Preferences are started hidden to ask for consent
            // before anything changes, and a kill right then leaves them running.
            if (!p.path.empty() && p.name != "System Events" && p.name != "System Preferences" &&
                p.name != "System Settings")
                mac.running.insert(p.name);
        }
        return mac;
    }

    // The program is killed `delay` after it was told to switch, started again, and
    // ended in order: each time the owner has everything back.
    void killAndRestart(During during, std::chrono::microseconds delay, bool realistic = false) {
        {
            // The owner blocks two running applications and one that is not running, lets
            // the guest have Safari, and has an https handler of their own.
            Preferences& prefs = Preferences::resetShared(platform::simulated::portsFor(t.root()));
            prefs.readCurrentDefinitionSets();
            for (const char* name : {"Slack", "Spotify", "Chess"})
                testing_support::setApplicationDisabled(prefs, name);
            prefs.setObject(plist::Value(true), "box", 8);
            t.mac().setDefaultHandler("https", "org.mozilla.firefox");
            Preferences::resetShared();
        }
        if (realistic) {
            ASSERT_TRUE(t.mac().setLatency(sim::Latency::Realistic));
        }
        const OwnersMac owner = ownersMac();
        {
            AppProcess app(t.root());
            ASSERT_EQ(app.waitForLine("READY"), "READY");
            app.signal(SIGUSR1);
            if (during == During::SwitchOff) {
                ASSERT_EQ(app.waitForLine("ON"), "ON");
                ASSERT_NE(ownersMac(), owner) << "the guest settings are on";
                app.signal(SIGUSR2);
            }
            std::this_thread::sleep_for(delay);
            app.signal(SIGKILL);
            ASSERT_EQ(app.waitForExit(), 128 + SIGKILL);
        }
        AppProcess again(t.root());
        ASSERT_EQ(again.waitForLine("READY"), "READY");
        EXPECT_EQ(ownersMac(), owner);
        again.signal(SIGTERM);
        EXPECT_EQ(again.waitForExit(), 0);
        EXPECT_EQ(ownersMac(), owner) << "and an orderly end after it changes nothing";
    }
};

struct KillAt : Killing, ::testing::TestWithParam<std::tuple<During, int>> {
    void TearDown() override { Preferences::resetShared(); }
};

// The same on a Mac as slow as a real one, whose switch takes seconds.
struct KillOnARealisticMac : Killing, ::testing::TestWithParam<std::tuple<During, int>> {
    void TearDown() override { Preferences::resetShared(); }
};

}  // namespace

TEST_P(KillAt, TheNextStartGivesTheOwnerEverythingBack) {
    const auto [during, moment] = GetParam();
    killAndRestart(during, std::chrono::microseconds(moment * 100'000 / (kMoments - 1)));
}

TEST_P(KillOnARealisticMac, TheNextStartGivesTheOwnerEverythingBack) {
    const auto [during, milliseconds] = GetParam();
    killAndRestart(during, std::chrono::milliseconds(milliseconds), /*realistic=*/true);
}

INSTANTIATE_TEST_SUITE_P(BothSwitches, KillAt,
                         ::testing::Combine(::testing::Values(During::SwitchOn, During::SwitchOff),
                                            // Every moment; every fourth under the sanitizers.
                                            ::testing::Range(0, kMoments, testing_support::sweep(1, 4))),
                         [](const auto& trial) {
                             return std::string(std::get<0>(trial.param) == During::SwitchOn ? "On" : "Off") +
                                    "At" + std::to_string(std::get<1>(trial.param) * 100 / (kMoments - 1)) +
                                    "ms";
                         });

INSTANTIATE_TEST_SUITE_P(BothSwitches, KillOnARealisticMac,
                         ::testing::Combine(::testing::Values(During::SwitchOn, During::SwitchOff),
                                            ::testing::Values(500, 2500)),
                         [](const auto& trial) {
                             return std::string(std::get<0>(trial.param) == During::SwitchOn ? "On" : "Off") +
                                    "At" + std::to_string(std::get<1>(trial.param)) + "ms";
                         });
