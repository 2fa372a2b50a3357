#include "tests/support/VirtualDisplay.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>
#include <vector>

#include "base/Spawn.h"
#include "tests/support/Process.h"

namespace testing_support {
namespace {

// Starts a tool found on PATH, with DISPLAY set to `display` (removed when empty) and
// its output discarded.
pid_t spawnQuiet(const std::vector<std::string>& argv, const std::string& display) {
    SpawnOptions options;
    if (display.empty()) {
        options.unsetEnv.push_back("DISPLAY");
    } else {
        options.setEnv["DISPLAY"] = display;
    }
    options.out = options.err = SpawnOptions::Output::Null;
    options.searchPath = true;
    return startProcess(argv, options).pid;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    waitForProcess(pid);
}

bool onPath(const char* tool) {
    return posix::runShell(std::string("command -v ") + tool, {}, true).exitStatus == 0;
}

}  // namespace

bool virtualDisplayAvailable() {
    return onPath("Xvfb") && onPath("trayer") && onPath("xdotool") && onPath("import");
}

VirtualDisplay::VirtualDisplay(const std::string& size) {
    if (!virtualDisplayAvailable()) return;
    // A display number nobody uses; another test run may take one at the same moment,
    // so a server that gives up is followed by a try on the next number.
    number_ = 90 + static_cast<int>(::getpid() % 100);
    for (int attempt = 0; attempt < 5 && !ok_; ++attempt, ++number_) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number_);
        const std::string lock = "/tmp/.X" + std::to_string(number_) + "-lock";
        if (::access(socket.c_str(), F_OK) == 0 || ::access(lock.c_str(), F_OK) == 0) continue;
        xvfb_ = spawnQuiet({"Xvfb", name(), "-screen", "0", size + "x24", "-nolisten", "tcp"}, "");
        bool up = false;
        for (int i = 0; i < 200 && !up; ++i) {
            if (waitForProcess(xvfb_, std::chrono::milliseconds(0)) >= 0) break;  // it gave up
            up = ::access(socket.c_str(), F_OK) == 0;
            if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!up) {
            stop(xvfb_);
            xvfb_ = -1;
            continue;
        }
        trayer_ = spawnQuiet({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                              "--height", "28", "--SetDockType", "true", "--SetPartialStrut", "true",
                              "--transparent", "false", "--tint", "0xe8e8e8", "--expand", "true"},
                             name());
        for (int i = 0; i < 200 && !tray(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ok_ = tray().has_value();
        if (ok_) break;
        stop(trayer_);
        stop(xvfb_);
        trayer_ = xvfb_ = -1;
    }
}

VirtualDisplay::~VirtualDisplay() {
    stop(trayer_);
    stop(xvfb_);
}

std::string VirtualDisplay::run(const std::string& text) const {
    return posix::runShell(text, {{"DISPLAY", name()}}, true).output;
}

void VirtualDisplay::click(int x, int y) const {
    run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

void VirtualDisplay::key(const std::string& keys) const {
    run("xdotool key " + keys);
}

std::optional<ScreenRect> VirtualDisplay::tray() const {
    // trayer has helper windows too; the tray is the largest of its windows.
    const std::string out = run("xdotool search --class trayer getwindowgeometry --shell %@ 2>/dev/null");
    std::optional<ScreenRect> best;
    ScreenRect r;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X") r.x = value;
        if (key == "Y") r.y = value;
        if (key == "WIDTH") r.width = value;
        if (key == "HEIGHT") r.height = value;
        if (key == "SCREEN") {
            if (r.width > 0 && r.height > 0 && (!best || r.width * r.height > best->width * best->height))
                best = r;
            r = ScreenRect{};
        }
    }
    return best;
}

bool VirtualDisplay::screenshot(const std::string& path, std::optional<ScreenRect> part) const {
    std::string crop;
    if (part) {
        crop = " -crop " + std::to_string(part->width) + "x" + std::to_string(part->height) + "+" +
               std::to_string(part->x) + "+" + std::to_string(part->y) + " +repage";
    }
    return posix::runShell("import -display " + name() + " -window root" + crop + " '" + path + "'", {}, true)
               .exitStatus == 0;
}

}  // namespace testing_support
