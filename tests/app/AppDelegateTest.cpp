// The application shell in-process, on Qt's offscreen platform, with fake ports.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <filesystem>

#include "app/AppDelegate.h"
#include "base/plist/PlistFile.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "platform/posix/LaunchAgent.h"
#include "platform/posix/RealHomeDirectory.h"
#include "tests/support/Applications.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/FakeOwnerAuthentication.h"
#include "tests/support/Fakes.h"
#include "tests/support/QtFakes.h"
#include "tests/support/TestSupport.h"
#include "ui/OwnerLock.h"

using lendmode::AppDelegate;
using lendmode::Preferences;
using plist::Array;
using plist::Dictionary;
using plist::Value;
namespace keys = lendmode::keys;
using Outcome = platform::OwnerAuthentication::Outcome;

namespace {

struct Shell : ::testing::Test {
    testing_support::FakePorts fakes;
    std::unique_ptr<testing_support::FakeQtPorts> qt = std::make_unique<testing_support::FakeQtPorts>();
    testing_support::ManualTimer* timer = nullptr;
    int terminations = 0;
    std::unique_ptr<AppDelegate> delegate;

    void SetUp() override {
        fakes.shell->installApplications(
            "/Applications/Chess.app\n/Applications/chess.app\n/Applications/Slack.app\n");
        fakes.urlHandlers->all = std::vector<std::string>{"com.apple.Safari"};
        fakes.urlHandlers->defaults["http"] = "com.apple.Safari";
        Preferences::resetShared();
        Preferences::useSharedPorts(fakes.ports());
    }
    void TearDown() override {
        delegate.reset();
        Preferences::resetShared();
        Preferences::useSharedPorts(platform::Ports{});
    }
    AppDelegate& start(AppDelegate::Services services = {}) {
        services.makeTimer = [this] {
            auto t = std::make_unique<testing_support::ManualTimer>();
            timer = t.get();
            return std::unique_ptr<lendmode::RepeatingTimer>(std::move(t));
        };
        services.terminate = [this] { ++terminations; };
        delegate = std::make_unique<AppDelegate>(std::move(services));
        delegate->applicationWillFinishLaunching();
        delegate->applicationDidFinishLaunching();
        return *delegate;
    }
    // Texts that change the system, as opposed to reading it.
    std::size_t changingCommands() const {
        std::size_t n = 0;
        for (const std::string& c : fakes.shell->commands)
            n += c.find("defaults read") != 0 && c.rfind("mdfind", 0) != 0 &&
                 c != "osascript -e 'output muted of (get volume settings)'";
        return n;
    }
    void tick(const std::string& name, bool disabled) {
        testing_support::setApplicationDisabled(Preferences::sharedPreferences(), name, disabled);
    }
    void launch(const std::string& path) {
        qt->workspace->announce({{"NSApplicationPath", QString::fromStdString(path)}});
    }
};

}  // namespace

TEST_F(Shell, StartUpResetsALeftOverFlagBeforeTheStatusItemWithoutTouchingTheSystem) {
    fakes.store->write(keys::kLendmode, true);
    bool flagWhenItemMade = true;
    auto make = platform::qt::qtPorts().makeStatusItem;
    platform::qt::qtPorts().makeStatusItem = [&] {
        flagWhenItemMade = fakes.store->read(keys::kLendmode)->truthValue();
        return make();
    };
    AppDelegate& app = start();
    EXPECT_FALSE(flagWhenItemMade);
    EXPECT_EQ(changingCommands(), 0u);
    EXPECT_TRUE(fakes.appleScript->scripts.empty());
    ASSERT_EQ(qt->statusItems.size(), 1u);
    EXPECT_EQ(qt->statusItems[0]->title(), "") << "the off look";
    EXPECT_EQ(app.popoverMain, nullptr);
    EXPECT_EQ(app.viewMainMenu, nullptr);
    EXPECT_EQ(Preferences::sharedPreferences().definitionSets().size(), 2u);
}

