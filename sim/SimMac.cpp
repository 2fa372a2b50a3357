#include "sim/SimMac.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <tuple>

#include "base/BundleName.h"
#include "base/plist/PlistFile.h"
#include "sim/LaunchAnnouncer.h"
#include "sim/Seed.h"

namespace sim {
namespace {

std::string absolutePath(std::string path) {
    if (!path.empty() && path.front() == '/') return path;
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}

std::string stripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

const plist::Dictionary* dictAt(const plist::Dictionary& d, std::string_view key) {
    auto it = d.find(key);
    return it == d.end() ? nullptr : it->second.asDictionary();
}

plist::Dictionary& dictSlot(plist::Dictionary& d, const std::string& key) {
    plist::Value& v = d[key];
    if (!v.isDictionary()) v = plist::Dictionary{};
    return *v.asDictionary();
}

plist::Array& arraySlot(plist::Dictionary& d, const std::string& key) {
    plist::Value& v = d[key];
    if (!v.isArray()) v = plist::Array{};
    return *v.asArray();
}

std::string stringAt(const plist::Dictionary& d, std::string_view key) {
    auto it = d.find(key);
    if (it == d.end() || !it->second.isString()) return {};
    return *it->second.asString();
}

Process processFrom(const plist::Value& v) {
    Process p;
    if (const auto* d = v.asDictionary()) {
        p.name = stringAt(*d, "name");
        p.path = stringAt(*d, "path");
        if (const auto* pid = v.find("pid")) p.pid = static_cast<long>(pid->integerValue());
    }
    return p;
}

plist::Value processValue(const Process& p) {
    return plist::Dictionary{{"name", p.name}, {"pid", static_cast<long long>(p.pid)}, {"path", p.path}};
}

// The system relaunches these by itself after they are killed.
bool restartsByItself(std::string_view name) {
    return name == kDock || name == kNotificationCenter || name == kSystemUIServer;
}

long nextPid(plist::Dictionary& state) {
    plist::Value& v = state["nextPid"];
    long pid = v.isInteger() ? static_cast<long>(v.integer()) : 400;
    v = static_cast<long long>(pid + 1);
    return pid;
}

}  // namespace

bool makeDirectories(const std::string& path) {
    if (path.empty()) return false;
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    return false;
}

std::string cannotUpdateMessage(std::string_view tool, const SimMac& mac, int error) {
    return std::string(tool) + ": cannot update the simulated Mac at " + mac.root() + ": " +
           std::strerror(error);
}

std::string SimMac::rootFromEnvironment() {
    if (const char* root = std::getenv(kRootVariable); root && *root) {
        return stripTrailingSlashes(absolutePath(root));
    }
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        data = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "/tmp";
        }
        data = std::string(home) + "/.local/share";
    }
    return absolutePath(data + "/lendmode/simulated-mac");
}

SimMac::SimMac(std::string root) : root_(stripTrailingSlashes(absolutePath(std::move(root)))) {
    seedIfNeeded();
}

bool SimMac::withLock(const std::function<void()>& f) const {
    const std::string lockPath = root_ + "/.lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    int locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR) locked = ::flock(fd, LOCK_EX);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    try {
        f();
    } catch (...) {
        ::close(fd);
        throw;
    }
    // Closing releases the flock; errno stays what f left, for callers that report it.
    const int error = errno;
    ::close(fd);
    errno = error;
    return true;
}

void SimMac::seedIfNeeded() const {
    struct stat st {};
    if (::stat(statePath().c_str(), &st) == 0) return;
    bool seeded = false;
    int error = 0;
    const bool locked = makeDirectories(root_) && withLock([&] {
                            // Another process may have seeded it meanwhile.
                            seeded = ::stat(statePath().c_str(), &st) == 0 || seed(*this);
                            error = errno;
                        });
    if (!locked) error = errno;
    if (!seeded) {
        throw std::runtime_error("cannot seed the simulated Mac at " + root_ + ": " + std::strerror(error));
    }
}

// ---- Preference domains ----

