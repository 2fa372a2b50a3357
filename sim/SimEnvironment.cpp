#include "sim/SimEnvironment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "model/BuildInfo.h"
#include "sim/SimMac.h"

namespace sim {
namespace {

bool hasTools(const std::string& dir) {
    const std::string tool = dir + "/defaults";
    struct stat st {};
    return ::stat(tool.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(tool.c_str(), X_OK) == 0;
}

std::string executableDirectory() {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string path(buf, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::string toolsDirectory() {
    if (const char* dir = std::getenv("LENDMODE_SIM_TOOLS"); dir && *dir) return dir;
    if (std::string dir = executableDirectory(); !dir.empty() && hasTools(dir)) return dir;
    return lendmode::build::kBinaryDirectory;
}

posix::EnvironmentOverrides shellEnvironment(const SimMac& mac) {
    const char* path = std::getenv("PATH");
    const std::string systemPath = path && *path ? path : "/usr/bin:/bin";
    return {
        {"PATH", toolsDirectory() + ":" + systemPath},
        {"HOME", mac.home()},
        {kRootVariable, mac.root()},
    };
}

}  // namespace sim