TEST_F(Shell, GuestSettingsLeftByACrashAreUndoneBeforeAnythingElse) {
    // What an earlier process left when it died while Lendmode was on.
    {
        Preferences& earlier = Preferences::sharedPreferences();
        earlier.readCurrentDefinitionSets();
        tick("Slack", true);
        earlier.setLendmode(true);
        fakes.appleScript->next = std::vector<std::string>{"1"};  // Slack was running and is quit
        earlier.applaySelectedDefinitionCompletion(nullptr);
        Preferences::resetShared();  // the process is gone; the store stays
    }
    fakes.shell->commands.clear();
    fakes.appleScript->scripts.clear();
    fakes.appleScript->next = std::vector<std::string>{};
    start();
    ASSERT_FALSE(fakes.appleScript->scripts.empty());
    const std::string& restore = fakes.appleScript->scripts.front();
    EXPECT_NE(restore.find("if application \"Slack\" is not running then"), std::string::npos) << restore;
    EXPECT_EQ(fakes.shell->commands.front().find("defaults -currentHost write"), 0u)
        << "the owner's settings first";
    EXPECT_FALSE(fakes.store->read(keys::kLendmode)->truthValue());
    EXPECT_FALSE(fakes.store->read(keys::kGuestSettingsApplied)->truthValue());

    // The next start has nothing to undo.
    delegate.reset();
    Preferences::resetShared();
    fakes.appleScript->scripts.clear();
    start();
    EXPECT_TRUE(fakes.appleScript->scripts.empty());
}

TEST_F(Shell, AQuitAfterRestoringLeavesNothingForTheNextStartToUndo) {
    AppDelegate& app = start();
    Preferences& prefs = *app.prefs;
    prefs.setLendmode(true);
    prefs.applaySelectedDefinitionCompletion(nullptr);
    app.quitButtonPressed();
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(prefs.lendmode()) << "quitting keeps the stored flag";
    delegate.reset();
    Preferences::resetShared();
    fakes.appleScript->scripts.clear();
    start();
    EXPECT_TRUE(fakes.appleScript->scripts.empty()) << "the owner's settings were already back";
}

TEST_F(Shell, TheDailyRefreshReloadsOnlyWhileOff) {
    AppDelegate& app = start();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval, std::chrono::seconds(86400));
    fakes.shell->commands.clear();
    app.prefs->setLendmode(true);
    const Array setsWhileOn = app.prefs->definitionSets();
    timer->fire();
    EXPECT_TRUE(fakes.shell->commands.empty());
    EXPECT_EQ(app.prefs->definitionSets(), setsWhileOn);

    app.prefs->setLendmode(false);
    fakes.shell->answers["defaults read com.apple.dock orientation"] = "right\n";
    timer->fire();
    EXPECT_EQ(fakes.shell->commands.front(), testing_support::kApplicationQuery);
    const Array& snapshot = *app.prefs->definitionSets()[1].asArray();
    EXPECT_EQ(*snapshot[6].find("segmentSelected"), Value(2)) << "a new owner snapshot";
}

TEST_F(Shell, ClosingAWindowReturnsToTheAccessoryPolicy) {
    AppDelegate& app = start();
    qt->policy->setActivationPolicy(platform::qt::ActivationPolicy::Policy::Regular);
    EXPECT_TRUE(app.windowShouldClose());
    EXPECT_EQ(qt->policy->activationPolicy(), platform::qt::ActivationPolicy::Policy::Accessory);
    EXPECT_TRUE(app.windowShouldClose());
    EXPECT_EQ(qt->policy->activationPolicy(), platform::qt::ActivationPolicy::Policy::Accessory);
}

TEST_F(Shell, TheStatusItemIsMadeOnceAndFollowsTheFlag) {
    AppDelegate& app = start();
    app.prefs->setLendmode(true);
    EXPECT_EQ(qt->statusItems.size(), 1u);
    EXPECT_EQ(qt->statusItems[0]->title(), "Lendmode");
    app.prefs->setLendmode(false);
    EXPECT_EQ(qt->statusItems[0]->title(), "");
    app.createStatusBarMenu();
    EXPECT_EQ(qt->statusItems.size(), 1u);
}