std::string SimMac::domainFile(std::string_view domain, bool currentHost) const {
    const std::string prefs = preferencesDirectory();
    std::string name;
    if (domain == "-g" || domain == "-globalDomain" || domain == "NSGlobalDomain") {
        name = ".GlobalPreferences";
    } else if (domain.find('/') != std::string_view::npos) {
        std::string path(domain);
        if (path.size() < 6 || path.compare(path.size() - 6, 6, ".plist") != 0) path += ".plist";
        return path;
    } else {
        name = std::string(domain);
    }
    if (currentHost) return prefs + "/ByHost/" + name + "." + hardwareUUID() + ".plist";
    return prefs + "/" + name + ".plist";
}

std::optional<plist::Dictionary> SimMac::readDomain(std::string_view domain, bool currentHost) const {
    return plist::readDictionaryFile(domainFile(domain, currentHost));
}

bool SimMac::updateDomain(std::string_view domain, bool currentHost,
                          const std::function<bool(plist::Dictionary&)>& change) const {
    const std::string file = domainFile(domain, currentHost);
    bool ok = true;
    const bool locked = withLock([&] {
        // A file that is there but cannot be read as a dictionary (damaged, or holding
        // what this Mac refuses) is kept as it is: the change fails rather than wipe it.
        struct stat st {};
        const bool present = ::stat(file.c_str(), &st) == 0 && !(S_ISREG(st.st_mode) && st.st_size == 0);
        auto read = plist::readDictionaryFile(file);
        if (present && !read) {
            ok = false;
            return;
        }
        plist::Dictionary contents = std::move(read).value_or(plist::Dictionary{});
        if (!change(contents)) return;
        // The Preferences folders come into being as needed; a path domain in a
        // folder that does not exist is a failed write, as on macOS.
        const std::string folder = file.substr(0, file.rfind('/'));
        if (folder.rfind(preferencesDirectory(), 0) == 0) makeDirectories(folder);
        ok = plist::writeFile(file, plist::Value(std::move(contents)));
    });
    return locked && ok;
}

// ---- State file ----

plist::Dictionary SimMac::state() const {
    return plist::readDictionaryFile(statePath()).value_or(plist::Dictionary{});
}

bool SimMac::updateState(const std::function<void(plist::Dictionary&)>& change) const {
    bool ok = false;
    const bool locked = withLock([&] {
        plist::Dictionary s = state();
        change(s);
        ok = makeDirectories(root_ + "/system") && plist::writeFile(statePath(), plist::Value(std::move(s)));
    });
    return locked && ok;
}

std::string SimMac::hardwareUUID() const {
    return stringAt(state(), "hardwareUUID");
}
std::string SimMac::userName() const {
    return stringAt(state(), "userName");
}

// ---- Catalogue ----

std::vector<App> SimMac::catalogue() const {
    std::vector<App> apps;
    const auto array = plist::readArrayFile(cataloguePath());
    if (!array) return apps;
    apps.reserve(array->size());
    for (const plist::Value& v : *array) {
        const auto* d = v.asDictionary();
        if (!d) continue;
        App app;
        app.path = stringAt(*d, "path");
        app.bundleIdentifier = stringAt(*d, "bundleIdentifier");
        if (const auto* agent = v.find("agent")) app.agent = agent->truthValue();
        app.name = lendmode::bundleDisplayName(app.path);
        apps.push_back(std::move(app));
    }
    return apps;
}

std::optional<App> SimMac::findApp(std::string_view name) const {
    for (App& app : catalogue()) {
        if (app.name == name) return std::move(app);
    }
    return std::nullopt;
}

bool SimMac::setCatalogue(const std::vector<App>& apps) const {
    plist::Array array;
    array.reserve(apps.size());
    for (const App& app : apps) {
        plist::Dictionary d{{"path", app.path}, {"bundleIdentifier", app.bundleIdentifier}};
        if (app.agent) d["agent"] = true;
        array.emplace_back(std::move(d));
    }
    std::string paths;
    for (const App& app : apps) paths += app.path + '\n';
    bool ok = false;
    const bool locked = withLock([&] {
        ok = makeDirectories(root_ + "/system") &&
             plist::writeFile(cataloguePath(), plist::Value(std::move(array)));
        // The index after the catalogue, so that it is never older than what it lists.
        if (ok) ok = plist::writeBytes(applicationPathsIndex(), paths);
    });
    return locked && ok;
}

