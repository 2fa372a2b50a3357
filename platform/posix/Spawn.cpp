#include "platform/posix/Spawn.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

extern char** environ;

namespace posix {
namespace {

// Shells that closed their output but had not exited when we stopped reading; they
// are reaped without blocking at the next run, so none is left a zombie for long.
std::mutex pendingMutex;
std::vector<pid_t> pending;

void reapPending() {
    std::lock_guard lock(pendingMutex);
    std::erase_if(pending, [](pid_t pid) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
}

std::vector<std::string> mergedEnvironment(const EnvironmentOverrides& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        const std::string name = eq ? std::string(*e, static_cast<std::size_t>(eq - *e)) : std::string(*e);
        if (overrides.count(name) == 0) env.emplace_back(*e);
    }
    for (const auto& [name, value] : overrides) env.push_back(std::string(name).append("=").append(value));
    return env;
}

}  // namespace

ShellRun runShell(const std::string& text, const EnvironmentOverrides& environment, bool waitForExit,
                  const char* shell) {
    reapPending();
    ShellRun result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);

    std::vector<std::string> envStrings = mergedEnvironment(environment);
    std::vector<char*> envp;
    envp.reserve(envStrings.size() + 1);
    for (std::string& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);

    std::string shellPath = shell, dashC = "-c", command = text;
    char* argv[] = {shellPath.data(), dashC.data(), command.data(), nullptr};

    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, shell, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return result;
    }
    result.started = true;

    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            result.output.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fds[0]);

    int status = 0;
    if (waitForExit) {
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        result.exitStatus =
            WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    } else if (::waitpid(pid, &status, WNOHANG) == 0) {
        std::lock_guard lock(pendingMutex);
        pending.push_back(pid);
    }
    return result;
}

}  // namespace posix
