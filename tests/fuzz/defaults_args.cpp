// The simulated `defaults` command's argument grammar (sim/defaults/DefaultsCommand),
// run in this process against a simulated Mac in a temporary folder made once per
// process, never the user's home. Nothing here runs a shell.
//
// The input is up to four commands, separated by \x01 bytes, each an argument list
// split at NUL bytes; the Mac is put back as seeded before each input. A domain naming
// a path is moved into the temporary folder. For each command: the exit status is 0
// or 1; a command that fails leaves every domain file as it was; what `read` and
// `read-type` print is UTF-8; a string written reads back as itself, with its type;
// a key deleted is gone.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "base/Utf8.h"
#include "sim/defaults/DefaultsCommand.h"
#include "sim/defaults/PlistText.h"
#include "tests/fuzz/support/FuzzInput.h"
#include "tests/fuzz/support/ScratchMac.h"

namespace {

constexpr std::size_t kMaxCommands = 4;

fuzz::ScratchMac& scratch() {
    static fuzz::ScratchMac& mac = []() -> fuzz::ScratchMac& {
        fuzz::ScratchMac& m = fuzz::ScratchMac::instance();
        // Path domains land here; a folder or two for them to be written into.
        m.addFolder("paths/Library/Preferences");
        return m;
    }();
    return mac;
}

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// A path inside the temporary folder's paths/ for a domain that names a path: every
// component kept but "." and "..", so that nothing outside can be reached.
std::string confinedPath(std::string_view domain) {
    std::string path = scratch().root() + "/paths";
    for (const std::string& part : split(domain, '/')) {
        if (part.empty()) continue;
        path += '/';
        path += part == "." || part == ".." ? "_" : part;
    }
    return path;
}

// Where the domain argument is: after any -currentHost and the verb.
std::size_t domainIndex(const std::vector<std::string>& args) {
    std::size_t i = 0;
    while (i < args.size() && args[i] == "-currentHost") ++i;
    return i + 1;
}

// Every file of the domains, path domains included, as its inode, size and change
// time: the tool writes a file anew and renames it into place, or removes it.
using FileStamp = std::tuple<ino_t, off_t, long, long>;
std::map<std::string, FileStamp> domainFiles() {
    std::map<std::string, FileStamp> files;
    std::error_code error;
    for (const char* folder : {"/home", "/paths"}) {
        for (auto it = std::filesystem::recursive_directory_iterator(scratch().root() + folder, error);
             it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            struct stat st {};
            if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            files[it->path().string()] = {st.st_ino, st.st_size, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
        }
    }
    return files;
}

std::string describe(const std::vector<std::string>& args) {
    std::string out = "defaults";
    for (const std::string& arg : args) out += " '" + fuzz::showBytes(arg) + "'";
    return out;
}

int run(const std::vector<std::string>& args, std::string& out, std::string& err) {
    out.clear();
    err.clear();
    return sim::runDefaults(args, scratch().mac(), out, err);
}

void check(std::vector<std::string> args) {
    const std::size_t d = domainIndex(args);
    if (d < args.size() && args[d].find('/') != std::string::npos) args[d] = confinedPath(args[d]);
    const std::string verb = d - 1 < args.size() ? args[d - 1] : "";
    const bool currentHost = d > 1;
    const auto before = domainFiles();

    std::string out, err;
    const int status = run(args, out, err);
    const std::string what = describe(args);
    fuzz::require(status == 0 || status == 1, "the exit status is 0 or 1", what);
    if (status != 0) {
        fuzz::require(domainFiles() == before, "a command that fails changes no domain file",
                      what + "\n" + err);
        return;
    }
    if (verb == "read" || verb == "read-type")
        fuzz::require(lendmode::isValidUtf8(out), "what read prints is UTF-8", what);

    // `write DOMAIN KEY VALUE` and `write DOMAIN KEY -string VALUE` store a string.
    const std::size_t rest = args.size() - std::min(args.size(), d + 2);
    if (verb == "write" && d + 2 < args.size()) {
        const std::string& domain = args[d];
        const std::string& key = args[d + 1];
        const std::string* text = nullptr;
        if (rest == 1 && !args[d + 2].starts_with("-")) text = &args[d + 2];
        if (rest == 2 && args[d + 2] == "-string") text = &args[d + 3];
        const auto contents = scratch().mac().readDomain(scratch().mac().domainFile(domain, currentHost));
        const auto found = contents ? contents->find(key) : plist::Dictionary::const_iterator{};
        fuzz::require(contents && found != contents->end(), "a key written is stored", what);
        const plist::Value* stored = &found->second;
        if (text) fuzz::require(*stored == plist::Value(*text), "a string written is stored as itself", what);

        std::vector<std::string> read(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(d - 1));
        read.insert(read.end(), {"read", domain, key});
        fuzz::require(run(read, out, err) == 0 && out == sim::formatValueForRead(*stored) + "\n",
                      "a key written reads back as it is stored", what + "\nprints " + fuzz::showBytes(out));
        read[d - 1] = "read-type";
        fuzz::require(run(read, out, err) == 0 && (!text || out == "Type is string\n"),
                      "a string written has the type string", what + "\nprints " + fuzz::showBytes(out));
    }
    if (verb == "delete" && rest == 0 && d + 1 < args.size()) {
        const auto contents = scratch().mac().readDomain(scratch().mac().domainFile(args[d], currentHost));
        fuzz::require(!contents || !contents->count(args[d + 1]), "a key deleted is gone", what);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    scratch().reset();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> commands = split(bytes, '\x01');
    if (commands.size() > kMaxCommands) commands.resize(kMaxCommands);
    for (const std::string& command : commands) {
        std::vector<std::string> args = split(command, '\0');
        if (command.empty()) args.clear();
        check(std::move(args));
    }
    return 0;
}
