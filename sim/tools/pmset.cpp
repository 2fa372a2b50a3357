// pmset stand-in: `pmset -g` prints the power settings in use, with the sleep the live
// caffeinate assertions prevent, as the real one does; `pmset displaysleepnow` puts
// the display to sleep, which locks the screen when a password is required
// immediately after sleep (the simulated Mac's setting, seeded on). The display wakes
// at once on the simulated Mac; only the lock stays, until `lendmode-sim unlock`.
// Other settings are not kept: changing them (which needs root) is refused.
#include <cerrno>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "sim/Latency.h"
#include "sim/SimMac.h"

namespace {

void printSettings(const sim::SimMac& mac) {
    bool display = false, idle = false, system = false;
    for (const sim::Process& p : mac.powerAssertions()) {
        const auto has = [&p](const char* flag) { return p.assertions.find(flag) != std::string::npos; };
        display = display || has("-d") || has("-u");
        idle = idle || has("-i");
        system = system || has("-s");
    }
    const char* prevented = idle || system ? " (sleep prevented by caffeinate)" : "";
    std::printf(
        "System-wide power settings:\n"
        "Currently in use:\n"
        " standby              1\n"
        " Sleep On Power Button 1\n"
        " hibernatefile        /var/vm/sleepimage\n"
        " powernap             1\n"
        " networkoversleep     0\n"
        " disksleep            10\n"
        " sleep                1%s\n"
        " hibernatemode        3\n"
        " ttyskeepawake        1\n"
        " displaysleep         10%s\n"
        " tcpkeepalive         1\n"
        " lowpowermode         0\n"
        " womp                 1\n",
        prevented, display ? " (display sleep prevented by caffeinate)" : "");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc == 2 ? argv[1] : "";
    if (command != "-g" && command != "displaysleepnow") {
        std::fputs("Usage: pmset -g | pmset displaysleepnow\n", stderr);
        return 1;
    }
    try {
        const sim::SimMac mac;
        const sim::Latency latency = mac.latency();
        sim::spend(latency, sim::latency::kCommandLineTool);
        if (command == "-g") {
            printSettings(mac);
            return 0;
        }
        if (!mac.displaySleepNow()) {
            std::fprintf(stderr, "%s\n", sim::cannotUpdateMessage("pmset", mac, errno).c_str());
            return 1;
        }
        if (mac.screenLocked()) sim::spend(latency, sim::latency::kScreenLock);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pmset: %s\n", e.what());
        return 1;
    }
    return 0;
}
