// The command line: `lendmode on [--for TIME] | off | toggle | status [--json] | open-url URL`
// asks the running Lendmode through the single-instance channel and ends with its
// answer. Without a command the program starts in the menu bar as before (Qt's own
// options, such as -platform, included). The client needs no display.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lendmode::cli {

enum class Command { On, Off, Toggle, Status, OpenUrl };

struct Request {
    explicit Request(Command what = Command::Status, bool asJson = false, std::string link = {})
        : command(what), json(asJson), url(std::move(link)) {}
    Command command;
    bool json = false;  // status --json
    std::string url;    // open-url
    // on --for TIME: how long Lendmode stays on, in seconds; 0 for no time.
    long long forSeconds = 0;
    bool operator==(const Request&) const = default;
};

// What the arguments after the program's name ask for: a request, the usage, or
// nothing valid (`error` says why).
struct Arguments {
    std::optional<Request> request;
    bool help = false;
    std::string error;
};

// Whether the program was started as a command rather than as Lendmode itself: a
// first argument that is not an option, or a request for help.
bool isCommand(int argc, const char* const* argv);
Arguments parseArguments(const std::vector<std::string>& args);

// The request as one line on the channel, and back; nothing for a line that is not
// a request.
std::string requestLine(const Request& request);
std::optional<Request> parseRequestLine(std::string_view line);

// A loan's time as the command line takes it: a whole number and s, m or h ("90s",
// "30m", "2h"), within a loan's bounds; nothing for anything else.
std::optional<long long> parseLoanTime(std::string_view text);

std::string usage(std::string_view program);

// Runs the command the arguments ask for against the Lendmode that runs with this
// state folder, prints its answer, and returns the exit code.
int run(int argc, char** argv, const std::string& stateDirectory);

}  // namespace lendmode::cli