TEST_F(Shell, ClicksOpenAndCloseOnePopoverAndAFlagChangeClosesIt) {
    AppDelegate& app = start();
    int shown = 0;
    QObject::connect(&app, &AppDelegate::popoverShown, [&] { ++shown; });
    qt->statusItems[0]->click();
    ASSERT_NE(app.popoverMain, nullptr);
    lendmode::ViewMainMenu* controller = app.viewMainMenu;
    EXPECT_TRUE(app.popoverMain->isShown());
    // Under the status item, kept on the screen.
    EXPECT_GE(app.popoverMain->y(), qt->statusItems[0]->anchorRect().bottom());
    qt->statusItems[0]->click();
    EXPECT_FALSE(app.popoverMain->isShown());
    qt->statusItems[0]->click();
    EXPECT_TRUE(app.popoverMain->isShown());
    EXPECT_EQ(app.viewMainMenu, controller) << "made on the first click, then reused";
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(qt->policy->activations(), 2) << "an agent app comes to the front to show it";
    app.prefs->setLendmode(true);
    EXPECT_FALSE(app.popoverMain->isShown()) << "every change of the flag closes it";
    app.prefs->setLendmode(false);
    EXPECT_FALSE(app.popoverMain->isShown()) << "and never opens it";
}

TEST(PopoverPlacement, UnderTheAnchorOnTheScreenAndNeverOverTheAnchor) {
    using lendmode::Popover;
    const QRect screen(0, 0, 1280, 800);
    const QSize wanted(340, 585);
    EXPECT_EQ(Popover::placement(QRect(600, 0, 24, 28), wanted, 300, screen), QRect(441, 32, 340, 585));
    // At the right edge: moved left to stay on screen.
    EXPECT_EQ(Popover::placement(QRect(1256, 0, 24, 28), wanted, 300, screen).x(), 940);
    // A tray at the bottom: it opens upwards.
    EXPECT_EQ(Popover::placement(QRect(600, 772, 24, 28), wanted, 300, screen).bottom(), 772 - 4 - 1);
    // No anchor: the top right corner.
    EXPECT_EQ(Popover::placement(QRect(), wanted, 300, screen).topLeft(), QPoint(1280 - 340 - 8 - 1, 4));

    // A small screen: still under the icon, shorter, and ending on the screen.
    const QRect small(0, 0, 800, 600);
    const QRect under = Popover::placement(QRect(776, 0, 24, 24), wanted, 300, small);
    EXPECT_EQ(under.top(), 28);
    EXPECT_EQ(under.bottom(), 599);
    EXPECT_EQ(under.right(), 799);
    const QRect above = Popover::placement(QRect(776, 576, 24, 24), wanted, 300, small);
    EXPECT_EQ(above.bottom(), 576 - 4 - 1);
    EXPECT_EQ(above.top(), 0);
    // Never shorter than its least height, even where that leaves the screen.
    EXPECT_EQ(Popover::placement(QRect(776, 0, 24, 24), wanted, 300, QRect(0, 0, 800, 200)).height(), 300);
}

TEST_F(Shell, NothingIsBlockedWhileOff) {
    start();
    tick("Chess", true);
    fakes.shell->commands.clear();
    launch("/Applications/Chess.app");
    EXPECT_TRUE(fakes.shell->commands.empty());
    EXPECT_TRUE(fakes.alerts->shown.empty());
}

TEST_F(Shell, ADisabledAppIsKilledByItsQuotedNameAndTheUserTold) {
    AppDelegate& app = start();
    tick("Chess", true);
    app.prefs->setLendmode(true);
    fakes.shell->commands.clear();
    testing_support::CapturedLog log(lendmode::log::Level::Info);
    launch("/Applications/Chess.app");
    EXPECT_EQ(log.take(), (std::vector<testing_support::CapturedLog::Entry>{
                              {lendmode::log::Level::Info, "blocked the launch of Chess"}}))
        << "one line in the log";
    ASSERT_EQ(fakes.shell->commands, (std::vector<std::string>{"killall 'Chess'"}));
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    const platform::Alert& alert = fakes.alerts->shown[0];
    EXPECT_EQ(alert.style, platform::Alert::Style::Warning);
    EXPECT_EQ(alert.messageText, "Launch Chess");
    EXPECT_EQ(alert.informativeText,
              "This application is disabled during Lendmode. To open this app please either deselect it in "
              "Lendmode "
              "or turn off Lendmode.");
    EXPECT_EQ(alert.buttons, std::vector<std::string>{"I see"});
}

