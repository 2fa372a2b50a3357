// The settings for presenting and sharing the screen against a simulated Mac: muted
// sound, hidden desktop icons and a power assertion while Lendmode is on, the owner's
// own state back afterwards, and nothing touched by a row left unticked.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "engine/settings/Registry.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "tests/support/Fakes.h"
#include "tests/support/TestSupport.h"

using lendmode::Preferences;
using plist::Value;
using testing_support::TempMac;

namespace {

constexpr int kPresentingRows[] = {lendmode::rows::kMuteSound, lendmode::rows::kHideDesktopIcons,
                                   lendmode::rows::kKeepAwake};

struct Presenting : ::testing::Test {
    TempMac t;
    Preferences* prefs = nullptr;
    std::shared_ptr<testing_support::RecordingAlerts> alerts =
        std::make_shared<testing_support::RecordingAlerts>();
    platform::Ports ports() const {
        platform::Ports ports = platform::simulated::portsFor(t.root());
        ports.alerts = alerts;
        return ports;
    }
    void SetUp() override {
        ASSERT_TRUE(testing_support::makeFocusShortcuts(t.mac()));
        prefs = &Preferences::resetShared(ports());
        prefs->readCurrentDefinitionSets();
    }
    void TearDown() override {
        keepAwakeNow(false);  // a failed test leaves no assertion to the next
        Preferences::resetShared();
    }
    void tick(bool on) {
        for (const int id : kPresentingRows)
            prefs->setObject(Value(on), "box", static_cast<std::uint64_t>(id));
    }
    void switchOn() {
        prefs->setLendmode(true);
        prefs->applaySelectedDefinitionCompletion(nullptr);
    }
    void switchOff() {
        prefs->setLendmode(false);
        prefs->restoreDefinitionSetsCompletion(nullptr);
    }
    void keepAwakeNow(bool on) const {
        const platform::Ports p = ports();
        const lendmode::CommandRunners run(p);
        const plist::Array sets;
        lendmode::settings::Env env(run, p, sets);
        lendmode::settings::keepAwake().applyNow(Value(on), env);
    }
    bool run(const std::string& text) const {
        return testing_support::runShell(t.root(), text).exitStatus == 0;
    }
    std::optional<Value> createDesktop() const {
        const auto finder = t.mac().readDomain("com.apple.finder");
        const auto it = finder ? finder->find("CreateDesktop") : plist::Dictionary::const_iterator{};
        if (!finder || it == finder->end()) return std::nullopt;
        return it->second;
    }
    // The assertions held on behalf of this process, which stands in for Lendmode.
    std::size_t heldForLendmode() const {
        std::size_t held = 0;
        for (const sim::Process& p : t.mac().powerAssertions())
            held += p.assertions == "-d -i -w " + std::to_string(::getpid()) ? 1 : 0;
        return held;
    }
    // What the tools do by themselves (caffeinate's start and end) has a moment to happen.
    template <typename Condition>
    static bool eventually(Condition condition) {
        for (int i = 0; i < 300 && !condition(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return condition();
    }
};

}  // namespace

TEST_F(Presenting, TickedTheyMuteHideAndKeepAwakeAndASwitchOffPutsTheOwnersBack) {
    // The owner keeps the Mac awake too; theirs is not Lendmode's to end.
    const std::string started =
        testing_support::runShell(t.root(), "caffeinate -t 60 >/dev/null 2>&1 & echo $!").out;
    const long owners = std::stol(started);
    ASSERT_TRUE(eventually([&] { return t.mac().powerAssertions().size() == 1; }));
    tick(true);
    const int finder = t.mac().restarts("Finder");

    switchOn();
    EXPECT_TRUE(t.mac().outputMuted());
    EXPECT_EQ(createDesktop(), Value(false));
    EXPECT_FALSE(t.mac().desktopIconsShown());
    EXPECT_EQ(t.mac().restarts("Finder"), finder + 1);
    EXPECT_TRUE(eventually([&] { return heldForLendmode() == 1; }));
    EXPECT_TRUE(alerts->shown.empty());

    switchOff();
    EXPECT_FALSE(t.mac().outputMuted());
    EXPECT_EQ(createDesktop(), std::nullopt) << "a key the owner never had is removed again";
    EXPECT_TRUE(t.mac().desktopIconsShown());
    EXPECT_EQ(t.mac().restarts("Finder"), finder + 2);
    EXPECT_TRUE(eventually([&] { return heldForLendmode() == 0; }));
    ASSERT_EQ(t.mac().powerAssertions().size(), 1u);
    EXPECT_EQ(t.mac().powerAssertions()[0].pid, owners);
    ::kill(static_cast<pid_t>(owners), SIGTERM);
}

TEST_F(Presenting, AnOwnerAlreadyMutedOrWithoutIconsGetsExactlyThatBack) {
    tick(true);
    for (const auto& [muted, icons] : {std::pair{true, false}, std::pair{false, true}}) {
        ASSERT_TRUE(
            run(std::string("osascript -e 'set volume output muted ") + (muted ? "true" : "false") + "'"));
        ASSERT_TRUE(run(std::string("defaults write com.apple.finder CreateDesktop -bool ") +
                        (icons ? "true" : "false") + " && killall Finder"));
        switchOn();
        EXPECT_TRUE(t.mac().outputMuted());
        EXPECT_FALSE(t.mac().desktopIconsShown());
        switchOff();
        EXPECT_EQ(t.mac().outputMuted(), muted);
        EXPECT_EQ(createDesktop(), Value(icons));
        EXPECT_EQ(t.mac().desktopIconsShown(), icons);
    }
}

// A row left unticked changes nothing at switch-on and puts nothing back at switch-off,
// whatever an earlier switch-on with it ticked did: the guest's own changes stay.
TEST_F(Presenting, UntickedTheyLeaveTheMacAloneEvenAfterATickedSwitch) {
    tick(true);
    switchOn();
    switchOff();
    tick(false);
    const int finder = t.mac().restarts("Finder");
    switchOn();
    EXPECT_FALSE(t.mac().outputMuted());
    EXPECT_EQ(createDesktop(), std::nullopt);
    EXPECT_EQ(t.mac().restarts("Finder"), finder);
    EXPECT_EQ(heldForLendmode(), 0u);
    ASSERT_TRUE(run("osascript -e 'set volume output muted true'"));
    ASSERT_TRUE(run("defaults write com.apple.finder CreateDesktop -bool false"));
    switchOff();
    EXPECT_TRUE(t.mac().outputMuted());
    EXPECT_EQ(createDesktop(), Value(false));
    EXPECT_EQ(t.mac().restarts("Finder"), finder);
}

TEST_F(Presenting, AStartAfterACrashUnmutesAndShowsTheIconsAgain) {
    tick(true);
    switchOn();
    ASSERT_TRUE(t.mac().outputMuted());
    ASSERT_FALSE(t.mac().desktopIconsShown());
    Preferences::resetShared();  // killed
    prefs = &Preferences::resetShared(ports());
    EXPECT_FALSE(prefs->lendmode());
    EXPECT_FALSE(t.mac().outputMuted());
    EXPECT_EQ(createDesktop(), std::nullopt);
    EXPECT_TRUE(t.mac().desktopIconsShown());
}

// What a restarted Lendmode that resumes guest mode calls: one assertion, however often.
TEST_F(Presenting, KeepingAwakeNowHoldsOneAssertionUntilItIsEnded) {
    keepAwakeNow(true);
    keepAwakeNow(true);
    EXPECT_TRUE(eventually([&] { return heldForLendmode() >= 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(heldForLendmode(), 1u);
    tick(true);
    switchOn();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(heldForLendmode(), 1u) << "the switch-on takes the one held";
    keepAwakeNow(false);
    EXPECT_TRUE(eventually([&] { return heldForLendmode() == 0; }));
    switchOff();
}
