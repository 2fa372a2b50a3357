#include "tests/support/TestSupport.h"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "sim/SimEnvironment.h"
#include "tests/support/Process.h"

namespace plist {

void PrintTo(const Value& value, std::ostream* out) {
    switch (value.type()) {
        case Value::Type::String: *out << '"' << *value.asString() << '"'; break;
        case Value::Type::Integer: *out << value.integer(); break;
        case Value::Type::Real: *out << value.real(); break;
        case Value::Type::Boolean: *out << (value.boolean() ? "YES" : "NO"); break;
        case Value::Type::DateType: *out << "date " << value.asDate()->secondsSince1970; break;
        case Value::Type::DataType: *out << "<" << value.asData()->size() << " bytes>"; break;
        case Value::Type::ArrayType: {
            *out << '(';
            const char* sep = "";
            for (const Value& item : *value.asArray()) {
                *out << sep;
                PrintTo(item, out);
                sep = ", ";
            }
            *out << ')';
            break;
        }
        case Value::Type::DictionaryType: {
            *out << '{';
            const char* sep = "";
            for (const auto& [key, item] : *value.asDictionary()) {
                *out << sep << key << " = ";
                PrintTo(item, out);
                sep = "; ";
            }
            *out << '}';
            break;
        }
    }
}

}  // namespace plist

namespace testing_support {

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    previous_ = limit.rlim_cur;
    // A write past the limit fails with EFBIG instead of ending the process.
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit");
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = previous_;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler_);
}
namespace {

std::string makeTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/lendmode-test-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

posix::EnvironmentOverrides environmentFor(const std::string& root) {
    const char* path = std::getenv("PATH");
    return {{"PATH", toolsDirectory() + ":" + (path ? path : "/usr/bin:/bin")},
            {"HOME", root + "/home"},
            {sim::kRootVariable, root},
            {"LENDMODE_SIM_TOOLS", toolsDirectory()}};
}

// Runs argv with both output streams captured. Standard error goes to a file so
// that a chatty tool can never block on a full pipe while we read the other one.
ToolRun spawnCaptured(const std::vector<std::string>& argv, const posix::EnvironmentOverrides& overrides) {
    SpawnOptions options;
    options.setEnv = overrides;
    options.out = SpawnOptions::Output::Pipe;
    options.err = SpawnOptions::Output::File;
    options.searchPath = true;
    return runProcess(argv, options);
}

}  // namespace

TempDir::TempDir() : path_(makeTempDir()) {}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

TempMac::TempMac() : mac_(dir_.path()) {}

TempMac::TempMac(const sim::MacOSVersion& release) : mac_(dir_.path()) {
    if (!mac_.setMacOSVersion(release)) throw std::runtime_error("cannot set the simulated macOS version");
}

posix::EnvironmentOverrides TempMac::environment() const {
    return environmentFor(root());
}

bool makeFocusShortcuts(const sim::SimMac& mac) {
    using Action = sim::SimState::ShortcutAction;
    return mac.addShortcut("Lendmode Focus On", Action::FocusOn) &&
           mac.addShortcut("Lendmode Focus Off", Action::FocusOff);
}

std::string toolsDirectory() {
    return LENDMODE_TOOLS_DIR;
}

ToolRun runTool(const std::string& root, const std::vector<std::string>& argv) {
    std::vector<std::string> full = argv;
    full[0] = toolsDirectory() + "/" + argv[0];
    return spawnCaptured(full, environmentFor(root));
}

ToolRun runShell(const std::string& root, const std::string& text) {
    return spawnCaptured({"/bin/sh", "-c", text}, environmentFor(root));
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace testing_support