TEST_F(Shell, TheStartingProcessIsAlsoEndedByItsIdForNamesKillallReadsAsOptions) {
    fakes.shell->installApplications(
        "/Applications/-Dash.app\n/Applications/-u.app\n/Applications/Slack.app\n");
    AppDelegate& app = start();
    tick("-Dash", true);
    tick("-u", true);
    app.prefs->setLendmode(true);
    fakes.shell->commands.clear();
    qt->workspace->announce(
        {{"NSApplicationPath", "/Applications/-Dash.app"}, {"NSApplicationProcessIdentifier", 512}});
    qt->workspace->announce(
        {{"NSApplicationPath", "/Applications/-u.app"}, {"NSApplicationProcessIdentifier", 513}});
    EXPECT_EQ(fakes.shell->commands, (std::vector<std::string>{"killall '-Dash'", "killall '-u'"}));
    EXPECT_EQ(qt->workspace->terminated, (std::vector<qint64>{512, 513}));
    ASSERT_EQ(fakes.alerts->shown.size(), 2u);
    EXPECT_EQ(fakes.alerts->shown[0].messageText, "Launch -Dash");

    // Not disabled, or no process id given: nothing is ended by id.
    qt->workspace->announce(
        {{"NSApplicationPath", "/Applications/Slack.app"}, {"NSApplicationProcessIdentifier", 514}});
    qt->workspace->announce({{"NSApplicationPath", "/Applications/-Dash.app"}});
    EXPECT_EQ(qt->workspace->terminated, (std::vector<qint64>{512, 513}));
    EXPECT_EQ(fakes.alerts->shown.size(), 3u);
}

TEST_F(Shell, ListedButNotDisabledAndOtherCasesStartNormally) {
    AppDelegate& app = start();
    app.prefs->setLendmode(true);
    tick("chess", true);  // only the lower-case record
    fakes.shell->commands.clear();
    launch("/Applications/Chess.app");  // exact case: "chess" does not block "Chess"
    launch("/Applications/Slack.app");  // listed, not disabled
    launch("/Applications/Unknown.app");
    qt->workspace->announce({{"NSApplicationName", "Chess"}});  // no path
    qt->workspace->announce({{"NSApplicationPath", 5}});
    EXPECT_TRUE(fakes.shell->commands.empty());
    EXPECT_TRUE(fakes.alerts->shown.empty());
    launch("/Applications/chess.app");
    EXPECT_EQ(fakes.alerts->shown.size(), 1u);
}

TEST_F(Shell, AnyTickedRecordOfTheNameBlocksIt) {
    fakes.shell->installApplications("/Applications/Chess.app\n/Applications/Games/Chess.app\n");
    AppDelegate& app = start();
    app.prefs->setAppDisable(true, 1);  // only the second record
    app.prefs->setLendmode(true);
    fakes.shell->commands.clear();
    launch("/Applications/Chess.app");
    EXPECT_EQ(fakes.shell->commands, (std::vector<std::string>{"killall 'Chess'"}));
    EXPECT_EQ(fakes.alerts->shown.size(), 1u);
}

TEST_F(Shell, OneAlertPerApplicationAtATime) {
    AppDelegate& app = start();
    tick("Chess", true);
    tick("Slack", true);
    app.prefs->setLendmode(true);
    fakes.shell->commands.clear();
    // While Chess's alert is up, Chess starts again, and Slack.
    fakes.alerts->whileShown = [&] {
        launch("/Applications/Chess.app");
        launch("/Applications/Slack.app");
    };
    launch("/Applications/Chess.app");
    EXPECT_EQ(fakes.shell->commands,
              (std::vector<std::string>{"killall 'Chess'", "killall 'Chess'", "killall 'Slack'"}))
        << "every launch is ended";
    ASSERT_EQ(fakes.alerts->shown.size(), 2u) << "Chess's second launch adds no alert on top of its first";
    EXPECT_EQ(fakes.alerts->shown[1].messageText, "Launch Slack");
    // Once it is closed, a later launch is announced again.
    launch("/Applications/Chess.app");
    EXPECT_EQ(fakes.alerts->shown.size(), 3u);
}

