// What the running Lendmode does for the command line and for lendmode:// links, with
// every port faked: switching as the popover does, the owner lock in front of the
// switch-off, refusals told as text instead of alerts, and the status.
#include "app/RemoteCommands.h"

#include <gtest/gtest.h>

#include <chrono>

#include <QApplication>
#include <QDesktopServices>
#include <QFileOpenEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "model/AlertTexts.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "tests/support/Applications.h"
#include "tests/support/FakeOwnerAuthentication.h"
#include "tests/support/Fakes.h"
#include "ui/OwnerLock.h"

using lendmode::CommandReply;
using lendmode::OwnerLock;
using lendmode::Preferences;
using lendmode::RemoteCommands;
using lendmode::cli::Command;
namespace keys = lendmode::keys;
using Outcome = platform::OwnerAuthentication::Outcome;
using Lines = std::vector<std::string>;

namespace {

struct Remote : ::testing::Test {
    testing_support::FakePorts fakes;
    std::shared_ptr<testing_support::FakeOwnerAuthentication> owner =
        std::make_shared<testing_support::FakeOwnerAuthentication>();
    Preferences* prefs = nullptr;
    std::unique_ptr<OwnerLock> lock;
    std::unique_ptr<RemoteCommands> remote;

    void SetUp() override {
        fakes.urlHandlers->installThreeBrowsersWithChromeTheDefault();
        fakes.shell->installApplications("/Applications/Chess.app\n/Applications/Slack.app\n");
        prefs = &Preferences::resetShared(fakes.ports());
        prefs->readCurrentDefinitionSets();
        fakes.appleScript->next = std::vector<std::string>{"1"};  // every quit finds its application
        lock = std::make_unique<OwnerLock>([this]() -> Preferences& { return *prefs; }, owner,
                                           [] { return std::chrono::steady_clock::time_point{}; });
        remote = std::make_unique<RemoteCommands>(*prefs, [this]() -> OwnerLock& { return *lock; });
    }
    void TearDown() override {
        remote.reset();
        lock.reset();
        Preferences::resetShared();
    }
    void switchOnWithTheLockSet() {
        ASSERT_TRUE(prefs->setOwnerLockRequired(true));
        ASSERT_EQ(remote->handle("on").exitCode, CommandReply::kDone);
        ASSERT_TRUE(lock->engaged());
    }
    bool guestSettingsOn() const { return prefs->guestSettingsApplied(); }
};

CommandReply done(const std::string& line) {
    return CommandReply{CommandReply::kDone, {line}, {}};
}

}  // namespace

namespace lendmode {
void PrintTo(const CommandReply& reply, std::ostream* out) {
    *out << "exit " << reply.exitCode;
    for (const auto& line : reply.out) *out << " | out " << line;
    for (const auto& line : reply.err) *out << " | err " << line;
}
}  // namespace lendmode

TEST_F(Remote, OnOffAndToggleSwitchAsThePopoverDoesAndSayWhatTheyDid) {
    EXPECT_EQ(remote->handle("on"), done("Lendmode is on."));
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_TRUE(guestSettingsOn());
    EXPECT_EQ(remote->handle("on"), done("Lendmode is already on."));
    EXPECT_EQ(remote->handle("toggle"), done("Lendmode is off."));
    EXPECT_FALSE(guestSettingsOn()) << "the owner's settings are back";
    EXPECT_EQ(remote->handle("off"), done("Lendmode is already off."));
    EXPECT_EQ(remote->handle("toggle"), done("Lendmode is on."));
    EXPECT_EQ(remote->openUrl("lendmode://off"), done("Lendmode is off."));
    EXPECT_FALSE(prefs->lendmode());
    EXPECT_TRUE(fakes.alerts->shown.empty());
    EXPECT_TRUE(owner->reasons.empty()) << "no lock set: nobody is asked";
}

