// killall stand-in: ends the simulated processes with exactly the given names
// (case-sensitive). The Dock, Notification Center and SystemUIServer come back by
// themselves, and their restarts are counted (with realistic latency the tool returns
// once they are back). A process ends without being asked, an unsaved document with
// it. When the simulated Mac's state cannot be updated, nothing is ended and the tool
// says so and fails.
#include <cerrno>
#include <cstdio>
#include <exception>
#include <string_view>
#include <vector>

#include "sim/Latency.h"
#include "sim/SimMac.h"

int main(int argc, char** argv) {
    std::vector<std::string_view> names;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.size() > 1 && arg.front() == '-') {
            // -SIGNAL, -9, -s, -v ...: every signal ends a simulated process alike.
            if ((arg == "-u" || arg == "-t" || arg == "-c") && i + 1 < argc) ++i;
            continue;
        }
        names.push_back(arg);
    }
    if (names.empty()) {
        std::fputs("usage: killall [-delmsvz] [-help] [-u user] [-t tty] [-SIGNAL] [procname ...]\n", stderr);
        return 1;
    }
    try {
        const sim::SimMac mac;
        sim::spend(mac.latency(), sim::latency::kCommandLineTool);
        int killed = 0;
        for (const std::string_view name : names) {
            const auto ended = mac.killAll(name);
            if (!ended) {
                std::fprintf(stderr, "%s\n", sim::cannotUpdateMessage("killall", mac, errno).c_str());
                return 1;
            }
            killed += *ended;
        }
        if (killed == 0) {
            std::fputs("No matching processes belonging to you were found\n", stderr);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "killall: %s\n", e.what());
        return 1;
    }
    return 0;
}
