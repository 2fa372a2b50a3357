// shortcuts stand-in (macOS 12 and later): `shortcuts list` prints the installed
// Shortcuts' names, one a line; `shortcuts run NAME` runs one, which on the simulated
// Mac switches Focus. Before 12 the tool does not exist: the shell's "command not
// found" and its status 127 are what a caller sees. The wording of the failures of a
// run is ours; a caller goes by the exit status.
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "sim/Latency.h"
#include "sim/SimMac.h"

int main(int argc, char** argv) {
    try {
        const sim::SimMac mac(sim::SimMac::rootFromEnvironment());
        if (mac.macOSVersion().major < 12) {
            std::fputs("sh: shortcuts: command not found\n", stderr);
            return 127;
        }
        sim::spend(mac.latency(), sim::latency::kShortcutsRun);
        const std::string_view command = argc > 1 ? argv[1] : "";
        if (command == "list" && argc == 2) {
            for (const auto& [name, action] : mac.shortcuts()) std::printf("%s\n", name.c_str());
            return 0;
        }
        if (command == "run" && argc == 3) {
            switch (mac.runShortcut(argv[2])) {
                case sim::SimMac::ShortcutRun::Ran: return 0;
                case sim::SimMac::ShortcutRun::NotFound:
                    std::fprintf(stderr,
                                 "Error: The shortcut \xe2\x80\x9c%s\xe2\x80\x9d could not be found.\n",
                                 argv[2]);
                    return 1;
                case sim::SimMac::ShortcutRun::NotUpdated:
                    std::fprintf(stderr, "Error: The shortcut \xe2\x80\x9c%s\xe2\x80\x9d could not run.\n",
                                 argv[2]);
                    return 1;
            }
        }
        std::fputs("usage: shortcuts list | shortcuts run <shortcut-name>\n", stderr);
        return 64;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "shortcuts: %s\n", e.what());
        return 1;
    }
}
