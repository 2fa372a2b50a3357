#include "bench/BenchSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "sim/SimMac.h"

extern char** environ;

namespace bench {

ScratchMac::ScratchMac() {
    std::string pattern = "/tmp/lendmode-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    root_ = pattern;
    const sim::SimMac mac(root_);  // seed it
}

ScratchMac::~ScratchMac() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string toolsDirectory() { return LENDMODE_TOOLS_DIR; }

int spawnAndWait(const std::vector<std::string>& argv, const std::string& root) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (std::string(*e).rfind("LENDMODE_SIM_ROOT=", 0) != 0) env.emplace_back(*e);
    }
    env.push_back("LENDMODE_SIM_ROOT=" + root);
    std::vector<char*> envp, args;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> copy = argv;
    for (auto& s : copy) args.push_back(s.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double median(std::vector<double>& values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double medianMilliseconds(const std::function<void()>& f, int runs) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return median(t);
}

bool reportTarget(const std::string& name, double measured, double limit, const std::string& unit) {
    const bool pass = measured < limit;
    std::printf("TARGET %s: %.3f %s (target < %.3f %s) %s\n", name.c_str(), measured, unit.c_str(), limit,
                unit.c_str(), pass ? "PASS" : "FAIL");
    return pass;
}

}  // namespace bench
