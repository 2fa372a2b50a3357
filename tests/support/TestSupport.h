// Helpers shared by the test suites: throwaway simulated Macs and running the
// stand-in tools as real processes.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "base/Spawn.h"
#include "base/plist/Value.h"
#include "sim/SimMac.h"
#include "tests/support/Process.h"

namespace plist {
// Readable values in test failure messages.
void PrintTo(const Value& value, std::ostream* out);
}  // namespace plist

namespace testing_support {

// A fresh directory under the system's temporary folder, removed with everything in
// it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// While it lives, no file this process (or a child it starts) writes may grow beyond
// `bytes`: writes fail as on a full disk, for root too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long previous_ = 0;
    void (*previousHandler_)(int) = nullptr;
};

// A seeded simulated Mac in its own temporary directory: of today's macOS, or of the
// release a test names.
class TempMac {
public:
    TempMac();
    explicit TempMac(const sim::MacOSVersion& release);
    const sim::SimMac& mac() const { return mac_; }
    const std::string& root() const { return dir_.path(); }
    // The environment a shell needs to reach this simulated Mac.
    posix::EnvironmentOverrides environment() const;

private:
    TempDir dir_;
    sim::SimMac mac_;
};

// The two Shortcuts that switch Focus, under the names Lendmode runs by default, as
// the README has the owner make them. False when the simulated Mac could not be written.
[[nodiscard]] bool makeFocusShortcuts(const sim::SimMac& mac);

// The folder where the build puts the stand-in tools.
std::string toolsDirectory();

// Runs one of the stand-in tools (argv[0] is the tool's name) against the simulated
// Mac at root, with the tools first on PATH and the simulated home as HOME.
ToolRun runTool(const std::string& root, const std::vector<std::string>& argv);
// Runs a command text with /bin/sh against the simulated Mac at root.
ToolRun runShell(const std::string& root, const std::string& text);

std::string readTextFile(const std::string& path);
void writeTextFile(const std::string& path, const std::string& text);

}  // namespace testing_support
