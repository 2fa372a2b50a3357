#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "sim/SimEnvironment.h"

extern char** environ;

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

std::string slurp(int fd) {
    std::string out;
    char buf[8192];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
    return out;
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
    ToolRun run;
    int outPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) return run;
    char errPath[] = "/tmp/lendmode-stderr-XXXXXX";
    const int errFd = ::mkstemp(errPath);
    ::unlink(errPath);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (!overrides.count(name)) env.push_back(entry);
    }
    for (const auto& [k, v] : overrides) env.push_back(k + "=" + v);
    std::vector<char*> envp, args;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argvCopy = argv;
    for (auto& s : argvCopy) args.push_back(s.data());
    args.push_back(nullptr);

    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    if (rc != 0) {
        ::close(outPipe[0]);
        ::close(errFd);
        return run;
    }
    run.out = slurp(outPipe[0]);
    ::close(outPipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ::lseek(errFd, 0, SEEK_SET);
    run.err = slurp(errFd);
    ::close(errFd);
    return run;
}

}  // namespace

TempDir::TempDir() : path_(makeTempDir()) {}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

TempMac::TempMac() : mac_(dir_.path()) {}

posix::EnvironmentOverrides TempMac::environment() const {
    return environmentFor(root());
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
