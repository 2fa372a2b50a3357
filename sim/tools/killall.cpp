// killall stand-in: ends the simulated processes with exactly the given names
// (case-sensitive). The Dock, Notification Center and SystemUIServer come back by
// themselves, and their restarts are counted.
#include <cstdio>
#include <string_view>
#include <vector>

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
    const sim::SimMac mac;
    int killed = 0;
    for (const std::string_view name : names) killed += mac.killAll(name);
    if (killed == 0) {
        std::fputs("No matching processes belonging to you were found\n", stderr);
        return 1;
    }
    return 0;
}
