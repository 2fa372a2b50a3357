#include "base/Spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
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

// A started shell and the read ends of its pipes (-1 once closed).
struct Running {
    pid_t pid = 0;
    int out = -1, err = -1;
};

// Reads each shell's standard output to its end and, when its err is open, its
// standard error alongside (one pipe left full would stop the writer of the other).
// Several shells are read at once, each as its output comes.
// With `stop`, it is asked every kStopPoll while the outputs are read; once it answers
// true, the shells' process groups are ended and reading stops (each result `stopped`).
constexpr int kStopPollMs = 50;
constexpr auto kTermGrace = std::chrono::milliseconds(500);

void endGroups(std::vector<Running>& shells, std::vector<ShellRun>& results) {
    for (std::size_t i = 0; i < shells.size(); ++i) {
        if (!results[i].started) continue;
        results[i].stopped = true;
        ::kill(-shells[i].pid, SIGTERM);
    }
    // What ignores SIGTERM is killed: the caller has stopped waiting for it.
    const auto deadline = std::chrono::steady_clock::now() + kTermGrace;
    for (std::size_t i = 0; i < shells.size(); ++i) {
        if (!results[i].started) continue;
        for (;;) {
            int status = 0;
            const pid_t r = ::waitpid(shells[i].pid, &status, WNOHANG);
            if (r == shells[i].pid || (r < 0 && errno != EINTR)) {
                shells[i].pid = 0;
                results[i].exitStatus = r > 0 ? exitStatusOf(status) : -1;
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(-shells[i].pid, SIGKILL);
                while (::waitpid(shells[i].pid, &status, 0) < 0 && errno == EINTR) {
                }
                shells[i].pid = 0;
                results[i].exitStatus = exitStatusOf(status);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

void readOutputs(std::vector<Running>& shells, std::vector<ShellRun>& results,
                 const std::function<bool()>& stop = {}) {
    std::vector<pollfd> fds;
    std::vector<std::pair<std::size_t, bool>> owners;  // the shell, and whether it is its err
    for (;;) {
        fds.clear();
        owners.clear();
        for (std::size_t i = 0; i < shells.size(); ++i) {
            if (shells[i].out < 0) continue;
            fds.push_back({shells[i].out, POLLIN, 0});
            owners.emplace_back(i, false);
            if (shells[i].err >= 0) {
                fds.push_back({shells[i].err, POLLIN, 0});
                owners.emplace_back(i, true);
            }
        }
        if (fds.empty()) break;
        if (stop && stop()) return endGroups(shells, results);
        const int ready = ::poll(fds.data(), fds.size(), stop ? kStopPollMs : -1);
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (std::size_t f = 0; f < fds.size(); ++f) {
            if (fds[f].revents == 0) continue;
            const auto [i, isErr] = owners[f];
            Running& shell = shells[i];
            if (isErr) {
                if (shell.err >= 0 && !readSome(shell.err, results[i].errors)) {
                    ::close(shell.err);
                    shell.err = -1;
                }
            } else if (!readSome(shell.out, results[i].output)) {
                ::close(shell.out);
                shell.out = -1;
                // What standard error already holds; a writer that never stops is not
                // waited for.
                for (int reads = 0; shell.err >= 0 && reads < 16; ++reads) {
                    pollfd fd{shell.err, POLLIN, 0};
                    if (::poll(&fd, 1, 0) <= 0 || !readSome(shell.err, results[i].errors)) break;
                }
                if (shell.err >= 0) ::close(shell.err);
                shell.err = -1;
            }
        }
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
    return std::move(runShells({text}, environment, waitForExit, shell, standardError).front());
}

namespace {

std::vector<ShellRun> startAndRead(const std::vector<std::string>& texts,
                                   const EnvironmentOverrides& environment, bool waitForExit,
                                   const char* shell, StandardError standardError,
                                   const std::function<bool()>& stop) {
    reapPending();
    std::vector<ShellRun> results(texts.size());
    std::vector<Running> shells(texts.size());

    std::vector<std::string> envStrings = mergedEnvironment(environment);
    std::vector<char*> envp;
    envp.reserve(envStrings.size() + 1);
    for (std::string& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);

    for (std::size_t i = 0; i < texts.size(); ++i) {
        int outPipe[2];
        if (!openPipe(outPipe)) continue;
        int errPipe[2] = {-1, -1};
        if (standardError == StandardError::Capture && !openPipe(errPipe)) {
            ::close(outPipe[0]);
            ::close(outPipe[1]);
            continue;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        // A shell that may be stopped leads a process group of its own, so that what it
        // started ends with it.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        if (stop) {
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
            posix_spawnattr_setpgroup(&attributes, 0);
        }
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
        if (errPipe[1] >= 0) posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);

        std::string shellPath = shell, dashC = "-c", command = texts[i];
        char* argv[] = {shellPath.data(), dashC.data(), command.data(), nullptr};
        pid_t pid = 0;
        const int rc = ::posix_spawn(&pid, shell, &actions, &attributes, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(outPipe[1]);
        if (errPipe[1] >= 0) ::close(errPipe[1]);
        if (rc != 0) {
            ::close(outPipe[0]);
            if (errPipe[0] >= 0) ::close(errPipe[0]);
            continue;
        }
        results[i].started = true;
        shells[i] = Running{pid, outPipe[0], errPipe[0]};
    }
    readOutputs(shells, results, stop);
    for (const Running& started : shells) {  // left open only when polling failed
        if (started.out >= 0) ::close(started.out);
        if (started.err >= 0) ::close(started.err);
    }

    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (!results[i].started || results[i].stopped) continue;
        const pid_t pid = shells[i].pid;
        if (waitForExit) {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            results[i].exitStatus = exitStatusOf(status);
        } else {
            results[i].exitStatus = collectExitSoon(pid);
            if (results[i].exitStatus < 0) {
                std::lock_guard lock(pendingMutex);
                pending.push_back(pid);
            }
        }
    }
    return results;
}

}  // namespace

std::vector<ShellRun> runShells(const std::vector<std::string>& texts,
                                const EnvironmentOverrides& environment, bool waitForExit, const char* shell,
                                StandardError standardError) {
    return startAndRead(texts, environment, waitForExit, shell, standardError, {});
}

ShellRun runShellUnless(const std::string& text, const EnvironmentOverrides& environment,
                        const std::function<bool()>& stop, const char* shell, StandardError standardError) {
    return std::move(
        startAndRead({text}, environment, /*waitForExit=*/true, shell, standardError, stop).front());
}

}  // namespace posix
