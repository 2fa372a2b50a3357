#include "tests/support/Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>
#include <utility>

extern char** environ;

namespace testing_support {
namespace {

using Output = SpawnOptions::Output;

std::vector<std::string> childEnvironment(const SpawnOptions& options) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        const bool dropped =
            options.setEnv.count(name) != 0 ||
            std::find(options.unsetEnv.begin(), options.unsetEnv.end(), name) != options.unsetEnv.end();
        if (!dropped) env.push_back(entry);
    }
    for (const auto& [name, value] : options.setEnv)
        env.push_back(std::string(name).append("=").append(value));
    return env;
}

// The null-terminated array of C strings exec wants; points into `strings`.
std::vector<char*> cStrings(std::vector<std::string>& strings) {
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (std::string& s : strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// Sends the child's descriptor `target` where `how` says. parentEnd gets the end the
// parent keeps (Pipe, File), childEnd the end to close once the child has started
// (Pipe). False when the pipe or file could not be made.
bool redirect(Output how, int target, posix_spawn_file_actions_t* actions, int& parentEnd, int& childEnd) {
    switch (how) {
        case Output::Inherit: return true;
        case Output::Null:
            posix_spawn_file_actions_addopen(actions, target, "/dev/null", O_WRONLY, 0);
            return true;
        case Output::Pipe: {
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) != 0) return false;
            parentEnd = fds[0];
            childEnd = fds[1];
            posix_spawn_file_actions_adddup2(actions, childEnd, target);
            return true;
        }
        case Output::File: {
            char path[] = "/tmp/lendmode-output-XXXXXX";
            parentEnd = ::mkostemp(path, O_CLOEXEC);
            if (parentEnd < 0) return false;
            ::unlink(path);
            posix_spawn_file_actions_adddup2(actions, parentEnd, target);
            return true;
        }
    }
    return false;
}

void closeIfOpen(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string readToEnd(int fd) {
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            return text;
        }
    }
}

std::string readFileFromStart(int fd) {
    ::lseek(fd, 0, SEEK_SET);
    return readToEnd(fd);
}

}  // namespace

Child::Child(Child&& other) noexcept
    : pid(std::exchange(other.pid, -1)),
      out(std::exchange(other.out, -1)),
      err(std::exchange(other.err, -1)) {}

Child& Child::operator=(Child&& other) noexcept {
    if (this != &other) {
        closeIfOpen(out);
        closeIfOpen(err);
        pid = std::exchange(other.pid, -1);
        out = std::exchange(other.out, -1);
        err = std::exchange(other.err, -1);
    }
    return *this;
}

Child::~Child() {
    closeIfOpen(out);
    closeIfOpen(err);
}

Child startProcess(const std::vector<std::string>& argv, const SpawnOptions& options) {
    Child child;
    if (argv.empty()) return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int outChildEnd = -1, errChildEnd = -1;
    bool ready = redirect(options.out, STDOUT_FILENO, &actions, child.out, outChildEnd) &&
                 redirect(options.err, STDERR_FILENO, &actions, child.err, errChildEnd);

    std::vector<std::string> env = childEnvironment(options), args = argv;
    std::vector<char*> envp = cStrings(env), argp = cStrings(args);
    if (ready) {
        const int rc = options.searchPath
                           ? ::posix_spawnp(&child.pid, argp[0], &actions, nullptr, argp.data(), envp.data())
                           : ::posix_spawn(&child.pid, argp[0], &actions, nullptr, argp.data(), envp.data());
        ready = rc == 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    closeIfOpen(outChildEnd);
    closeIfOpen(errChildEnd);
    if (!ready) child = Child();
    return child;
}

int waitForProcess(pid_t pid, std::optional<std::chrono::milliseconds> timeout) {
    if (pid <= 0) return -1;  // waitpid would take it as "any child"
    const auto deadline = std::chrono::steady_clock::now() + timeout.value_or(std::chrono::milliseconds(0));
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, timeout ? WNOHANG : 0);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0 && errno != EINTR) return -1;
        if (timeout) {
            if (std::chrono::steady_clock::now() >= deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

ToolRun runProcess(const std::vector<std::string>& argv, const SpawnOptions& options) {
    ToolRun run;
    const Child child = startProcess(argv, options);
    if (child.pid < 0) return run;
    // Pipes are read while the child runs (it may fill them), files once it has ended.
    if (options.out == Output::Pipe) run.out = readToEnd(child.out);
    if (options.err == Output::Pipe) run.err = readToEnd(child.err);
    run.exitStatus = waitForProcess(child.pid);
    if (options.out == Output::File) run.out = readFileFromStart(child.out);
    if (options.err == Output::File) run.err = readFileFromStart(child.err);
    return run;
}

}  // namespace testing_support
