// One Lendmode at a time: a second start while one runs changes nothing, asks the
// running one to show its popover, and leaves.
#include <gtest/gtest.h>

#include <csignal>

#include "model/BuildInfo.h"
#include "tests/support/AppProcess.h"
#include "tests/support/TestSupport.h"

using testing_support::AppProcess;
using testing_support::TempMac;

TEST(SingleInstance, ASecondStartChangesNothingAndAsksTheFirstToShowItself) {
    TempMac t;
    AppProcess first(t.root());
    ASSERT_EQ(first.waitForLine("READY"), "READY");
    first.signal(SIGUSR1);
    ASSERT_EQ(first.waitForLine("ON"), "ON");
    const auto domain = t.mac().readDomain(lendmode::build::kBundleIdentifier);
    const auto dock = t.mac().readDomain("com.apple.dock");

    const auto second =
        testing_support::runShell(t.root(), "QT_QPA_PLATFORM=offscreen exec lendmode-testable");
    EXPECT_EQ(second.exitStatus, 0);
    EXPECT_NE(second.err.find("Lendmode is already running; it shows its popover.\n"), std::string::npos)
        << second.err;
    EXPECT_EQ(second.out, "") << "it never started up";
    EXPECT_EQ(first.waitForLine("POPOVER").rfind("POPOVER ", 0), 0u);
    // Neither a restore nor a new snapshot behind the first one's back.
    EXPECT_EQ(t.mac().readDomain(lendmode::build::kBundleIdentifier), domain);
    EXPECT_EQ(t.mac().readDomain("com.apple.dock"), dock);

    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(), 0);
    // Once the first has gone, a new start is the one.
    AppProcess third(t.root());
    EXPECT_EQ(third.waitForLine("READY"), "READY");
}
