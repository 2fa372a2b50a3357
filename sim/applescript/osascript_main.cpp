// osascript for the simulated Mac:
//   osascript -e LINE [-e LINE ...]   the lines joined with line feeds
//   osascript FILE                    the script in FILE
//   osascript [-]                     the script on standard input
// Prints the result and a line feed (nothing when there is none) and exits 0; on an
// error prints it to standard error and exits 1. Arguments after the script are
// accepted and ignored: the simulated AppleScript has no run handler to receive them.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "sim/Latency.h"
#include "sim/SimMac.h"
#include "sim/applescript/AppleScript.h"

namespace {

constexpr const char* kUsage =
    "usage: osascript [-l language] [-e script] [-i] [-s {ehso}] [programfile] [argument ...]\n";

int usage(const std::string& problem) {
    std::fprintf(stderr, "osascript: %s\n%s", problem.c_str(), kUsage);
    return 1;
}

// The whole stream, or nullopt with errno set when reading failed.
std::optional<std::string> readAll(std::FILE* in) {
    std::string text;
    char buffer[16384];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    if (std::ferror(in)) return std::nullopt;
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> lines;
    std::optional<std::string> file;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-e") {
            if (i + 1 >= argc) return usage("option requires an argument -- e");
            lines.push_back(argv[++i]);
        } else if (arg.rfind("-e", 0) == 0) {
            lines.push_back(arg.substr(2));
        } else if (arg == "--") {
            if (lines.empty() && i + 1 < argc) file = argv[i + 1];
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage("illegal option -- " + arg.substr(1, 1));
        } else {
            if (lines.empty()) file = arg;
            break;  // the rest are arguments for the script
        }
    }

    std::string source;
    if (!lines.empty()) {
        for (std::size_t k = 0; k < lines.size(); ++k) source += (k ? "\n" : "") + lines[k];
    } else if (file && *file != "-") {
        std::FILE* in = std::fopen(file->c_str(), "rb");
        std::optional<std::string> text = in ? readAll(in) : std::nullopt;
        const int readError = errno;
        if (in) std::fclose(in);
        if (!text) {
            std::fprintf(stderr, "osascript: %s: %s\n", file->c_str(), std::strerror(readError));
            return 1;
        }
        source = std::move(*text);
    } else {
        std::optional<std::string> text = readAll(stdin);
        if (!text) {
            std::fprintf(stderr, "osascript: standard input: %s\n", std::strerror(errno));
            return 1;
        }
        source = std::move(*text);
    }

    try {
        const sim::SimMac mac;
        sim::spend(mac.latency(), sim::latency::kOsascriptStart);
        const sim::applescript::Outcome outcome = sim::applescript::run(source, mac);
        if (outcome.error) {
            std::fprintf(stderr, "%s\n", outcome.error->describe().c_str());
            return 1;
        }
        if (outcome.result) {
            const std::string text = sim::applescript::formatResult(*outcome.result) + "\n";
            std::fwrite(text.data(), 1, text.size(), stdout);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "osascript: %s\n", e.what());
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
