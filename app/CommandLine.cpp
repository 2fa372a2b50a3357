#include "app/CommandLine.h"

#include <cstdio>
#include <filesystem>

#include "app/SingleInstance.h"

namespace lendmode::cli {

int run(int argc, char** argv, const std::string& stateDirectory) {
    const std::string program =
        std::filesystem::path(argc > 0 && argv[0] ? argv[0] : "lendmode").filename().string();
    const Arguments arguments = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (arguments.help) {
        std::fputs(usage(program).c_str(), stdout);
        return CommandReply::kDone;
    }
    if (!arguments.request) {
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), arguments.error.c_str(), usage(program).c_str());
        return CommandReply::kUsage;
    }

    // No display, no window system and no event loop: only the local socket.
    SingleInstance instance(stateDirectory);
    const std::optional<CommandReply> reply = instance.askRunning(requestLine(*arguments.request));
    if (!reply) {
        std::fputs("Lendmode is not running.\n", stderr);
        return CommandReply::kUsage;
    }
    for (const std::string& line : reply->out) std::printf("%s\n", line.c_str());
    for (const std::string& line : reply->err) std::fprintf(stderr, "%s\n", line.c_str());
    return reply->exitCode;
}

}  // namespace lendmode::cli
