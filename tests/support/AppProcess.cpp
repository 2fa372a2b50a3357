#include "tests/support/AppProcess.h"

#include <poll.h>
#include <unistd.h>

#include <csignal>

#include "tests/support/TestSupport.h"

namespace testing_support {

AppProcess::AppProcess(const std::string& root, const std::string& display, const std::string& program) {
    SpawnOptions options;
    options.setEnv["LENDMODE_SIM_ROOT"] = root;
    if (display.empty()) {
        options.setEnv["QT_QPA_PLATFORM"] = "offscreen";
        options.unsetEnv.push_back("DISPLAY");
    } else {
        options.setEnv["QT_QPA_PLATFORM"] = "xcb";
        options.setEnv["DISPLAY"] = display;
    }
    options.out = SpawnOptions::Output::Pipe;
    options.err = SpawnOptions::Output::Null;
    child_ = startProcess({toolsDirectory() + "/" + program}, options);
}

AppProcess::~AppProcess() {
    if (child_.pid > 0 && !exited_) {
        ::kill(child_.pid, SIGKILL);
        waitForProcess(child_.pid);
    }
}

bool AppProcess::readMore(std::chrono::milliseconds timeout) {
    if (child_.out < 0) return false;
    pollfd p{child_.out, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
    char buf[4096];
    const ssize_t n = ::read(child_.out, buf, sizeof buf);
    if (n <= 0) return false;
    pending_.append(buf, static_cast<std::size_t>(n));
    std::size_t nl;
    while ((nl = pending_.find('\n')) != std::string::npos) {
        lines_.push_back(pending_.substr(0, nl));
        pending_.erase(0, nl + 1);
    }
    return true;
}

std::string AppProcess::waitForLine(const std::string& prefix, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (consumed_ < lines_.size()) {
            const std::string& line = lines_[consumed_++];
            if (line.rfind(prefix, 0) == 0) return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !readMore(left)) return {};
    }
}

void AppProcess::signal(int number) {
    if (child_.pid > 0) ::kill(child_.pid, number);
}

int AppProcess::waitForExit(std::chrono::milliseconds timeout) {
    const int status = waitForProcess(child_.pid, timeout);
    if (status >= 0) exited_ = true;
    return status;
}

}  // namespace testing_support
