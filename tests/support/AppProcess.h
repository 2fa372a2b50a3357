// The real program (lendmode-testable) as a child process on a simulated Mac: its
// standard output is read line by line, and it is driven with signals.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/Process.h"

namespace testing_support {

class AppProcess {
public:
    // Starts the program on the simulated Mac at root: offscreen (no display needed),
    // or on the X display named (e.g. ":91"). Another program of the tools' folder
    // can be named, to be started the same way.
    explicit AppProcess(const std::string& root, const std::string& display = "",
                        const std::string& program = "lendmode-testable");
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    // Waits until a line starting with `prefix` has been printed; returns it, or ""
    // on timeout or when the program ended first.
    std::string waitForLine(const std::string& prefix,
                            std::chrono::milliseconds timeout = std::chrono::seconds(20));
    void signal(int number);
    // Waits for the program to end; its exit status, or 128 + signal; -1 on timeout.
    int waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    pid_t pid() const { return child_.pid; }
    const std::vector<std::string>& lines() const { return lines_; }

private:
    bool readMore(std::chrono::milliseconds timeout);

    Child child_;
    std::string pending_;
    std::vector<std::string> lines_;
    std::size_t consumed_ = 0;
    bool exited_ = false;
};

}  // namespace testing_support
