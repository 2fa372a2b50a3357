// lendmode-sim: inspect and adjust the simulated Mac by hand.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/Quoting.h"
#include "sim/SimEnvironment.h"
#include "sim/SimMac.h"
#include "sim/Status.h"

namespace {

void usage() {
    std::fputs(
        "usage: lendmode-sim [command]\n"
        "  status                     the simulated settings as a table (default)\n"
        "  root                       the simulated Mac's folder\n"
        "  env                        shell lines that point a shell at the simulated Mac\n"
        "  apps                       installed applications, * marks running ones\n"
        "  add-app PATH [BUNDLE_ID]   install an application (e.g. /Applications/Chess 2.app)\n"
        "  automation allow|deny [APP]  allow or refuse Apple events (default: every app)\n"
        "  reset                      throw the simulated Mac away and seed a new one\n"
        "The folder is $LENDMODE_SIM_ROOT, or ~/.local/share/lendmode/simulated-mac.\n",
        stderr);
}

// The commands that need the simulated Mac; the exit status.
int run(const sim::SimMac& mac, std::string_view command, int argc, char** argv) {
    const auto failed = [&mac] {
        std::fprintf(stderr, "%s\n", sim::cannotUpdateMessage("lendmode-sim", mac, errno).c_str());
        return 1;
    };
    if (command == "status") {
        std::printf("Simulated Mac at %s\n\n%s", mac.root().c_str(), sim::statusTable(mac).c_str());
    } else if (command == "root") {
        std::printf("%s\n", mac.root().c_str());
    } else if (command == "env") {
        std::printf("export %s=%s\nexport PATH=%s:\"$PATH\"\n", sim::kRootVariable,
                    lendmode::shellQuoted(mac.root()).c_str(),
                    lendmode::shellQuoted(sim::toolsDirectory()).c_str());
    } else if (command == "apps") {
        for (const sim::App& app : mac.catalogue()) {
            std::printf("%s %-60s %s%s\n", mac.isRunning(app.name) ? "*" : " ", app.path.c_str(),
                        app.bundleIdentifier.c_str(), app.agent ? " (agent)" : "");
        }
    } else if (command == "add-app" && argc >= 3) {
        auto apps = mac.catalogue();
        sim::App app;
        app.path = argv[2];
        app.bundleIdentifier = argc >= 4 ? argv[3] : "com.example." + std::to_string(apps.size());
        apps.push_back(app);
        if (!mac.setCatalogue(apps)) return failed();
    } else if (command == "automation" && argc >= 3) {
        const std::string_view verb = argv[2];
        if (verb != "allow" && verb != "deny") {
            usage();
            return 1;
        }
        if (!mac.setAutomationAllowed(argc >= 4 ? argv[3] : "*", verb == "allow")) return failed();
    } else {
        usage();
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc > 1 ? argv[1] : "status";
    const std::string root = sim::SimMac::rootFromEnvironment();
    if (command == "-h" || command == "--help" || command == "help") {
        usage();
        return 0;
    }
    try {
        if (command == "reset") {
            std::error_code ec;
            std::filesystem::remove_all(root, ec);
            const sim::SimMac mac(root);
            std::printf("Seeded a new simulated Mac in %s\n", mac.root().c_str());
            return 0;
        }
        const sim::SimMac mac(root);
        return run(mac, command, argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lendmode-sim: %s\n", e.what());
        return 1;
    }
}
