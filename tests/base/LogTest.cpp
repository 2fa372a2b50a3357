// The log: its threshold from LENDMODE_LOG, debug lines made only when asked for,
// and a sink kept alive while a line is written through it.
#include "base/Log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <thread>

#include "tests/support/CapturedLog.h"

namespace {
namespace log = lendmode::log;
using log::Level;
using testing_support::CapturedLog;
using Entry = CapturedLog::Entry;
}  // namespace

TEST(Log, TheThresholdComesFromLENDMODE_LOG) {
    const Level before = log::threshold();
    const auto read = [](const char* value) {
        value ? ::setenv("LENDMODE_LOG", value, 1) : ::unsetenv("LENDMODE_LOG");
        log::readEnvironment();
        return log::threshold();
    };
    EXPECT_EQ(read("debug"), Level::Debug);
    EXPECT_EQ(read(nullptr), Level::Info) << "unset";
    for (const char* other : {"", "info", "DEBUG", "1"}) EXPECT_EQ(read(other), Level::Info) << other;
    log::setThreshold(before);
}

TEST(Log, DebugLinesAreMadeAndWrittenOnlyWhenDebugIsOn) {
    int made = 0;
    const auto writeEach = [&] {
        log::error("e");
        log::info("i");
        log::debug([&] { return std::to_string(++made); });
    };
    CapturedLog captured(Level::Info);
    writeEach();
    EXPECT_EQ(made, 0);
    EXPECT_EQ(captured.take(), (std::vector<Entry>{{Level::Error, "e"}, {Level::Info, "i"}}));
    log::setThreshold(Level::Debug);
    writeEach();
    EXPECT_EQ(captured.take(),
              (std::vector<Entry>{{Level::Error, "e"}, {Level::Info, "i"}, {Level::Debug, "1"}}));
}

TEST(Log, ASinkReplacedWhileALineIsWrittenThroughItLivesUntilTheLineIsDone) {
    CapturedLog captured(Level::Info);  // puts the sink back afterwards
    std::promise<void> entered, replaced;
    std::string seen;
    log::setSink([&seen, &entered, future = replaced.get_future().share()](Level, std::string_view message) {
        entered.set_value();
        future.wait();
        seen = message;  // reads the sink's own captures after it was replaced
    });
    std::thread writer([] { log::info("from another thread"); });
    entered.get_future().wait();
    log::setSink({});
    replaced.set_value();
    writer.join();
    EXPECT_EQ(seen, "from another thread");
}
