// The command line: its arguments and request lines, and the real `lendmode` client
// driving the real program on a simulated Mac.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "model/BuildInfo.h"
#include "tests/support/AppProcess.h"
#include "tests/support/TestSupport.h"

using lendmode::cli::Command;
using lendmode::cli::Request;
using testing_support::AppProcess;
using testing_support::TempMac;
using testing_support::ToolRun;
using Args = std::vector<std::string>;

namespace lendmode::cli {
void PrintTo(const Request& request, std::ostream* out) {
    *out << requestLine(request);
}
}  // namespace lendmode::cli

TEST(CommandLineArguments, CommandsTravelAsOneLineAndBadUsageSaysWhatIsWrong) {
    const std::vector<std::pair<Args, Request>> valid{
        {{"on"}, Request(Command::On)},
        {{"toggle"}, Request(Command::Toggle)},
        {{"status", "--json"}, Request(Command::Status, true)},
        {{"open-url", "lendmode://off"}, Request(Command::OpenUrl, false, "lendmode://off")},
    };
    for (const auto& [args, request] : valid) {
        EXPECT_EQ(lendmode::cli::parseArguments(args).request, request) << args[0];
        EXPECT_EQ(lendmode::cli::parseRequestLine(lendmode::cli::requestLine(request)), request);
    }
    Request forAWhile(Command::On);
    forAWhile.forSeconds = 5400;
    EXPECT_EQ(lendmode::cli::parseArguments({"on", "--for", "90m"}).request, forAWhile);
    EXPECT_EQ(lendmode::cli::parseRequestLine(lendmode::cli::requestLine(forAWhile)), forAWhile);
    for (const std::string line : {"", "show", "on now", "status --xml", "open-url ", "open-url a\rb",
                                   "on --for 0", "on --for 86401", "on --for 30m", "off --for 60"}) {
        EXPECT_EQ(lendmode::cli::parseRequestLine(line), std::nullopt) << line;
    }
    const std::vector<std::pair<Args, std::string>> bad{
        {{"reboot"}, "unknown command: reboot"},
        {{"on", "now"}, "too many arguments for on"},
        {{"status", "--xml"}, "status takes only --json, not --xml"},
        {{"open-url"}, "open-url needs a link, such as lendmode://on"},
        {{"open-url", "lendmode://on\nshow"}, "the link holds control characters"},
        {{"on", "--for"}, "--for takes a time such as 90s, 30m or 2h (at most 24h)"},
        {{"on", "--for", "25h"}, "--for takes a time such as 90s, 30m or 2h (at most 24h)"},
        {{"on", "--for", "30m", "now"}, "too many arguments for on"},
        {{"off", "--for", "30m"}, "too many arguments for off"},
    };
    for (const auto& [args, error] : bad) {
        EXPECT_EQ(lendmode::cli::parseArguments(args).request, std::nullopt);
        EXPECT_EQ(lendmode::cli::parseArguments(args).error, error);
    }

    // A loan's time: a whole number of seconds, minutes or hours, up to a day.
    const std::vector<std::pair<std::string, std::optional<long long>>> times{
        {"90s", 90},           {"30m", 1800},           {"2h", 7200},
        {"24h", 86400},        {"1441m", std::nullopt}, {"0s", std::nullopt},
        {"-5m", std::nullopt}, {"1.5h", std::nullopt},  {"m", std::nullopt},
        {"30", std::nullopt},  {"30min", std::nullopt}, {"99999999999999999999s", std::nullopt},
    };
    for (const auto& [text, seconds] : times) EXPECT_EQ(lendmode::cli::parseLoanTime(text), seconds) << text;

    const auto isCommand = [](std::vector<const char*> argv) {
        return lendmode::cli::isCommand(static_cast<int>(argv.size()), argv.data());
    };
    EXPECT_FALSE(isCommand({"lendmode"}));
    EXPECT_FALSE(isCommand({"lendmode", "-platform", "offscreen"})) << "Qt's own options start Lendmode";
    EXPECT_TRUE(isCommand({"lendmode", "bogus"})) << "answered with the usage";
    EXPECT_TRUE(isCommand({"lendmode", "--help"}));
}

namespace {

struct ClientOfTheRealProgram : ::testing::Test {
    TempMac t;
    // The real client, without a display: a window system would make it fail.
    ToolRun lendmode(const std::string& arguments, const std::string& program = "lendmode") {
        return testing_support::runShell(
            t.root(), "unset DISPLAY; QT_QPA_PLATFORM=xcb exec " + program + " " + arguments);
    }
};

QJsonObject json(const ToolRun& run) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
}

}  // namespace

TEST_F(ClientOfTheRealProgram, SwitchesTheRunningLendmodeAndSaysHowThingsStand) {
    AppProcess app(t.root());
    ASSERT_EQ(app.waitForLine("READY"), "READY");

    ToolRun status = lendmode("status --json");
    EXPECT_EQ(status.exitStatus, 0) << status.err;
    EXPECT_EQ(json(status)["lendmode"].toString(), "off") << status.out;
    EXPECT_TRUE(status.out.ends_with("}\n")) << "one line";

    ToolRun on = lendmode("on");
    EXPECT_EQ(on.exitStatus, 0) << on.err;
    EXPECT_EQ(on.out, "Lendmode is on.\n");
    EXPECT_EQ(app.waitForLine("LENDMODE"), "LENDMODE YES");
    EXPECT_EQ(json(lendmode("status --json", "lendmode-testable"))["lendmode"].toString(), "on")
        << "the test build answers as a client too";

    ToolRun toggle = lendmode("toggle");
    EXPECT_EQ(toggle.exitStatus, 0) << toggle.err;
    EXPECT_EQ(toggle.out, "Lendmode is off.\n");
    EXPECT_EQ(app.waitForLine("LENDMODE"), "LENDMODE NO");

    ToolRun off = lendmode("off");
    EXPECT_EQ(off.exitStatus, 0);
    EXPECT_EQ(off.out, "Lendmode is already off.\n");

    ToolRun link = lendmode("open-url lendmode://reboot");
    EXPECT_EQ(link.exitStatus, 1);
    EXPECT_EQ(link.out, "");
    EXPECT_EQ(link.err,
              "unknown Lendmode link: lendmode://reboot (use lendmode://on, lendmode://off or "
              "lendmode://toggle)\n");

    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(), 0);
    for (const std::string& line : app.lines()) EXPECT_NE(line.rfind("ALERT", 0), 0u) << line;
}

TEST_F(ClientOfTheRealProgram, WithoutARunningLendmodeOrWithBadUsageItEndsWithTwo) {
    ToolRun status = lendmode("status");
    EXPECT_EQ(status.exitStatus, 2);
    EXPECT_EQ(status.out, "");
    EXPECT_EQ(status.err, "Lendmode is not running.\n");
    EXPECT_FALSE(t.mac().readDomain(lendmode::build::kBundleIdentifier)) << "nothing was started";

    ToolRun bad = lendmode("reboot now");
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_EQ(
        bad.err.rfind("lendmode: unknown command: reboot\nUsage: lendmode on [--for TIME] | off | toggle", 0),
        0u)
        << bad.err;
}