// During a switch (the interface runs meanwhile) status says what it is doing, and a
// second switch is refused.
TEST_F(Remote, DuringASwitchStatusSaysSoAndAnotherSwitchIsRefused) {
    CommandReply during, json, second;
    fakes.shell->duringNextRun = [&] {
        during = remote->handle("status");
        json = remote->handle("status --json");
        second = remote->handle("off");
    };
    ASSERT_EQ(remote->handle("on").exitCode, CommandReply::kDone);
    ASSERT_FALSE(during.out.empty());
    EXPECT_EQ(during.out[0].rfind("Lendmode is switching on: ", 0), 0u) << during.out[0];
    EXPECT_NE(json.out.at(0).find("\"lendmode\":\"switching on\""), std::string::npos) << json.out.at(0);
    EXPECT_EQ(second.exitCode, CommandReply::kRefused);
    EXPECT_EQ(remote->handle("status").out.at(0), "Lendmode is on.");
}

TEST_F(Remote, StatusSaysWhetherItIsOnTheSetInUseTheBlockedApplicationsAndTheLock) {
    testing_support::setApplicationDisabled(*prefs, "Slack");
    testing_support::setApplicationDisabled(*prefs, "Chess");
    const auto json = [&] {
        const Lines out = remote->handle("status --json").out;
        EXPECT_EQ(out.size(), 1u) << "one line";
        return QJsonDocument::fromJson(QByteArray::fromStdString(out.at(0))).object();
    };
    EXPECT_EQ(json(), (QJsonObject{{"lendmode", "off"},
                                   {"set", 0},
                                   {"blocked", QJsonArray{"Chess", "Slack"}},
                                   {"ownerLock", false},
                                   {"secondsLeft", QJsonValue()}}));
    prefs->setCurrentSet(1);
    ASSERT_TRUE(prefs->setOwnerLockRequired(true));
    ASSERT_EQ(remote->handle("on").exitCode, CommandReply::kDone);
    EXPECT_EQ(remote->handle("status").out, (Lines{"Lendmode is on.", "Time left: until switched off",
                                                   "Set in use: 1, the owner's own settings",
                                                   "Blocked applications: Chess, Slack", "Owner lock: set"}));

    // A stored index that names no set: the one a switch-on would apply.
    prefs->setCurrentSet(7);
    testing_support::setApplicationDisabled(*prefs, "Slack", false);
    testing_support::setApplicationDisabled(*prefs, "Chess", false);
    EXPECT_EQ(json(), (QJsonObject{{"lendmode", "on"},
                                   {"set", 0},
                                   {"blocked", QJsonArray{}},
                                   {"ownerLock", true},
                                   {"secondsLeft", QJsonValue()}}));
}

TEST_F(Remote, ARefusedSwitchAnswersWithItsReasonInsteadOfAnAlert) {
    fakes.automation->refused = {"System Events"};
    EXPECT_EQ(remote->handle("on"),
              (CommandReply{CommandReply::kRefused,
                            {},
                            {std::string(lendmode::alerts::kCannotSwitchOn) + ": " +
                             lendmode::alerts::filledIn(lendmode::alerts::kCannotSwitchOnAutomationText,
                                                        "System Events")}}));
    EXPECT_FALSE(prefs->lendmode());
    EXPECT_FALSE(guestSettingsOn());
    EXPECT_TRUE(fakes.alerts->shown.empty()) << "nothing waits for a click";
    // Outside the command the alerts are shown again.
    prefs->switchLendmode(true, nullptr);
    EXPECT_EQ(fakes.alerts->shown.size(), 1u);

    // Switched, but not all of it: done, with each setting that did not change named
    // on the side, one per line.
    prefs->switchLendmode(false, nullptr);
    fakes.automation->refused.clear();
    fakes.appleScript->next = std::nullopt;
    const std::string failed = ": The script stopped with an error.";
    EXPECT_EQ(
        remote->handle("on"),
        (CommandReply{CommandReply::kDone,
                      {"Lendmode is on."},
                      {std::string(lendmode::alerts::kScriptFailed) + ":", "  Natural scrolling" + failed,
                       "  Dock visibility" + failed, "  Dock position" + failed}}));
    EXPECT_EQ(fakes.alerts->shown.size(), 1u);
}