std::string SimMac::applicationPaths() const {
    struct stat index {};
    struct stat listed {};
    const bool current = ::stat(applicationPathsIndex().c_str(), &index) == 0 &&
                         ::stat(cataloguePath().c_str(), &listed) == 0 &&
                         std::tie(index.st_mtim.tv_sec, index.st_mtim.tv_nsec) >=
                             std::tie(listed.st_mtim.tv_sec, listed.st_mtim.tv_nsec);
    if (current) {
        if (auto text = plist::readBytes(applicationPathsIndex())) return std::move(*text);
    }
    std::string paths;
    for (const App& app : catalogue()) paths += app.path + '\n';
    return paths;
}

// ---- Processes ----

std::vector<Process> SimMac::processes() const {
    std::vector<Process> result;
    const plist::Dictionary s = state();
    auto it = s.find("processes");
    if (it == s.end() || !it->second.isArray()) return result;
    for (const plist::Value& v : *it->second.asArray()) result.push_back(processFrom(v));
    return result;
}

bool SimMac::isRunning(std::string_view name) const {
    const auto all = processes();
    return std::any_of(all.begin(), all.end(), [&](const Process& p) { return p.name == name; });
}

std::optional<Process> SimMac::process(long pid) const {
    for (Process& p : processes()) {
        if (p.pid == pid) return std::move(p);
    }
    return std::nullopt;
}

std::optional<long> SimMac::launch(const App& app) const {
    long pid = 0;
    bool started = false;
    const bool updated = updateState([&](plist::Dictionary& s) {
        plist::Array& procs = arraySlot(s, "processes");
        for (const plist::Value& v : procs) {
            Process p = processFrom(v);
            if (p.name == app.name) {
                pid = p.pid;
                return;
            }
        }
        pid = nextPid(s);
        procs.push_back(processValue(Process{app.name, pid, app.path}));
        started = true;
    });
    if (!updated) return std::nullopt;
    if (started && !app.agent) {
        announceLaunch(runDirectory(),
                       plist::Dictionary{{"NSApplicationPath", app.path},
                                         {"NSApplicationName", app.name},
                                         {"NSApplicationBundleIdentifier", app.bundleIdentifier},
                                         {"NSApplicationProcessIdentifier", static_cast<long long>(pid)}});
    }
    return pid;
}

std::optional<int> SimMac::killAll(std::string_view name) const {
    return endProcesses([name](const Process& p) { return p.name == name; });
}

std::optional<bool> SimMac::terminate(long pid) const {
    const auto ended = endProcesses([pid](const Process& p) { return p.pid == pid; });
    if (!ended) return std::nullopt;
    return *ended > 0;
}

std::optional<int> SimMac::endProcesses(const std::function<bool(const Process&)>& which) const {
    int killed = 0;
    bool systemPreferencesEnded = false;
    const bool updated = updateState([&](plist::Dictionary& s) {
        killed = 0;
        plist::Array& procs = arraySlot(s, "processes");
        plist::Array kept;
        for (plist::Value& v : procs) {
            Process p = processFrom(v);
            if (!which(p)) {
                kept.push_back(std::move(v));
                continue;
            }
            ++killed;
            if (p.name == kSystemPreferences) systemPreferencesEnded = true;
            if (restartsByItself(p.name)) {
                p.pid = nextPid(s);
                kept.push_back(processValue(p));
                plist::Dictionary& counts = dictSlot(s, "restarts");
                plist::Value& n = counts[p.name];
                n = static_cast<long long>(n.integerValue() + 1);
            }
        }
        procs = std::move(kept);
        if (systemPreferencesEnded) s.erase("systemPreferencesPane");
    });
    if (!updated) return std::nullopt;
    return killed;
}

int SimMac::restarts(std::string_view name) const {
    const plist::Dictionary s = state();
    const auto* counts = dictAt(s, "restarts");
    if (!counts) return 0;
    auto it = counts->find(name);
    return it == counts->end() ? 0 : static_cast<int>(it->second.integerValue());
}

