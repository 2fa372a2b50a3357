// A switch on and off on simulated Macs of each generation: every guest setting is in
// effect after the switch-on and every owner value back after the switch-off, read
// from the simulated system itself (the scroll direction in effect, not the key).
#include <gtest/gtest.h>

#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "tests/support/Fakes.h"
#include "tests/support/TestSupport.h"

using lendmode::Preferences;
using plist::Dictionary;
using plist::Value;
using testing_support::TempMac;

namespace {

// What the owner sees of the settings a switch changes.
struct InEffect {
    bool natural = false;
    bool naturalStored = false;
    Value autohide;
    Value orientation;
    Value darkStyle;
    Value tlCorner;
    std::optional<bool> quiet;  // Do Not Disturb before 11, Focus from 12, nothing on 11
    bool operator==(const InEffect&) const = default;
};

InEffect inEffect(const sim::SimMac& mac) {
    InEffect e;
    e.natural = mac.naturalScrollingInEffect();
    e.naturalStored = mac.naturalScrollingStored();
    const Dictionary dock = mac.readDomain("com.apple.dock").value_or(Dictionary{});
    const Dictionary global = mac.readDomain("NSGlobalDomain").value_or(Dictionary{});
    const auto at = [](const Dictionary& d, const char* key) {
        const auto it = d.find(key);
        return it == d.end() ? Value() : it->second;
    };
    e.autohide = at(dock, "autohide");
    e.orientation = at(dock, "orientation");
    e.darkStyle = at(global, "AppleInterfaceStyle");
    e.tlCorner = at(dock, "wvous-tl-corner");
    e.quiet = mac.macOSVersion().major >= 12 ? std::optional(mac.focusOn()) : mac.doNotDisturbInEffect();
    return e;
}

void PrintTo(const InEffect& e, std::ostream* out) {
    *out << "natural=" << e.natural << " stored=" << e.naturalStored << " autohide=";
    plist::PrintTo(e.autohide, out);
    *out << " orientation=";
    plist::PrintTo(e.orientation, out);
    *out << " dark=";
    plist::PrintTo(e.darkStyle, out);
    *out << " tl=";
    plist::PrintTo(e.tlCorner, out);
    *out << " quiet=" << (e.quiet ? (*e.quiet ? "on" : "off") : "-");
}

struct Scenario {
    const char* name;
    const char* macOS;
    bool accessibility = true;
    const char* refused = nullptr;  // an automation target the owner refuses
    // What the switch-on does: everything, everything but scrolling, or nothing.
    enum class On { Everything, AllButScrolling, Nothing } on = On::Everything;
    // A part of the alert after the switch-on ("" for none).
    const char* told = "";
};

void PrintTo(const Scenario& s, std::ostream* out) {
    *out << s.name;
}

struct Generations : ::testing::TestWithParam<Scenario> {
    TempMac t;
    std::shared_ptr<testing_support::RecordingAlerts> alerts =
        std::make_shared<testing_support::RecordingAlerts>();
    void TearDown() override { Preferences::resetShared(); }

    // The owner's Mac: every setting unlike the guest set's (natural scrolling on, the
    // Dock shown at the bottom, automatic appearance, no hot corners, quiet on).
    void installOwner() {
        const sim::SimMac& mac = t.mac();
        ASSERT_TRUE(mac.updateDomain("com.apple.dock", false, [](Dictionary& d) {
            d["autohide"] = true;
            d["orientation"] = "left";
            d["wvous-tl-corner"] = 2;
            return true;
        }));
        ASSERT_TRUE(mac.updateDomain("NSGlobalDomain", false, [](Dictionary& d) {
            d["AppleInterfaceStyle"] = "Dark";
            return true;
        }));
        ASSERT_TRUE(mac.setNaturalScrolling(false));
        ASSERT_TRUE(testing_support::makeFocusShortcuts(mac));
    }
};

}  // namespace

TEST_P(Generations, TheGuestSettingsArriveAndTheOwnersComeBack) {
    const Scenario& s = GetParam();
    ASSERT_TRUE(t.mac().setMacOSVersion(*sim::MacOSVersion::parse(s.macOS)));
    installOwner();
    ASSERT_TRUE(t.mac().setAccessibilityAllowed(s.accessibility));
    if (s.refused) {
        ASSERT_TRUE(t.mac().setAutomationAllowed(s.refused, false));
    }
    const InEffect owner = inEffect(t.mac());

    platform::Ports ports = platform::simulated::portsFor(t.root());
    ports.alerts = alerts;
    Preferences& prefs = Preferences::resetShared(ports);
    prefs.readCurrentDefinitionSets();
    prefs.setLendmode(true);
    prefs.applaySelectedDefinitionCompletion(nullptr);

    const InEffect on = inEffect(t.mac());
    if (s.on == Scenario::On::Nothing) {
        EXPECT_EQ(on, owner);
        EXPECT_FALSE(prefs.lendmode());
        ASSERT_EQ(alerts->shown.size(), 1u);
        EXPECT_NE(alerts->shown[0].informativeText.find(s.told), std::string::npos);
        return;
    }
    // The guest set: natural scrolling on, the Dock shown at the bottom, automatic
    // appearance, no hot corners, quiet on.
    InEffect guest{true, true, Value(false), Value("bottom"), Value(), Value(0), std::nullopt};
    guest.quiet = t.mac().macOSVersion().major == 11 ? std::nullopt : std::optional(true);
    if (s.on == Scenario::On::AllButScrolling) {
        guest.natural = owner.natural;
        guest.naturalStored = owner.naturalStored;
    }
    EXPECT_EQ(on, guest);
    if (*s.told) {
        ASSERT_EQ(alerts->shown.size(), 1u);
        EXPECT_NE(alerts->shown[0].informativeText.find(s.told), std::string::npos)
            << alerts->shown[0].informativeText;
    } else {
        EXPECT_TRUE(alerts->shown.empty()) << alerts->shown[0].informativeText;
    }

    alerts->shown.clear();
    prefs.setLendmode(false);
    prefs.restoreDefinitionSetsCompletion(nullptr);
    EXPECT_FALSE(prefs.lendmode());
    InEffect back = inEffect(t.mac());
    EXPECT_EQ(back, owner);
}

INSTANTIATE_TEST_SUITE_P(
    EachMacOS, Generations,
    ::testing::Values(Scenario{"Mojave", "10.14"}, Scenario{"Monterey", "12"}, Scenario{"Sonoma", "14"},
                      Scenario{"Tahoe", "26"},
                      Scenario{"SonomaWithoutAccessibility", "14", /*accessibility=*/false},
                      Scenario{"MojaveWithoutAccessibility", "10.14", /*accessibility=*/false, nullptr,
                               Scenario::On::AllButScrolling,
                               "Natural scrolling: Lendmode needs Accessibility permission"},
                      Scenario{"TahoeRefusingSystemEvents", "26", true, "System Events",
                               Scenario::On::Nothing, "\u201cSystem Events\u201d"}),
    [](const ::testing::TestParamInfo<Scenario>& scenario) { return std::string(scenario.param.name); });