TEST_F(Remote, OffWhileLockedAsksTheOwnerAndChangesNothingWithoutConsent) {
    switchOnWithTheLockSet();
    using Result = lendmode::OwnerLockGate::Result;
    owner->answers = {Outcome::Denied, Outcome::Cancelled, Outcome::Denied, Outcome::Denied};
    const std::vector<std::pair<std::string, Result>> asked{
        {"off", Result::Denied},
        {"toggle", Result::Cancelled},
        {"open-url lendmode://off", Result::Denied},
        {"off", Result::Denied},
    };
    for (const auto& [request, result] : asked) {
        EXPECT_EQ(remote->handle(request),
                  (CommandReply{CommandReply::kRefused, {}, {lock->refusalText(result)}}))
            << request;
        EXPECT_TRUE(prefs->lendmode()) << request;
        EXPECT_TRUE(guestSettingsOn()) << request;
    }
    EXPECT_EQ(remote->handle("off").err, Lines{lock->refusalText(Result::Waiting)})
        << "three wrong answers: a wait, without asking";
    EXPECT_EQ(owner->reasons, Lines(4, "turn Lendmode off"));
    EXPECT_TRUE(fakes.alerts->shown.empty());
    EXPECT_EQ(remote->handle("on"), done("Lendmode is already on.")) << "switching on is not guarded";
    EXPECT_EQ(owner->reasons.size(), 4u);
}

TEST_F(Remote, OnForAWhileStoresItsEndAndUnderTheLockOnlyTheOwnerChangesItsTime) {
    EXPECT_EQ(remote->handle("on --for 1800"), done("Lendmode is on for 30 min."));
    EXPECT_EQ(remote->handle("status").out.at(1), "Time left: 30 min");
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(remote->handle("status --json").out.at(0)))
            .object();
    EXPECT_EQ(json.value("secondsLeft").toInteger(), 1800);
    EXPECT_EQ(fakes.store->read(keys::kLoanLength), plist::Value(1800));
    ASSERT_TRUE(fakes.store->read(keys::kLoanEnd) && fakes.store->read(keys::kLoanEnd)->isDate());

    ASSERT_TRUE(prefs->setOwnerLockRequired(true));
    owner->answers = {Outcome::Denied, Outcome::Granted};
    EXPECT_EQ(remote->handle("on --for 7200").exitCode, CommandReply::kRefused);
    EXPECT_EQ(prefs->loan().length(), lendmode::Loan::Seconds(1800)) << "refused: the time stays";
    EXPECT_EQ(remote->handle("on --for 7200"), done("Lendmode stays on for 2 h from now."));
    EXPECT_EQ(prefs->loan().length(), lendmode::Loan::Seconds(7200));
    EXPECT_EQ(fakes.store->read(keys::kLoanLength), plist::Value(7200));
    EXPECT_EQ(owner->reasons, Lines(2, "change how long Lendmode stays on"));
}

TEST_F(Remote, NoSwitchStartsWhileAnotherWaitsForAnAnswer) {
    switchOnWithTheLockSet();
    CommandReply busy;
    CommandReply status;
    owner->answers = {Outcome::Granted};
    owner->whileAsking = [&] {
        busy = remote->handle("toggle");
        status = remote->handle("status --json");
    };
    EXPECT_EQ(remote->handle("off"), done("Lendmode is off."));
    EXPECT_FALSE(guestSettingsOn());
    EXPECT_EQ(busy.exitCode, CommandReply::kRefused);
    EXPECT_EQ(busy.err, Lines{"Lendmode is busy with another switch; try again when it is done."});
    EXPECT_EQ(status.exitCode, CommandReply::kDone) << "status answers while the owner is asked";

    // An alert of the program's own is up: no switch starts inside it.
    bool alertUp = true;
    remote = std::make_unique<RemoteCommands>(
        *prefs, [this]() -> OwnerLock& { return *lock; }, [&] { return alertUp; });
    EXPECT_EQ(remote->handle("on").err,
              Lines{"Lendmode is waiting for an answer in its window; try again once it is given."});
    EXPECT_FALSE(guestSettingsOn());
    EXPECT_EQ(remote->handle("status").exitCode, CommandReply::kDone);
    alertUp = false;

    // The popover switched off while the owner was asked: nothing is put back twice.
    ASSERT_EQ(remote->handle("on").exitCode, CommandReply::kDone);
    owner->answers = {Outcome::Granted};
    owner->whileAsking = [&] { prefs->switchLendmode(false, nullptr); };
    EXPECT_EQ(remote->handle("off"), done("Lendmode is already off."));
    EXPECT_FALSE(guestSettingsOn());
}

