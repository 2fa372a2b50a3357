// The shell runner of both platforms: /bin/sh through posix_spawn, with optional
// environment variables set on top of the program's own (on Linux, the ones that
// point the shell at the simulated Mac). With debug lines on, each run is logged with
// its exit status and duration; what the commands write to standard error goes to
// the log as a debug line, never to the program's own standard error. Several texts
// run at once.
#pragma once

#include "base/Spawn.h"
#include "platform/ShellRunner.h"

namespace platform {

class PosixShellRunner : public ShellRunner {
public:
    explicit PosixShellRunner(posix::EnvironmentOverrides environment = {}, std::string shell = "/bin/sh")
        : environment_(std::move(environment)), shell_(std::move(shell)) {}
    std::optional<std::string> run(const std::string& commandText) override;
    std::vector<std::optional<std::string>> runAll(const std::vector<std::string>& commandTexts) override;
    bool runSucceeded(const std::string& commandText) override;
    std::optional<std::string> runUnless(const std::string& commandText,
                                         const std::function<bool()>& stop) override;

private:
    posix::EnvironmentOverrides environment_;
    std::string shell_;
};

}  // namespace platform
