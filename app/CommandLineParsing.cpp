// The command line's words and request lines, and its usage text: the pure half of
// app/CommandLine.h, apart from the client (CommandLine.cpp) so that it builds
// without Qt (the fuzz targets read request lines with it).
#include "app/CommandLine.h"

#include <algorithm>
#include <charconv>

#include "model/Loan.h"

namespace lendmode::cli {
namespace {

constexpr std::string_view kOn = "on";
constexpr std::string_view kOff = "off";
constexpr std::string_view kToggle = "toggle";
constexpr std::string_view kStatus = "status";
constexpr std::string_view kJson = "--json";
constexpr std::string_view kOpenUrl = "open-url";
constexpr std::string_view kFor = "--for";

bool isHelp(std::string_view arg) {
    return arg == "-h" || arg == "--help" || arg == "help";
}

// A link travels inside one request line: no line feeds nor other control characters.
bool isPrintable(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

std::optional<Command> switchCommand(std::string_view word) {
    if (word == kOn) return Command::On;
    if (word == kOff) return Command::Off;
    if (word == kToggle) return Command::Toggle;
    return std::nullopt;
}

}  // namespace

bool isCommand(int argc, const char* const* argv) {
    if (argc < 2 || !argv[1]) return false;
    const std::string_view first = argv[1];
    return isHelp(first) || (!first.empty() && first.front() != '-');
}

Arguments parseArguments(const std::vector<std::string>& args) {
    Arguments parsed;
    if (args.empty()) {
        parsed.error = "no command given";
        return parsed;
    }
    const std::string& word = args.front();
    const std::size_t extra = args.size() - 1;
    if (isHelp(word)) {
        parsed.help = true;
    } else if (const auto command = switchCommand(word)) {
        if (extra == 0) parsed.request = Request{*command};
        if (extra >= 1 && *command == Command::On && args[1] == kFor) {
            const auto seconds = extra == 2 ? parseLoanTime(args[2]) : std::nullopt;
            if (seconds) {
                parsed.request = Request{Command::On};
                parsed.request->forSeconds = *seconds;
            } else if (extra <= 2) {
                parsed.error = "--for takes a time such as 90s, 30m or 2h (at most 24h)";
            }
        }
    } else if (word == kStatus) {
        if (extra == 0) parsed.request = Request{Command::Status};
        if (extra == 1 && args[1] == kJson) parsed.request = Request{Command::Status, true};
        if (extra == 1 && args[1] != kJson) parsed.error = "status takes only --json, not " + args[1];
    } else if (word == kOpenUrl) {
        if (extra == 0 || (extra == 1 && args[1].empty())) {
            parsed.error = "open-url needs a link, such as lendmode://on";
        } else if (extra == 1 && !isPrintable(args[1])) {
            parsed.error = "the link holds control characters";
        } else if (extra == 1) {
            parsed.request = Request{Command::OpenUrl, false, args[1]};
        }
    } else {
        parsed.error = "unknown command: " + word;
    }
    if (!parsed.help && !parsed.request && parsed.error.empty())
        parsed.error = "too many arguments for " + word;
    return parsed;
}

std::string requestLine(const Request& request) {
    switch (request.command) {
        case Command::On:
            return std::string(kOn) + (request.forSeconds > 0 ? " " + std::string(kFor) + " " +
                                                                    std::to_string(request.forSeconds)
                                                              : "");
        case Command::Off: return std::string(kOff);
        case Command::Toggle: return std::string(kToggle);
        case Command::Status: return std::string(kStatus) + (request.json ? " " + std::string(kJson) : "");
        case Command::OpenUrl: return std::string(kOpenUrl) + " " + request.url;
    }
    return std::string(kStatus);
}

std::optional<Request> parseRequestLine(std::string_view line) {
    const std::size_t space = line.find(' ');
    const std::string_view word = line.substr(0, space);
    const std::string_view rest =
        space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    if (word == kOpenUrl) {
        if (rest.empty() || !isPrintable(rest)) return std::nullopt;
        return Request{Command::OpenUrl, false, std::string(rest)};
    }
    if (word == kOn && rest.starts_with(kFor) && rest.size() > kFor.size() && rest[kFor.size()] == ' ') {
        const std::string_view digits = rest.substr(kFor.size() + 1);
        long long seconds = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
        if (ec != std::errc() || end != digits.data() + digits.size() || seconds < Loan::kShortest.count() ||
            seconds > Loan::kLongest.count())
            return std::nullopt;
        Request request{Command::On};
        request.forSeconds = seconds;
        return request;
    }
    if (space != std::string_view::npos && !(word == kStatus && rest == kJson)) return std::nullopt;
    if (word == kStatus) return Request{Command::Status, !rest.empty()};
    if (const auto command = switchCommand(word)) return Request{*command};
    return std::nullopt;
}

std::optional<long long> parseLoanTime(std::string_view text) {
    if (text.size() < 2) return std::nullopt;
    long long unit = 0;
    switch (text.back()) {
        case 's': unit = 1; break;
        case 'm': unit = 60; break;
        case 'h': unit = 3600; break;
        default: return std::nullopt;
    }
    const std::string_view digits = text.substr(0, text.size() - 1);
    long long count = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
    if (ec != std::errc() || end != digits.data() + digits.size() || count <= 0 ||
        count > Loan::kLongest.count() / unit)
        return std::nullopt;
    return count * unit;
}

std::string usage(std::string_view program) {
    const std::string name(program);
    return "Usage: " + name + " on [--for TIME] | off | toggle | status [--json] | open-url URL\n" +
           "  on             switch Lendmode on\n"
           "  on --for TIME  switch it on for a while (90s, 30m, 2h): then it switches off by itself\n"
           "                 and locks the screen; while on, a new time from now\n"
           "  off            switch it off (the owner is asked first while the owner lock is set)\n"
           "  toggle         switch it to the other side\n"
           "  status         whether it is on, the time left, the set in use, the blocked applications\n"
           "  status --json  the same as one JSON object\n"
           "  open-url URL   follow a link: lendmode://on, lendmode://off or lendmode://toggle\n"
           "The running Lendmode does the work. Without a command, " +
           name +
           " starts Lendmode itself.\n"
           "Exit status: 0 done, 1 refused or failed, 2 bad usage or Lendmode not running.\n";
}

}  // namespace lendmode::cli