TEST_F(Remote, LinksNameOnOffOrToggleAndAClickedOneThatIsRefusedSaysWhyInAnAlert) {
    const std::vector<std::pair<std::string, Command>> good{
        {"lendmode://on", Command::On},         {"lendmode://off", Command::Off},
        {"lendmode://toggle", Command::Toggle}, {"lendmode://toggle/", Command::Toggle},
        {"LENDMODE://ON", Command::On},
    };
    for (const auto& [url, command] : good) {
        std::string why;
        EXPECT_EQ(lendmode::commandFromUrl(url, why), command) << url;
    }
    for (const std::string url :
         {"", "lendmode://", "lendmode://reboot", "lendmode://on/now", "lendmode://on?x=1",
          "lendmode://on#top", "lendmode://me@on", "lendmode://on:80", "lendmode:on", "lendmode:///on",
          "http://on", "on", "lendmode://o n"}) {
        std::string why;
        EXPECT_EQ(lendmode::commandFromUrl(url, why), std::nullopt) << url;
        EXPECT_NE(why.find(url + " (use lendmode://on, lendmode://off or lendmode://toggle)"),
                  std::string::npos)
            << why;
    }

    remote->followLink("lendmode://on");
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_TRUE(fakes.alerts->shown.empty());
    remote->followLink("lendmode://reboot");
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    EXPECT_EQ(fakes.alerts->shown[0].messageText, "Lendmode could not follow the link");
    EXPECT_EQ(
        fakes.alerts->shown[0].informativeText,
        "unknown Lendmode link: lendmode://reboot (use lendmode://on, lendmode://off or lendmode://toggle)");
    ASSERT_TRUE(prefs->setOwnerLockRequired(true));
    owner->answers = {Outcome::Cancelled};
    remote->followLink("lendmode://off");
    ASSERT_EQ(fakes.alerts->shown.size(), 2u);
    EXPECT_EQ(fakes.alerts->shown[1].informativeText,
              lock->refusalText(lendmode::OwnerLockGate::Result::Cancelled));
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_EQ(remote->handle("reboot").exitCode, CommandReply::kUsage);
}

TEST(LinkEvents, FileOpenEventsAndTheSchemesHandlerReachOneFunctionInOrderOnceStarted) {
    lendmode::LinkEvents links;
    qApp->installEventFilter(&links);
    Lines followed;

    QFileOpenEvent link(QUrl(QStringLiteral("lendmode://on")));
    EXPECT_TRUE(QCoreApplication::sendEvent(qApp, &link)) << "taken";
    EXPECT_TRUE(QDesktopServices::openUrl(QUrl(QStringLiteral("lendmode://toggle"))));
    QCoreApplication::processEvents();
    EXPECT_TRUE(followed.empty()) << "kept until started";

    links.start([&](const std::string& url) { followed.push_back(url); });
    QFileOpenEvent file(QUrl::fromLocalFile(QStringLiteral("/tmp/notes.txt")));
    EXPECT_FALSE(QCoreApplication::sendEvent(qApp, &file)) << "other files are not ours";
    QFileOpenEvent later(QUrl(QStringLiteral("lendmode://off")));
    QCoreApplication::sendEvent(qApp, &later);
    QCoreApplication::processEvents();
    EXPECT_EQ(followed, (Lines{"lendmode://on", "lendmode://toggle", "lendmode://off"}));
    qApp->removeEventFilter(&links);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