// ---- URL-scheme handlers ----

std::vector<std::string> SimMac::handlers(std::string_view scheme) const {
    std::vector<std::string> result;
    const plist::Dictionary s = state();
    const auto* all = dictAt(s, "handlers");
    if (!all) return result;
    const auto* entry = dictAt(*all, scheme);
    if (!entry) return result;
    auto it = entry->find("all");
    if (it == entry->end() || !it->second.isArray()) return result;
    for (const plist::Value& v : *it->second.asArray()) {
        if (v.isString()) result.push_back(*v.asString());
    }
    return result;
}

std::optional<std::string> SimMac::defaultHandler(std::string_view scheme) const {
    const plist::Dictionary s = state();
    const auto* all = dictAt(s, "handlers");
    if (!all) return std::nullopt;
    const auto* entry = dictAt(*all, scheme);
    if (!entry) return std::nullopt;
    auto it = entry->find("default");
    if (it == entry->end() || !it->second.isString()) return std::nullopt;
    return *it->second.asString();
}

bool SimMac::setDefaultHandler(std::string_view scheme, std::string_view bundleIdentifier) const {
    return updateState([&](plist::Dictionary& s) {
        dictSlot(dictSlot(s, "handlers"), std::string(scheme))["default"] = std::string(bundleIdentifier);
    });
}

bool SimMac::registerHandler(std::string_view scheme, std::string_view bundleIdentifier) const {
    return updateState([&](plist::Dictionary& s) {
        plist::Array& all = arraySlot(dictSlot(dictSlot(s, "handlers"), std::string(scheme)), "all");
        const plist::Value id{std::string(bundleIdentifier)};
        if (std::find(all.begin(), all.end(), id) == all.end()) all.push_back(id);
    });
}

// ---- System Preferences ----

std::optional<std::string> SimMac::systemPreferencesPane() const {
    if (!isRunning(kSystemPreferences)) return std::nullopt;
    return stringAt(state(), "systemPreferencesPane");
}

bool SimMac::setSystemPreferencesPane(std::optional<std::string> pane) const {
    return updateState([&](plist::Dictionary& s) {
        plist::Array& procs = arraySlot(s, "processes");
        auto running = std::find_if(procs.begin(), procs.end(), [](const plist::Value& v) {
            return processFrom(v).name == kSystemPreferences;
        });
        if (!pane) {
            if (running != procs.end()) procs.erase(running);
            s.erase("systemPreferencesPane");
            return;
        }
        if (running == procs.end()) {
            procs.push_back(processValue(
                Process{kSystemPreferences, nextPid(s), "/System/Applications/System Preferences.app"}));
        }
        s["systemPreferencesPane"] = *pane;
    });
}

// ---- Automation ----

bool SimMac::automationAllowed(std::string_view target) const {
    const plist::Dictionary s = state();
    auto it = s.find("automationRefused");
    if (it == s.end() || !it->second.isArray()) return true;
    for (const plist::Value& v : *it->second.asArray()) {
        if (const auto* name = v.asString(); name && (*name == "*" || *name == target)) return false;
    }
    return true;
}

bool SimMac::setAutomationAllowed(std::string_view target, bool allowed) const {
    return updateState([&](plist::Dictionary& s) {
        plist::Array& refused = arraySlot(s, "automationRefused");
        const plist::Value name{std::string(target)};
        refused.erase(std::remove(refused.begin(), refused.end(), name), refused.end());
        if (target == "*" && allowed) refused.clear();
        if (!allowed) refused.push_back(name);
    });
}

std::string SimMac::runDirectory() const {
    // Unix socket paths are short (108 bytes); fall back to a folder under /tmp named
    // after the root when the root is deep.
    std::string dir = root_ + "/run";
    if (dir.size() + 24 < 100) return dir;
    const std::size_t h = std::hash<std::string>{}(root_);
    return "/tmp/lendmode-sim-" + std::to_string(::getuid()) + "-" + std::to_string(h);
}

}  // namespace sim
