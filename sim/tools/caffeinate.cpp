// caffeinate stand-in: `caffeinate [-disu] [-m] [-t timeout] [-w pid] [utility arguments...]`
// as the real one documents. It holds a power assertion for as long as it runs: while
// the utility it starts runs (exiting with its status), else until the process given
// with -w exits or the -t timeout passes, else until it is ended. Without assertion
// flags it prevents idle sleep (-i); -u alone times out after 5 s; -t and -w are
// ignored with a utility, as man caffeinate says.
//
// On the simulated Mac the assertion is the tool itself: it enters its own pid and
// flags as a running "caffeinate" process, and takes the entry away when it ends
// (SIGTERM, SIGINT and SIGHUP included). A kill -9 leaves the entry behind; readers
// check that its pid lives.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "sim/Latency.h"
#include "sim/SimMac.h"

namespace {

// How often it looks whether the -w process still runs.
constexpr std::chrono::milliseconds kPoll(100);

std::optional<long> number(std::string_view text) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

int usage() {
    std::fputs("usage: caffeinate [-disu] [-t timeout] [-w Process ID] [command arguments...]\n", stderr);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string flags;
    std::optional<long> timeout, waitFor;
    // '+': options end at the utility's name, so its own options stay its own.
    int option = 0;
    while ((option = ::getopt(argc, argv, "+dimsut:w:")) != -1) {
        switch (option) {
            case 'd':
            case 'i':
            case 'm':
            case 's':
            case 'u':
                if (flags.find(static_cast<char>(option)) == std::string::npos)
                    flags += static_cast<char>(option);
                break;
            case 't':
                if (!(timeout = number(optarg))) return usage();
                break;
            case 'w':
                if (!(waitFor = number(optarg))) return usage();
                break;
            default: return usage();
        }
    }
    char* const* utility = optind < argc ? argv + optind : nullptr;
    if (flags.empty()) flags = "i";
    if (utility) timeout = waitFor = std::nullopt;
    if (!utility && !timeout && flags == "u") timeout = 5;

    std::string described;
    for (const char c : std::string("dimsu")) {
        if (flags.find(c) != std::string::npos)
            described += std::string(described.empty() ? "" : " ") + "-" + c;
    }
    if (waitFor) described += " -w " + std::to_string(*waitFor);
    if (timeout) described += " -t " + std::to_string(*timeout);

    // Signals that end it are taken in turn below, so the entry always goes.
    sigset_t ending;
    sigemptyset(&ending);
    for (const int s : {SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&ending, s);
    sigset_t before;
    ::sigprocmask(SIG_BLOCK, &ending, &before);

    try {
        const sim::SimMac mac;
        sim::spend(mac.latency(), sim::latency::kCommandLineTool);
        sim::Process self;
        self.name = "caffeinate";
        self.pid = ::getpid();
        self.path = "/usr/bin/caffeinate";
        self.assertions = described;
        if (!mac.addHostProcess(self)) {
            std::fprintf(stderr, "%s\n", sim::cannotUpdateMessage("caffeinate", mac, errno).c_str());
            return 1;
        }

        pid_t child = -1;
        if (utility) {
            child = ::fork();
            if (child == 0) {
                ::sigprocmask(SIG_SETMASK, &before, nullptr);
                ::execvp(utility[0], utility);
                std::fprintf(stderr, "caffeinate: %s: %s\n", utility[0], std::strerror(errno));
                ::_exit(127);
            }
        }

        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout.value_or(0));
        for (;;) {
            if (child > 0) {
                int waited = 0;
                if (::waitpid(child, &waited, WNOHANG) == child) {
                    status = WIFEXITED(waited) ? WEXITSTATUS(waited) : 128 + WTERMSIG(waited);
                    break;
                }
            } else if (child < 0 && utility) {
                std::fprintf(stderr, "caffeinate: cannot start %s: %s\n", utility[0], std::strerror(errno));
                status = 1;
                break;
            }
            if (waitFor && ::kill(static_cast<pid_t>(*waitFor), 0) != 0 && errno != EPERM) break;
            if (timeout && std::chrono::steady_clock::now() >= deadline) break;
            timespec wait{0, std::chrono::nanoseconds(kPoll).count()};
            const int got = ::sigtimedwait(&ending, nullptr, &wait);
            if (got > 0 && got != SIGCHLD) break;
        }
        if (!mac.removeProcess(self.pid)) {
            std::fprintf(stderr, "%s\n", sim::cannotUpdateMessage("caffeinate", mac, errno).c_str());
            return 1;
        }
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "caffeinate: %s\n", e.what());
        return 1;
    }
}
