// open stand-in: `open -a NAME` (or a bundle path) and `open -b BUNDLE_ID` start a
// simulated application, and the simulated system announces the launch to every
// running listener. When the simulated Mac's state cannot be updated, nothing starts
// and the tool says so and fails.
#include <cerrno>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "sim/Latency.h"
#include "sim/SimMac.h"

namespace {

std::optional<sim::App> findApplication(const sim::SimMac& mac, std::string_view name, bool byBundleId) {
    std::string wanted(name);
    if (!byBundleId && wanted.size() > 4 && wanted.ends_with(".app")) {
        // A bundle path or file name: match it by its name without the extension.
        const auto slash = wanted.rfind('/');
        wanted = wanted.substr(slash == std::string::npos ? 0 : slash + 1);
        wanted.resize(wanted.size() - 4);
    }
    for (sim::App& app : mac.catalogue()) {
        if (byBundleId ? app.bundleIdentifier == wanted : app.name == wanted) return std::move(app);
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    std::string_view name;
    bool byBundleId = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if ((arg == "-a" || arg == "-b") && i + 1 < argc) {
            byBundleId = arg == "-b";
            name = argv[++i];
        }
    }
    if (name.empty()) {
        std::fputs("Usage: open -a <application> | -b <bundle identifier>\n", stderr);
        return 1;
    }
    try {
        const sim::SimMac mac;
        sim::spend(mac.latency(), sim::latency::kCommandLineTool);
        const auto app = findApplication(mac, name, byBundleId);
        if (!app) {
            std::fprintf(stderr,
                         byBundleId ? "Unable to find application with identifier '%.*s'\n"
                                    : "Unable to find application named '%.*s'\n",
                         static_cast<int>(name.size()), name.data());
            return 1;
        }
        if (!mac.launch(*app)) {
            std::fprintf(stderr, "%s\n", sim::cannotUpdateMessage("open", mac, errno).c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "open: %s\n", e.what());
        return 1;
    }
    return 0;
}
