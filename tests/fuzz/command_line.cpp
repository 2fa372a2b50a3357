// The command line's request lines and arguments (app/CommandLine.h), as the running
// Lendmode's socket and the program's argv get them.
//
// The input is a request line, and also, split at NUL bytes, an argument list. A line
// that parses, written again, parses to the same request; arguments give a request,
// the usage or an error, and a request they give travels as a line that parses back
// to it, as do the arguments that request stands for.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "tests/fuzz/support/FuzzInput.h"

namespace {

using lendmode::cli::Command;
using lendmode::cli::Request;

std::string describe(const Request& r) {
    return "request " + std::to_string(static_cast<int>(r.command)) + (r.json ? " json" : "") + " url " +
           fuzz::showBytes(r.url);
}

// The arguments that ask for this request.
std::vector<std::string> argumentsFor(const Request& r) {
    switch (r.command) {
        case Command::On: return {"on"};
        case Command::Off: return {"off"};
        case Command::Toggle: return {"toggle"};
        case Command::Status:
            return r.json ? std::vector<std::string>{"status", "--json"} : std::vector<std::string>{"status"};
        case Command::OpenUrl: return {"open-url", r.url};
    }
    return {};
}

void travelsIntact(const Request& r, const char* property) {
    const std::string line = lendmode::cli::requestLine(r);
    fuzz::require(line.find('\n') == std::string::npos, "a request line holds no line feed",
                  fuzz::showBytes(line));
    const auto back = lendmode::cli::parseRequestLine(line);
    if (!back || !(*back == r)) fuzz::fail(property, describe(r) + "\nline " + fuzz::showBytes(line));
    const auto parsed = lendmode::cli::parseArguments(argumentsFor(r));
    if (!parsed.request || !(*parsed.request == r))
        fuzz::fail("the arguments a request stands for ask for it", describe(r));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    if (const auto request = lendmode::cli::parseRequestLine(bytes))
        travelsIntact(*request, "a request line that parses, written again, parses to the same request");

    std::vector<std::string> args;
    for (std::size_t start = 0; start <= bytes.size();) {
        const std::size_t end = std::min(bytes.find('\0', start), bytes.size());
        args.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    if (bytes.empty()) args.clear();
    const auto parsed = lendmode::cli::parseArguments(args);
    const int outcomes = (parsed.request ? 1 : 0) + (parsed.help ? 1 : 0) + (parsed.error.empty() ? 0 : 1);
    fuzz::require(outcomes == 1, "arguments give exactly one of a request, the usage and an error",
                  fuzz::showBytes(bytes));
    if (parsed.request)
        travelsIntact(*parsed.request,
                      "a request from the arguments travels as a line that parses back to it");

    // As argv: a command is a first argument that is no option, or a request for help.
    std::vector<const char*> argv{"lendmode"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    const bool command = lendmode::cli::isCommand(static_cast<int>(argv.size()), argv.data());
    if (parsed.request || parsed.help)
        fuzz::require(command, "arguments that ask for something start as a command", fuzz::showBytes(bytes));
    return 0;
}
