#include "tests/fuzz/support/ScratchMac.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/plist/PlistFile.h"

namespace fuzz {
namespace {

std::string& rootToRemove() {
    static std::string root;
    return root;
}

void removeRoot() {
    std::error_code error;
    if (!rootToRemove().empty()) std::filesystem::remove_all(rootToRemove(), error);
}

std::string makeRoot() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lendmode-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("lendmode fuzz: cannot make a temporary folder");
        std::abort();
    }
    rootToRemove() = pattern;
    std::atexit(removeRoot);
    return pattern + "/mac";
}

// The path below the root (std::filesystem::relative would resolve links, file by file).
std::string below(const std::filesystem::path& path, const std::string& root) {
    return path.string().substr(root.size() + 1);
}

// The lock file and the sockets' folder belong to whoever runs; they are not restored.
bool isKept(const std::string& relative) {
    return relative == ".lock" || relative == "run" || relative.starts_with("run/");
}

}  // namespace

ScratchMac& ScratchMac::instance() {
    static ScratchMac scratch(makeRoot());
    return scratch;
}

ScratchMac::ScratchMac(const std::string& root) : mac_(root) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(mac_.root())) {
        const std::string relative = below(entry.path(), mac_.root());
        if (isKept(relative)) continue;
        if (entry.is_directory()) {
            folders_.insert(relative);
            continue;
        }
        if (!entry.is_regular_file()) continue;
        auto bytes = plist::readBytes(entry.path().string());
        if (!bytes) {
            std::fprintf(stderr, "lendmode fuzz: cannot read %s\n", entry.path().c_str());
            std::abort();
        }
        seeded_.emplace(relative, std::move(*bytes));
    }
}

void ScratchMac::restoreFile(const std::string& relative, const std::string& bytes) const {
    const std::string path = mac_.root() + "/" + relative;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (!plist::writeBytes(path, bytes, 0644, plist::Durability::AtomicOnly)) {
        std::perror(("lendmode fuzz: cannot restore " + path).c_str());
        std::abort();
    }
}

void ScratchMac::addFolder(const std::string& relative) {
    std::error_code error;
    std::filesystem::path folder;
    for (const auto& part : std::filesystem::path(relative)) {
        folder /= part;
        folders_.insert(folder.string());
    }
    std::filesystem::create_directories(mac_.root() + "/" + relative, error);
}

void ScratchMac::reset() {
    std::error_code error;
    std::vector<std::filesystem::path> added;
    for (auto it = std::filesystem::recursive_directory_iterator(mac_.root(), error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const std::string relative = below(it->path(), mac_.root());
        if (isKept(relative)) {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        const bool seeded = it->is_directory() && !it->is_symlink() ? folders_.count(relative) > 0
                                                                    : seeded_.count(relative) > 0;
        if (!seeded) {
            added.push_back(it->path());
            if (it->is_directory()) it.disable_recursion_pending();
        }
    }
    for (const auto& path : added) std::filesystem::remove_all(path, error);
    for (const std::string& folder : folders_)
        std::filesystem::create_directories(mac_.root() + "/" + folder, error);
    for (const auto& [relative, bytes] : seeded_) {
        const auto now = plist::readBytes(mac_.root() + "/" + relative);
        if (!now || *now != bytes) restoreFile(relative, bytes);
    }
}

}  // namespace fuzz
