// The osascript stand-in as a real process: how it takes the script, what it prints
// and how it exits.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace {

using testing_support::ToolRun;

class OsascriptToolTest : public ::testing::Test {
protected:
    const sim::SimMac& mac() const { return temp_.mac(); }
    ToolRun osascript(std::vector<std::string> args) const {
        args.insert(args.begin(), "osascript");
        return testing_support::runTool(temp_.root(), args);
    }
    // Each line as its own -e option.
    ToolRun lines(const std::vector<std::string>& script) const {
        std::vector<std::string> args;
        for (const std::string& line : script) {
            args.push_back("-e");
            args.push_back(line);
        }
        return osascript(args);
    }

private:
    testing_support::TempMac temp_;
};

TEST_F(OsascriptToolTest, PrintsTheResultAndExitsZero) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"return 1", "1\n"},
        {"return \"two words\"", "two words\n"},
        {"return true", "true\n"},
        {"return {\"a\", \"b\", \"c\"}", "a, b, c\n"},
        {"return 1.5", "1.5\n"},
        {"return 2.0", "2.0\n"},
        {"do shell script \"printf 'a\\\\nb\\\\n'\"", "a\nb\n"},
        {"quit application \"Chess\"", ""},
        {"", ""},
    };
    for (const auto& [script, out] : cases) {
        const ToolRun run = osascript({"-e", script});
        EXPECT_EQ(run.exitStatus, 0) << script << "\n" << run.err;
        EXPECT_EQ(run.out, out) << script;
        EXPECT_EQ(run.err, "") << script;
    }
}

TEST_F(OsascriptToolTest, JoinsEachOptionAsALine) {
    const std::vector<std::string> quitIfRunning = {"if application \"Slack\" is running then",
                                                    " quit application \"Slack\"", " return 1", " end if",
                                                    " return 0"};
    EXPECT_EQ(lines(quitIfRunning).out, "1\n");
    EXPECT_FALSE(mac().isRunning("Slack")) << "the tool works on the simulated Mac named by its root";
    EXPECT_EQ(lines(quitIfRunning).out, "0\n");

    const ToolRun activate = lines({"tell application \"Chess\"", "activate", "end tell"});
    EXPECT_EQ(activate.exitStatus, 0) << activate.err;
    EXPECT_TRUE(mac().isRunning("Chess"));
}

TEST_F(OsascriptToolTest, ErrorsGoToStandardErrorWithExitOne) {
    const ToolRun missing = osascript({"-e", "tell application \"NoSuchApp\" to activate"});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "32:40: execution error: Can’t get application \"NoSuchApp\". (-1728)\n");

    const ToolRun syntax = lines({"quit application \"Slack\"", "garbage line"});
    EXPECT_EQ(syntax.exitStatus, 1);
    EXPECT_EQ(syntax.err, "25:32: syntax error: Expected statement but found identifier. (-2741)\n");
    EXPECT_TRUE(mac().isRunning("Slack"));

    const ToolRun shell = osascript({"-e", "do shell script \"echo oops; exit 3\""});
    EXPECT_EQ(shell.exitStatus, 1);
    EXPECT_EQ(shell.err, "0:35: execution error: oops (3)\n");

    mac().setAutomationAllowed("System Events", false);
    const ToolRun refused = osascript(
        {"-e", "tell application \"System Events\" to tell dock preferences to set autohide to false"});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_NE(
        refused.err.find("execution error: Not authorized to send Apple events to System Events. (-1743)\n"),
        std::string::npos)
        << refused.err;
}

TEST_F(OsascriptToolTest, ReadsAFileOrStandardInput) {
    const std::string file = mac().root() + "/script.applescript";
    testing_support::writeTextFile(file, "\xEF\xBB\xBF-- saved by an editor\r\nreturn \"from a file\"\r\n");
    const ToolRun fromFile = osascript({file, "ignored", "arguments"});
    EXPECT_EQ(fromFile.exitStatus, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, "from a file\n");

    const ToolRun piped =
        testing_support::runShell(mac().root(), "printf '#!/usr/bin/osascript\\nreturn 2\\n' | osascript");
    EXPECT_EQ(piped.exitStatus, 0) << piped.err;
    EXPECT_EQ(piped.out, "2\n");
    const ToolRun dash = testing_support::runShell(mac().root(), "printf 'return 3' | osascript -");
    EXPECT_EQ(dash.out, "3\n");
}

TEST_F(OsascriptToolTest, RejectsBadInvocations) {
    const ToolRun noFile = osascript({mac().root() + "/nowhere.scpt"});
    EXPECT_EQ(noFile.exitStatus, 1);
    EXPECT_NE(noFile.err.find("nowhere.scpt: No such file or directory"), std::string::npos) << noFile.err;

    const ToolRun noScript = osascript({"-e"});
    EXPECT_EQ(noScript.exitStatus, 1);
    EXPECT_NE(noScript.err.find("usage: osascript"), std::string::npos) << noScript.err;

    const ToolRun badOption = osascript({"-x", "return 1"});
    EXPECT_EQ(badOption.exitStatus, 1);
    EXPECT_EQ(badOption.out, "");
}

}  // namespace