TEST_F(Shell, QuitWhileOffEndsAtOnceAndWhileOnRestoresFirst) {
    AppDelegate& app = start();
    fakes.shell->commands.clear();
    app.quitButtonPressed();
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(fakes.shell->commands.empty());
    app.prefs->setLendmode(true);
    app.prefs->applaySelectedDefinitionCompletion(nullptr);
    fakes.shell->commands.clear();
    app.terminateRestoringOwnerSettings();
    EXPECT_EQ(terminations, 2);
    ASSERT_FALSE(fakes.shell->commands.empty());
    EXPECT_NE(fakes.shell->commands.back().find("killall Dock"), std::string::npos) << "set 1 was applied";
}

TEST_F(Shell, WithTheOwnerLockEngagedQuitAsksButTheSessionsEndStillRestores) {
    auto owner = std::make_shared<testing_support::FakeOwnerAuthentication>();
    platform::qt::qtPorts().ownerAuthentication = owner;
    AppDelegate& app = start();
    ASSERT_TRUE(app.prefs->setOwnerLockRequired(true));
    app.prefs->setLendmode(true);
    app.prefs->applaySelectedDefinitionCompletion(nullptr);
    fakes.shell->commands.clear();

    owner->answers = {Outcome::Cancelled};
    app.quitButtonPressed();
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(fakes.shell->commands.empty());
    EXPECT_EQ(owner->reasons, std::vector<std::string>{lendmode::lock::kQuit});

    // The system ending the session is not the borrower: nobody is asked.
    app.terminateRestoringOwnerSettings();
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(owner->reasons.size(), 1u);
    EXPECT_FALSE(fakes.shell->commands.empty()) << "the owner's settings went back";
}

// A quit asked while a switch runs (the interface runs meanwhile) waits for it to end,
// then puts the owner's settings back; a blocked launch's alert waits too, the launch
// itself ended at once.
TEST_F(Shell, AQuitOrABlockedLaunchDuringASwitchWaitsForItsEnd) {
    AppDelegate& app = start();
    tick("Chess", true);
    bool quitWaited = false;
    std::size_t alertsDuring = 0;
    fakes.shell->duringNextRun = [&] {
        app.quitButtonPressed();
        quitWaited = terminations == 0;
        launch("/Applications/Chess.app");
        alertsDuring = fakes.alerts->shown.size();
    };
    app.prefs->switchLendmode(true, nullptr);
    EXPECT_TRUE(quitWaited);
    EXPECT_EQ(alertsDuring, 0u) << "no modal alert in the middle of a switch";
    EXPECT_EQ(terminations, 1) << "quit once the switch ended";
    EXPECT_FALSE(app.prefs->guestSettingsApplied()) << "and the owner's settings went back first";
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    EXPECT_EQ(fakes.alerts->shown[0].messageText, "Launch Chess");
}

struct LaunchAtLogin : Shell {
    testing_support::TempDir home;
    std::string agentFile() const {
        return home.path() + "/Library/LaunchAgents/com.lendmode.Lendmode.plist";
    }
    // The launch agent in the temporary home, for the program at executable.
    AppDelegate& startWithAgentFor(const std::string& executable) {
        platform::qt::qtPorts().launchAtLogin =
            std::make_shared<platform::LaunchAgentLogin>(home.path(), [executable] { return executable; });
        return start();
    }
    AppDelegate& startWithTemplate(const Dictionary& contents) {
        const std::string contentsDir = home.path() + "/bundle/Contents";
        std::filesystem::create_directories(contentsDir + "/Resources");
        std::filesystem::create_directories(contentsDir + "/MacOS");
        EXPECT_TRUE(plist::writeFile(contentsDir + "/Resources/com.lendmode.Lendmode.plist", Value(contents),
                                     plist::Format::Xml));
        return startWithAgentFor(contentsDir + "/MacOS/Lendmode");
    }
};

