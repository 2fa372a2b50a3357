// Slow commands run beside the event loop: the interface keeps going meanwhile.
#include "platform/qt/ResponsiveRunners.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <thread>

#include "platform/posix/PosixShellRunner.h"

namespace {

// A timer meant to fire every 10 ms keeps firing while a command takes 300 ms, and the
// command's output comes back as from the runner it wraps; off the event loop's thread
// the wrapped runner is called as it is.
TEST(ResponsiveRunners, TheEventLoopRunsWhileACommandDoesAndItsOutputComesBack) {
    platform::qt::ResponsiveShellRunner shell(std::make_shared<platform::PosixShellRunner>());
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    EXPECT_EQ(shell.run("sleep 0.3; echo done"), std::optional<std::string>("done\n"));
    EXPECT_GE(ticks, 10) << "the loop ran while the command did";
    EXPECT_FALSE(shell.runSucceeded("exit 3"));

    std::optional<std::string> fromWorker;
    std::thread worker([&] { fromWorker = shell.run("echo worker"); });
    worker.join();
    EXPECT_EQ(fromWorker, std::optional<std::string>("worker\n"));
}

}  // namespace
