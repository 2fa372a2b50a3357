#include "ui/OwnerLockGate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/CapturedLog.h"
#include "tests/support/FakeOwnerAuthentication.h"

using lendmode::OwnerLockGate;
using Level = lendmode::log::Level;
using Outcome = platform::OwnerAuthentication::Outcome;
using Result = OwnerLockGate::Result;
using namespace std::chrono_literals;

namespace {

struct GateWithFakes {
    std::shared_ptr<testing_support::FakeOwnerAuthentication> port =
        std::make_shared<testing_support::FakeOwnerAuthentication>();
    std::chrono::steady_clock::time_point now{1000h};
    OwnerLockGate gate{port, [this] { return now; }};
    testing_support::CapturedLog log{Level::Info};

    std::vector<std::string> messages() {
        std::vector<std::string> lines;
        for (const auto& entry : log.take()) lines.push_back(entry.message);
        return lines;
    }
};

}  // namespace

TEST(OwnerLockGate, ThreeWrongAnswersMakeItWaitThirtySecondsWithoutAsking) {
    GateWithFakes g;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(g.gate.authenticate("turn Lendmode off"), Result::Denied);
    EXPECT_EQ(g.port->reasons, std::vector<std::string>(3, "turn Lendmode off"));
    const std::vector<testing_support::CapturedLog::Entry> failures{
        {Level::Error, "owner authentication failed (1 of 3)"},
        {Level::Error, "owner authentication failed (2 of 3)"},
        {Level::Error, "owner authentication failed (3 of 3); asking again in 30 s"}};
    EXPECT_EQ(g.log.take(), failures);

    EXPECT_EQ(g.gate.waitLeft(), 30s);
    g.now += 3500ms;
    EXPECT_EQ(g.gate.waitLeft(), 27s) << "rounded up, never zero while waiting";
    EXPECT_EQ(g.gate.authenticate("quit"), Result::Waiting);
    EXPECT_EQ(g.port->reasons.size(), 3u) << "not asked while waiting";
    EXPECT_EQ(g.log.take(), (std::vector<testing_support::CapturedLog::Entry>{
                                {Level::Error, "owner authentication refused: wait 27 s"}}));

    g.now += 26499ms;
    EXPECT_EQ(g.gate.authenticate("quit"), Result::Waiting);
    g.now += 1ms;
    EXPECT_EQ(g.gate.waitLeft(), 0s);
    g.port->answers = {Outcome::Denied};
    EXPECT_EQ(g.gate.authenticate("quit"), Result::Denied);
    EXPECT_EQ(g.port->reasons.size(), 4u);
    EXPECT_EQ(g.messages().back(), "owner authentication failed (1 of 3)") << "a fresh count after the wait";
}

TEST(OwnerLockGate, ASuccessStartsTheCountAgain) {
    GateWithFakes g;
    g.port->answers = {Outcome::Denied, Outcome::Denied, Outcome::Granted, Outcome::Denied, Outcome::Denied};
    EXPECT_EQ(g.gate.authenticate("r"), Result::Denied);
    EXPECT_EQ(g.gate.authenticate("r"), Result::Denied);
    EXPECT_EQ(g.gate.authenticate("r"), Result::Granted);
    EXPECT_EQ(g.gate.authenticate("r"), Result::Denied);
    EXPECT_EQ(g.gate.authenticate("r"), Result::Denied);
    EXPECT_EQ(g.gate.waitLeft(), 0s);
    const auto lines = g.log.take();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], (testing_support::CapturedLog::Entry{Level::Info, "owner authentication succeeded"}));
    EXPECT_EQ(lines[4].message, "owner authentication failed (2 of 3)");
}

TEST(OwnerLockGate, CancelledUnavailableAndOpenQuestionsCountForNothing) {
    GateWithFakes g;
    g.port->answers = {Outcome::Cancelled, Outcome::Cancelled, Outcome::Cancelled, Outcome::Unavailable};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(g.gate.authenticate("r"), Result::Cancelled);
    EXPECT_EQ(g.gate.authenticate("r"), Result::Unavailable);
    EXPECT_EQ(g.messages(), (std::vector<std::string>{
                                "owner authentication cancelled", "owner authentication cancelled",
                                "owner authentication cancelled", "owner authentication unavailable"}));

    // A second question while the first is open is not asked.
    Result inner = Result::Granted;
    g.port->answers = {Outcome::Granted};
    g.port->whileAsking = [&] { inner = g.gate.authenticate("nested"); };
    EXPECT_EQ(g.gate.authenticate("outer"), Result::Granted);
    EXPECT_EQ(inner, Result::Cancelled);
    EXPECT_EQ(g.port->reasons.back(), "outer");

    OwnerLockGate without(nullptr);
    EXPECT_EQ(without.authenticate("r"), Result::Unavailable);
}
