// Starting child processes for the tests and the benchmarks: one posix_spawn routine
// with an edited environment and a choice of where each output stream goes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct SpawnOptions {
    enum class Output {
        Inherit,  // this process's own stream
        Null,     // /dev/null
        Pipe,     // a pipe whose read end the parent gets
        File,     // an unlinked temporary file, read after the child has ended
    };
    // Variables set on top of this process's environment, and variables removed from it.
    std::map<std::string, std::string> setEnv;
    std::vector<std::string> unsetEnv;
    Output out = Output::Inherit;
    Output err = Output::Inherit;
    // Look argv[0] up on PATH (posix_spawnp) instead of taking it as a path.
    bool searchPath = false;
};

// A started child: its process id (-1 when it could not be started) and the parent's
// ends of its Pipe or File outputs (-1 otherwise), closed when the handle goes. The
// process itself is neither waited for nor ended by the handle.
class Child {
public:
    Child() = default;
    Child(Child&& other) noexcept;
    Child& operator=(Child&& other) noexcept;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child();

    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

// What a process that ran to its end left: its exit status as waitForProcess gives
// it (-1 when it could not be started), and its captured outputs.
struct ToolRun {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

Child startProcess(const std::vector<std::string>& argv, const SpawnOptions& options);

// Waits for pid to end, without limit or at most `timeout`; its exit status, or
// 128 + the signal that ended it; -1 on timeout or when pid is not a child of ours.
int waitForProcess(pid_t pid, std::optional<std::chrono::milliseconds> timeout = std::nullopt);

// Starts argv, reads its Pipe or File outputs to the end and waits for it. With both
// outputs as pipes a child that fills standard error first would block: capture
// standard error in a File.
ToolRun runProcess(const std::vector<std::string>& argv, const SpawnOptions& options);

}  // namespace testing_support