TEST_F(LaunchAtLogin, TheFirstUseCreatesTheFolderAndWritesTheTemplate) {
    AppDelegate& app = startWithTemplate({{"Label", "com.lendmode.Lendmode"}, {"RunAtLoad", false}});
    app.launchOnStartup(true);
    const auto agent = plist::readDictionaryFile(agentFile());
    ASSERT_TRUE(agent);
    EXPECT_EQ(agent->at("RunAtLoad"), Value(true));
    EXPECT_EQ(agent->at("Label"), Value("com.lendmode.Lendmode"));
    EXPECT_EQ(agent->at("ProgramArguments"), Value(Array{home.path() + "/bundle/Contents/MacOS/Lendmode"}))
        << "the program as it runs, not where it was built";
    EXPECT_TRUE(app.prefs->launchOnStartup());
}

TEST_F(LaunchAtLogin, AnInstalledAgentKeepsItsOtherKeysAndOffRewritesIt) {
    AppDelegate& app = startWithTemplate({{"Label", "from the template"}});
    std::filesystem::create_directories(home.path() + "/Library/LaunchAgents");
    const Dictionary installed{
        {"Label", "installed"}, {"KeepAlive", true}, {"ProgramArguments", Array{"/moved/away"}}};
    ASSERT_TRUE(plist::writeFile(agentFile(), Value(installed), plist::Format::Xml));
    app.launchOnStartup(false);
    const auto agent = plist::readDictionaryFile(agentFile());
    EXPECT_EQ(*agent,
              (Dictionary{{"Label", "installed"},
                          {"KeepAlive", true},
                          {"ProgramArguments", Array{home.path() + "/bundle/Contents/MacOS/Lendmode"}},
                          {"RunAtLoad", false}}));
    EXPECT_FALSE(app.prefs->launchOnStartup());
}

TEST_F(LaunchAtLogin, TheActionPassesTheOppositeOfTheControlsState) {
    AppDelegate& app = startWithTemplate({{"Label", "x"}});
    app.launchOnStartupClicked(Qt::Checked);
    EXPECT_EQ(plist::readDictionaryFile(agentFile())->at("RunAtLoad"), Value(false));
    app.launchOnStartupClicked(Qt::Unchecked);
    EXPECT_EQ(plist::readDictionaryFile(agentFile())->at("RunAtLoad"), Value(true));
    app.launchOnStartupClicked(Qt::PartiallyChecked);
    EXPECT_EQ(plist::readDictionaryFile(agentFile())->at("RunAtLoad"), Value(true));
}

TEST_F(LaunchAtLogin, WithoutAReadableTemplateNothingIsWrittenNorStored) {
    AppDelegate& app = startWithAgentFor(home.path() + "/nowhere/MacOS/Lendmode");
    app.launchOnStartup(true);
    EXPECT_FALSE(std::filesystem::exists(agentFile()));
    EXPECT_FALSE(app.prefs->launchOnStartup());
}

TEST_F(LaunchAtLogin, AFolderThatCannotBeMadeIsLoggedAndTheChoiceNotStored) {
    AppDelegate& app = startWithTemplate({{"Label", "x"}});
    testing_support::writeTextFile(home.path() + "/Library", "a file where the folder should be");
    testing::internal::CaptureStderr();
    app.launchOnStartup(true);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("create user's LaunchAgents directory failed "), std::string::npos) << log;
    EXPECT_FALSE(app.prefs->launchOnStartup()) << "no agent was written";
    std::filesystem::remove(home.path() + "/Library");
    app.launchOnStartup(true);
    EXPECT_TRUE(app.prefs->launchOnStartup());
}

TEST_F(LaunchAtLogin, ThePopoversItemTurnsItOnAndOffAndShowsTheChoice) {
    AppDelegate& app = startWithTemplate({{"Label", "x"}});
    qt->statusItems[0]->click();
    auto* item = app.viewMainMenu->findChild<QAbstractButton*>("launchAtLoginButton");
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->isChecked());
    item->click();
    EXPECT_EQ(plist::readDictionaryFile(agentFile())->at("RunAtLoad"), Value(true));
    EXPECT_TRUE(app.prefs->launchOnStartup());
    EXPECT_TRUE(item->isChecked());
    item->click();
    EXPECT_EQ(plist::readDictionaryFile(agentFile())->at("RunAtLoad"), Value(false));
    EXPECT_FALSE(item->isChecked());
}

