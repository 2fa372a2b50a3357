#include "platform/posix/Spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
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

// How long a shell that has closed its output may take to exit before it is left
// to be reaped later: a shell that is ending does so within microseconds.
constexpr std::chrono::milliseconds kExitGrace{200};

int exitStatusOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// Appends what one read gives; false at the end of the stream (or on an error).
bool readSome(int fd, std::string& into) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        return false;
    }
}

// Reads standard output to its end and, when err is open, standard error alongside
// it (one pipe left full would stop the writer of the other).
void readOutputs(int out, int err, ShellRun& result) {
    bool errOpen = err >= 0;
    for (;;) {
        pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
        if (::poll(fds, errOpen ? 2 : 1, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (errOpen && fds[1].revents != 0 && !readSome(err, result.errors)) errOpen = false;
        if (fds[0].revents != 0 && !readSome(out, result.output)) break;
    }
    // What standard error already holds; a writer that never stops is not waited for.
    for (int reads = 0; errOpen && reads < 16; ++reads) {
        pollfd fd{err, POLLIN, 0};
        if (::poll(&fd, 1, 0) <= 0 || !readSome(err, result.errors)) break;
    }
}

// The shell's exit status if it ends within kExitGrace; -1 otherwise.
int collectExitSoon(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + kExitGrace;
    auto pause = std::chrono::microseconds(50);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return exitStatusOf(status);
        if (r < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
}

}  // namespace

bool openPipe(int (&fds)[2]) {
    if (::pipe(fds) != 0) return false;
    for (const int fd : fds) {
        if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
            ::close(fds[0]);
            ::close(fds[1]);
            return false;
        }
    }
    return true;
}

ShellRun runShell(const std::string& text, const EnvironmentOverrides& environment, bool waitForExit,
                  const char* shell, StandardError standardError) {
    reapPending();
    ShellRun result;
    int outPipe[2];
    if (!openPipe(outPipe)) return result;
    int errPipe[2] = {-1, -1};
    if (standardError == StandardError::Capture && !openPipe(errPipe)) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    if (errPipe[1] >= 0) posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);

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
    ::close(outPipe[1]);
    if (errPipe[1] >= 0) ::close(errPipe[1]);
    if (rc == 0) {
        result.started = true;
        readOutputs(outPipe[0], errPipe[0], result);
    }
    ::close(outPipe[0]);
    if (errPipe[0] >= 0) ::close(errPipe[0]);
    if (rc != 0) return result;

    if (waitForExit) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        result.exitStatus = exitStatusOf(status);
    } else {
        result.exitStatus = collectExitSoon(pid);
        if (result.exitStatus < 0) {
            std::lock_guard lock(pendingMutex);
            pending.push_back(pid);
        }
    }
    return result;
}

}  // namespace posix
