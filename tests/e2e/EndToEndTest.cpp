// The program as a user meets it: on a virtual display with a system tray, the status
// item is clicked, Lendmode switched on and off with the popover's switch, a disabled
// application launched and blocked, the owner lock's password asked for. Screenshots
// of what the user sees are kept in the artifacts folder (LENDMODE_ARTIFACTS, or
// <build>/artifacts/e2e).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <sstream>
#include <thread>

#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "sim/Latency.h"
#include "tests/support/AppProcess.h"
#include "tests/support/MemoryUserDefaultsStore.h"
#include "tests/support/OwnerSettings.h"
#include "tests/support/TestSupport.h"
#include "tests/support/VirtualDisplay.h"

using lendmode::Preferences;
using testing_support::AppProcess;
using testing_support::ScreenRect;
using testing_support::TempMac;
using testing_support::VirtualDisplay;

namespace {

std::string artifactsFolder() {
    const char* configured = std::getenv("LENDMODE_ARTIFACTS");
    std::string folder = configured && *configured ? configured : LENDMODE_ARTIFACTS_DIR;
    std::filesystem::create_directories(folder);
    return folder;
}

ScreenRect parseRect(std::istringstream& in) {
    ScreenRect r;
    in >> r.x >> r.y >> r.width >> r.height;
    return r;
}

// What the program printed about a window it showed: the window and its named
// controls, and the visible rows of its application table.
struct Layout {
    ScreenRect window;
    std::map<std::string, ScreenRect> widgets;
    std::map<std::string, ScreenRect> rows;
    std::map<std::string, ScreenRect> buttons;  // by title
};

Layout readLayout(AppProcess& app, const std::string& header, const std::string& alreadyRead = "") {
    Layout layout;
    const std::string reported = alreadyRead.empty() ? app.waitForLine(header) : alreadyRead;
    if (reported.empty()) {
        std::string said;
        for (const std::string& l : app.lines()) said += "  " + l.substr(0, 60) + "\n";
        ADD_FAILURE() << "the program did not report " << header << "; it said:\n" << said;
        return layout;
    }
    std::istringstream first(reported.substr(header.size()));
    layout.window = parseRect(first);
    for (;;) {
        const std::string line = app.waitForLine("");
        if (line.empty() || line == "END") break;
        if (line.rfind("WIDGET ", 0) == 0) {
            std::istringstream in(line.substr(7));
            std::string name;
            in >> name;
            layout.widgets[name] = parseRect(in);
        } else if (line.rfind("ROW ", 0) == 0 || line.rfind("BUTTON ", 0) == 0) {
            const auto space = line.find(' ');
            const auto bar = line.find('|');
            std::istringstream in(line.substr(bar + 1));
            auto& table = line[0] == 'R' ? layout.rows : layout.buttons;
            table[line.substr(space + 1, bar - space - 1)] = parseRect(in);
        }
    }
    return layout;
}

void clickCentre(const VirtualDisplay& display, const ScreenRect& r) {
    display.click(r.x + r.width / 2, r.y + r.height / 2);
}

struct EndToEnd : ::testing::Test {
    TempMac t;
    std::unique_ptr<VirtualDisplay> display;
    std::string artifacts = artifactsFolder();

    // The screen's size; a test for small screens sets it before SetUp.
    std::string screenSize = "1280x800";

    void SetUp() override {
        // Today's macOS, with the Shortcuts that switch Focus made as the README says.
        ASSERT_TRUE(testing_support::makeFocusShortcuts(t.mac()));
        display = std::make_unique<VirtualDisplay>(screenSize);
        if (!display->ok()) GTEST_SKIP() << "no Xvfb/trayer/xdotool/imagemagick on this machine";
    }
    void TearDown() override { Preferences::resetShared(); }