// The popover shows what the system will do: a change made elsewhere (System Settings,
// another tool) shows when it opens and the stored choice follows; a login item
// awaiting approval says so, and a click asks again.
TEST_F(LaunchAtLogin, ThePopoverShowsTheSystemsStateAndAnApprovalStillNeeded) {
    AppDelegate& app = startWithTemplate({{"Label", "x"}});
    std::filesystem::create_directories(home.path() + "/Library/LaunchAgents");
    ASSERT_TRUE(plist::writeFile(agentFile(), Value(Dictionary{{"RunAtLoad", true}}), plist::Format::Xml));
    qt->statusItems[0]->click();
    auto* item = app.viewMainMenu->findChild<QAbstractButton*>("launchAtLoginButton");
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(app.prefs->launchOnStartup());

    struct AwaitingApproval : platform::LaunchAtLogin {
        std::vector<bool> asked;
        bool setEnabled(bool enabled) override {
            asked.push_back(enabled);
            return true;
        }
        State state() const override { return State::NeedsApproval; }
    };
    auto approval = std::make_shared<AwaitingApproval>();
    platform::qt::qtPorts().launchAtLogin = approval;
    app.viewMainMenu->updateUI();
    EXPECT_TRUE(item->text().contains("needs approval in System Settings")) << item->text().toStdString();
    item->click();
    EXPECT_EQ(approval->asked, std::vector<bool>{true}) << "registered again, which opens System Settings";
}

TEST(LaunchAgentPaths, TemplateSitsTwoLevelsAboveTheExecutable) {
    EXPECT_EQ(platform::launchagent::templatePath("/Applications/Lendmode.app/Contents/MacOS/Lendmode"),
              "/Applications/Lendmode.app/Contents/Resources/com.lendmode.Lendmode.plist");
    EXPECT_EQ(platform::launchagent::agentsDirectory("/Users/owner"), "/Users/owner/Library/LaunchAgents/");
}

TEST(RealHome, ComesFromThePasswordDatabaseNotTheEnvironment) {
    const std::string real = platform::RealHomeDirectory();
    setenv("HOME", "/somewhere/else", 1);
    EXPECT_EQ(platform::RealHomeDirectory(), real);
    EXPECT_NE(real, "/somewhere/else");
    EXPECT_FALSE(real.empty());
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST_F(Shell, ALoanShowsItsTimeLeftWarnsAMinuteBeforeItsEndThenSwitchesOffAndLocks) {
    AppDelegate& app = start();
    Preferences& prefs = Preferences::sharedPreferences();
    std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
    prefs.loan() = lendmode::Loan({[&now] { return now; }, std::chrono::system_clock::now});
    prefs.loan().choose(std::chrono::minutes(15));
    prefs.switchLendmode(true, nullptr);
    fakes.appleScript->scripts.clear();
    const auto& item = *qt->statusItems.at(0);
    EXPECT_EQ(item.title(), "15 min");
    EXPECT_EQ(item.toolTip, "Lendmode is on: 15 min left");

    now += std::chrono::minutes(14);
    app.loanWatch()->tick();
    ASSERT_NE(app.endingSoonNotice(), nullptr);
    EXPECT_TRUE(app.endingSoonNotice()->isVisible());
    EXPECT_FALSE(app.endingSoonNotice()->isActiveWindow()) << "the borrower's window keeps the keyboard";
    EXPECT_EQ(item.title(), "1 min");
    EXPECT_TRUE(prefs.lendmode());

    now += std::chrono::seconds(60);
    app.loanWatch()->tick();
    EXPECT_FALSE(prefs.lendmode());
    EXPECT_FALSE(prefs.guestSettingsApplied());
    ASSERT_FALSE(fakes.appleScript->scripts.empty());
    EXPECT_NE(fakes.appleScript->scripts.back().find("keystroke \"q\" using {control down, command down}"),
              std::string::npos)
        << "switched off, then locked";
    EXPECT_TRUE(!app.endingSoonNotice() || !app.endingSoonNotice()->isVisible());
    EXPECT_EQ(item.title(), "");
    EXPECT_EQ(item.toolTip, "Lendmode is off");
}
