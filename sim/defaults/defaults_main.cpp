// The simulated Mac's `defaults` tool: runs one command against the Mac named by
// LENDMODE_SIM_ROOT. Started many times by the program's shell commands, so it stays
// small: no streams, one write per output.
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <string>
#include <vector>

#include "sim/Latency.h"
#include "sim/SimMac.h"
#include "sim/defaults/DefaultsCommand.h"

namespace {

void writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string out, err;
    int status = 1;
    try {
        const sim::SimMac mac;
        sim::spend(mac.latency(), sim::latency::kCommandLineTool);
        status = sim::runDefaults(args, mac, out, err);
    } catch (const std::exception& e) {
        err += std::string("defaults: ") + e.what() + "\n";
        status = 1;
    }
    writeAll(STDOUT_FILENO, out);
    writeAll(STDERR_FILENO, err);
    return status;
}