    // The system's settings as the snapshot reads them, through a model of the test's
    // own (its user defaults kept apart, so creating it restores nothing).
    plist::Dictionary systemSettings() {
        platform::Ports ports = platform::simulated::portsFor(t.root());
        ports.userDefaults = std::make_shared<testing_support::MemoryUserDefaultsStore>();
        ports.recordCopy = nullptr;  // nor its record copy
        plist::Dictionary seen = testing_support::settingsOf(Preferences::resetShared(ports).settingsUser());
        Preferences::resetShared();
        return seen;
    }
    bool waitForSettings(const std::function<bool(const plist::Dictionary&)>& wanted) {
        for (int i = 0; i < 100; ++i) {
            if (wanted(systemSettings())) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    Layout openPopover(AppProcess& app) {
        // The status item is the tray's only icon. Right after start-up the tray may
        // not have taken the icon in yet, so a click that opens nothing is repeated.
        for (int attempt = 0; attempt < 5; ++attempt) {
            const auto tray = display->tray();
            display->click(tray->x + tray->width - tray->height / 2, tray->y + tray->height / 2);
            const std::string reported = app.waitForLine("POPOVER", std::chrono::seconds(3));
            if (!reported.empty()) return readLayout(app, "POPOVER", reported);
        }
        ADD_FAILURE() << "the status item never opened the popover";
        return {};
    }
};

}  // namespace

TEST_F(EndToEnd, SwitchOnBlockAnApplicationAndSwitchOff) {
    const plist::Dictionary owner = systemSettings();
    AppProcess app(t.root(), display->name());
    ASSERT_EQ(app.waitForLine("READY"), "READY");

    // Off: the popover with the owner's own settings in force.
    Layout popover = openPopover(app);
    ASSERT_TRUE(popover.widgets.count("lendmodeButtonON")) << "no popover appeared";
    display->screenshot(artifacts + "/popover-off.png", popover.window);
    // Chess will be blocked: tick it in the popover's list.
    ASSERT_TRUE(popover.rows.count("Chess"));
    clickCentre(*display, popover.rows.at("Chess"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    clickCentre(*display, popover.widgets.at("lendmodeButtonON"));
    ASSERT_EQ(app.waitForLine("LENDMODE"), "LENDMODE YES");
    ASSERT_TRUE(waitForSettings(
        [](const plist::Dictionary& s) { return s.at("33.segmentSelected") == plist::Value(2); }));
    EXPECT_TRUE(t.mac().focusOn());
    const plist::Dictionary guest = systemSettings();
    EXPECT_EQ(guest.at("4.box"), plist::Value(1)) << "natural scrolling";
    EXPECT_EQ(guest.at("9.box"), plist::Value(1)) << "Dock visible";
    EXPECT_EQ(guest.at("32.segmentSelected"), plist::Value(0)) << "Dock at the bottom";
    EXPECT_EQ(*guest.at("5.dictHotCorners").find("wvous-tl-corner"), plist::Value("0"));

    popover = openPopover(app);
    display->screenshot(artifacts + "/popover-on.png", popover.window);
    display->click(200, 600);  // a click outside closes the popover

    // A blocked launch: killed, and the alert says why.
    ASSERT_EQ(testing_support::runTool(t.root(), {"open", "-a", "Chess"}).exitStatus, 0);
    EXPECT_EQ(
        app.waitForLine("ALERT"),
        "ALERT Launch Chess | This application is disabled during Lendmode. To open this app please either "
        "deselect it in Lendmode or turn off Lendmode. | I see");
    const Layout alert = readLayout(app, "ALERTBOX");
    EXPECT_FALSE(t.mac().isRunning("Chess"));
    display->screenshot(artifacts + "/alert.png", alert.window);
    ASSERT_TRUE(alert.buttons.count("I see"));
    clickCentre(*display, alert.buttons.at("I see"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    popover = openPopover(app);
    clickCentre(*display, popover.widgets.at("lendmodeButtonOFF"));
    ASSERT_EQ(app.waitForLine("LENDMODE"), "LENDMODE NO");
    EXPECT_TRUE(waitForSettings([&](const plist::Dictionary& s) { return s == owner; }))
        << "every owner setting is back";
    EXPECT_FALSE(t.mac().focusOn());
    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(), 0);
}

// On a Mac as slow as a real one, the popover stays up and answers while a switch runs:
// its header says what is happening (photographed as it changes), the command line's
// status says "switching on", and the switch ends as before.
TEST_F(EndToEnd, ASwitchOnARealisticMacLeavesThePopoverRunningAndSaysWhatItDoes) {
    ASSERT_TRUE(t.mac().setLatency(sim::Latency::Realistic));
    AppProcess app(t.root(), display->name());
    ASSERT_EQ(app.waitForLine("READY", std::chrono::seconds(60)), "READY");
    Layout popover = openPopover(app);
    ASSERT_TRUE(popover.widgets.count("lendmodeButtonON"));
    clickCentre(*display, popover.widgets.at("lendmodeButtonON"));

    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    display->screenshot(artifacts + "/switching-1.png", popover.window);
    // It answers clicks: one outside closes it, one on the status item opens it again.
    display->click(200, 600);
    popover = openPopover(app);
    ASSERT_TRUE(popover.widgets.count("lendmodeButtonON")) << "the popover opened during the switch";
    const auto status = testing_support::runTool(t.root(), {"lendmode", "status"});
    EXPECT_EQ(status.out.rfind("Lendmode is switching on: ", 0), 0u) << status.out << status.err;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    display->screenshot(artifacts + "/switching-2.png", popover.window);
    // ImageMagick counts the pixels that differ (on standard error).
    const auto differ =
        testing_support::runShell(t.root(), "compare -metric AE '" + artifacts + "/switching-1.png' '" +
                                                artifacts + "/switching-2.png' null: 2>&1");
    EXPECT_GT(std::atof(differ.out.c_str()), 0)
        << "the popover repainted as the switch went on: " << differ.out;

    // The switch ends as before.
    std::string said;
    for (int i = 0; i < 600 && said != "Lendmode is on.\n"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        said = testing_support::runTool(t.root(), {"lendmode", "status"}).out.substr(0, 16);
    }
    ASSERT_EQ(said, "Lendmode is on.\n");
    EXPECT_TRUE(t.mac().focusOn());
    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(), 0) << "the owner's settings went back at the end";
    EXPECT_FALSE(t.mac().focusOn());
}

TEST_F(EndToEnd, PreferencesWindowInDarkAndLightAppearance) {
    AppProcess app(t.root(), display->name());
    ASSERT_EQ(app.waitForLine("READY"), "READY");
    // The seeded owner uses the dark appearance; the windows follow it.
    Layout popover = openPopover(app);
    ASSERT_TRUE(popover.widgets.count("preferencesButton"));
    display->screenshot(artifacts + "/popover-dark.png", popover.window);
    clickCentre(*display, popover.widgets.at("preferencesButton"));
    const Layout dark = readLayout(app, "PREFERENCES");
    ASSERT_GT(dark.window.width, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    display->screenshot(artifacts + "/preferences-dark.png", dark.window);

    // The owner switches to the light appearance; the windows follow when next shown.
    ASSERT_EQ(testing_support::runShell(t.root(), "defaults delete -g AppleInterfaceStyle").exitStatus, 0);
    popover = openPopover(app);
    display->screenshot(artifacts + "/popover-light.png", popover.window);
    clickCentre(*display, popover.widgets.at("preferencesButton"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    display->screenshot(artifacts + "/preferences-light.png", dark.window);
    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(), 0);
}

TEST_F(EndToEnd, WithTheOwnerLockOffAsksForThePasswordInThePopoverAndFromTheCommandLine) {
    ASSERT_EQ(
        testing_support::runShell(t.root(), "printf 'sesame\\n' | '" + testing_support::toolsDirectory() +
                                                "/lendmode-sim' password")
            .exitStatus,
        0);
    AppProcess app(t.root(), display->name());
    ASSERT_EQ(app.waitForLine("READY"), "READY");
    const auto typePassword = [&](const std::string& password) {
        display->run("xdotool type --delay 20 " + password);
        display->key("Return");
    };

    // Setting the lock asks for the password first.
    Layout popover = openPopover(app);
    ASSERT_TRUE(popover.widgets.count("ownerLockButton"));
    clickCentre(*display, popover.widgets.at("ownerLockButton"));
    Layout dialog = readLayout(app, "PASSWORD");
    ASSERT_GT(dialog.window.width, 0);
    display->screenshot(artifacts + "/password-set-lock.png", dialog.window);
    typePassword("sesame");
    const auto lockStored = [&] {
        for (int i = 0; i < 50; ++i) {
            if (testing_support::runShell(t.root(), "defaults read com.lendmode.Lendmode LM012").out == "1\n")
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    };
    ASSERT_TRUE(lockStored());

    popover = openPopover(app);
    clickCentre(*display, popover.widgets.at("lendmodeButtonON"));
    ASSERT_EQ(app.waitForLine("LENDMODE"), "LENDMODE YES");

    // OFF: a wrong password is asked again; a cancel leaves Lendmode on.
    popover = openPopover(app);
    clickCentre(*display, popover.widgets.at("lendmodeButtonOFF"));
    ASSERT_GT(readLayout(app, "PASSWORD").window.width, 0);
    typePassword("guess");
    dialog = readLayout(app, "PASSWORD");
    ASSERT_TRUE(dialog.widgets.count("cancelButton"));
    display->screenshot(artifacts + "/password-turn-off.png", dialog.window);
    clickCentre(*display, dialog.widgets.at("cancelButton"));
    EXPECT_EQ(app.waitForLine("LENDMODE", std::chrono::seconds(1)), "") << "still on";
    EXPECT_EQ(testing_support::runShell(t.root(), "defaults read com.apple.dock orientation").out, "bottom\n")
        << "the guest's Dock stays";

    // From the command line too the owner is asked, in Lendmode's own window, and the
    // command waits for the answer; the right one puts the owner's settings back.
    auto off = std::async(std::launch::async, [&] {
        return testing_support::runTool(t.root(), {"lendmode", "off"});
    });
    dialog = readLayout(app, "PASSWORD");
    ASSERT_GT(dialog.window.width, 0);
    display->screenshot(artifacts + "/password-command-line-off.png", dialog.window);
    typePassword("sesame");
    ASSERT_EQ(app.waitForLine("LENDMODE"), "LENDMODE NO");
    const testing_support::ToolRun answered = off.get();
    EXPECT_EQ(answered.exitStatus, 0) << answered.err;
    EXPECT_EQ(answered.out, "Lendmode is off.\n");
    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(), 0);
}

namespace {

struct SmallScreen : EndToEnd {
    SmallScreen() { screenSize = "800x600"; }
};

}  // namespace

TEST_F(SmallScreen, ThePopoverOpensUnderTheIconTheIconTogglesItAndThePreferencesFit) {
    AppProcess app(t.root(), display->name());
    ASSERT_EQ(app.waitForLine("READY"), "READY");
    const auto tray = display->tray();
    ASSERT_TRUE(tray);
    const Layout popover = openPopover(app);
    ASSERT_GT(popover.window.height, 0);
    EXPECT_GE(popover.window.y, tray->y + tray->height) << "under the icon, never over it";
    EXPECT_LE(popover.window.y + popover.window.height, 600) << "and on the screen";
    EXPECT_LE(popover.window.x + popover.window.width, 800);
    ASSERT_TRUE(popover.widgets.count("tableApp"));
    EXPECT_GT(popover.widgets.at("tableApp").height, 60) << "the list keeps the height that is left";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    display->screenshot(artifacts + "/small-popover-dark.png");

    // The icon closes it, and a click 0.6 s later opens it again (a tray icon never
    // sees the click that closed the popover, so no click may be taken for that one).
    const int iconX = tray->x + tray->width - tray->height / 2;
    const int iconY = tray->y + tray->height / 2;
    display->click(iconX, iconY);
    EXPECT_EQ(app.waitForLine("POPOVER", std::chrono::milliseconds(600)), "") << "that click closed it";
    display->click(iconX, iconY);
    const std::string reopened = app.waitForLine("POPOVER", std::chrono::seconds(3));
    ASSERT_FALSE(reopened.empty()) << "the next click on the icon opened it again";
    const Layout again = readLayout(app, "POPOVER", reopened);

    clickCentre(*display, again.widgets.at("preferencesButton"));
    const Layout preferences = readLayout(app, "PREFERENCES");
    ASSERT_GT(preferences.window.height, 0);
    EXPECT_LE(preferences.window.height, 600) << "the preferences window fits the screen";
    EXPECT_GE(preferences.window.y, 0);
    EXPECT_LE(preferences.window.y + preferences.window.height, 600);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    display->screenshot(artifacts + "/small-preferences-dark.png");

    // The light appearance, at this size too.
    ASSERT_EQ(testing_support::runShell(t.root(), "defaults delete -g AppleInterfaceStyle").exitStatus, 0);
    openPopover(app);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    display->screenshot(artifacts + "/small-popover-light.png");
    display->key("Escape");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    display->screenshot(artifacts + "/small-preferences-light.png");
    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(), 0);
}
