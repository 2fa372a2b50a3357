#include "sim/SimMac.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "base/BundleName.h"
#include "base/EnvironmentDuration.h"
#include "base/SocketPath.h"
#include "base/plist/PlistFile.h"
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

constexpr std::chrono::milliseconds kDefaultLockWait(10000);
// The longest pause between two tries for a lock held elsewhere.
constexpr std::chrono::milliseconds kLongestLockPause(16);

std::chrono::milliseconds lockWaitFromEnvironment() {
    return lendmode::millisecondsFromEnvironment(kLockWaitVariable).value_or(kDefaultLockWait);
}

// The lock file is its owner's alone: another user who could open it could hold its
// flock and stall every change. One made by an earlier version with wider bits is
// narrowed by its owner (the superuser leaves another user's file as it is).
void keepToOwner(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 07777) == 0600) return;
    [[maybe_unused]] const int changed = ::fchmod(fd, 0600);
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
           (error == ETIMEDOUT ? "it is locked by another process" : std::strerror(error));
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

SimMac::SimMac(std::string root)
    : root_(stripTrailingSlashes(absolutePath(std::move(root)))), lockWait_(lockWaitFromEnvironment()) {
    seedIfNeeded();
}

int SimMac::lockFile() const {
    const std::string lockPath = root_ + "/.lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    keepToOwner(fd);
    // flock has no time limit of its own: tries without blocking, with pauses that
    // grow from 1 ms, until the wait is over.
    const auto deadline = std::chrono::steady_clock::now() + lockWait_;
    std::chrono::milliseconds pause(1);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            unlockFile(fd);
            return -1;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            ::close(fd);
            errno = ETIMEDOUT;
            return -1;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, kLongestLockPause);
    }
}

void SimMac::unlockFile(int fd) {
    // Closing releases the flock; errno stays as it was, for callers that report it.
    const int error = errno;
    ::close(fd);
    errno = error;
}

bool SimMac::withLock(const std::function<void()>& f) const {
    const int fd = lockFile();
    if (fd < 0) return false;
    try {
        f();
    } catch (...) {
        unlockFile(fd);
        throw;
    }
    unlockFile(fd);
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

DomainName domainName(std::string_view domain) {
    if (domain == "-g" || domain == "-globalDomain" || domain == "NSGlobalDomain") {
        return {DomainName::Kind::Global, ".GlobalPreferences"};
    }
    if (domain.find('/') != std::string_view::npos) {
        if (domain.ends_with(".plist")) domain.remove_suffix(6);
        return {DomainName::Kind::Path, std::string(domain)};
    }
    return {DomainName::Kind::Named, std::string(domain)};
}

std::string SimMac::domainFile(std::string_view domain, bool currentHost) const {
    const DomainName name = domainName(domain);
    if (name.kind == DomainName::Kind::Path) return name.stem + ".plist";
    const std::string prefs = preferencesDirectory();
    if (currentHost) return prefs + "/ByHost/" + name.stem + "." + hardwareUUID() + ".plist";
    return prefs + "/" + name.stem + ".plist";
}

std::optional<plist::Dictionary> SimMac::readDomain(std::string_view domain, bool currentHost) const {
    return plist::readDictionaryFile(domainFile(domain, currentHost));
}

bool SimMac::updateDomain(std::string_view domain, bool currentHost,
                          const std::function<bool(plist::Dictionary&)>& change) const {
    const std::string file = domainFile(domain, currentHost);
    bool ok = true;
    const bool locked = withLock([&] { ok = changeDomainFile(file, change); });
    return locked && ok;
}

bool SimMac::changeDomainFile(const std::string& file,
                              const std::function<bool(plist::Dictionary&)>& change) const {
    // A file that is there but cannot be read as a dictionary (damaged, or holding
    // what this Mac refuses) is kept as it is: the change fails rather than wipe it.
    struct stat st {};
    const bool present = ::stat(file.c_str(), &st) == 0 && !(S_ISREG(st.st_mode) && st.st_size == 0);
    auto read = plist::readDictionaryFile(file);
    if (present && !read) return false;
    plist::Dictionary contents = std::move(read).value_or(plist::Dictionary{});
    if (!change(contents)) return true;
    // The Preferences folders come into being as needed; a path domain in a
    // folder that does not exist is a failed write, as on macOS.
    const std::string folder = file.substr(0, file.rfind('/'));
    if (folder.rfind(preferencesDirectory(), 0) == 0) makeDirectories(folder);
    return plist::writeFile(file, plist::Value(std::move(contents)), plist::Format::Binary,
                            plist::Durability::AtomicOnly);
}

// ---- State file ----

plist::Dictionary SimMac::state() const {
    return plist::readDictionaryFile(statePath()).value_or(plist::Dictionary{});
}

bool SimMac::updateState(const std::function<void(SimState&)>& change) const {
    StateSession session(*this);
    return session.change(change) && session.commit();
}

std::string SimMac::hardwareUUID() const {
    return readState().hardwareUUID();
}
std::string SimMac::userName() const {
    return readState().userName();
}

bool SimMac::focusOn() const {
    return readState().focusOn();
}

std::vector<std::pair<std::string, SimState::ShortcutAction>> SimMac::shortcuts() const {
    return readState().shortcuts();
}

bool SimMac::addShortcut(std::string_view name, SimState::ShortcutAction action) const {
    return updateState([&](SimState& s) { s.addShortcut(name, action); });
}

SimMac::ShortcutRun SimMac::runShortcut(std::string_view name) const {
    const auto installed = shortcuts();
    const auto it =
        std::find_if(installed.begin(), installed.end(), [&](const auto& s) { return s.first == name; });
    if (it == installed.end()) return ShortcutRun::NotFound;
    const bool on = it->second == SimState::ShortcutAction::FocusOn;
    return updateState([on](SimState& s) { s.setFocusOn(on); }) ? ShortcutRun::Ran : ShortcutRun::NotUpdated;
}

bool SimMac::naturalScrollingStored() const {
    const auto global = readDomain("NSGlobalDomain");
    if (!global) return true;
    const auto it = global->find("com.apple.swipescrolldirection");
    return it == global->end() || it->second.truthValue();
}

bool SimMac::naturalScrollingInEffect() const {
    return readState().naturalScrollingInEffect().value_or(naturalScrollingStored());
}

bool SimMac::login() const {
    const bool stored = naturalScrollingStored();
    return updateState([&](SimState& s) { s.setNaturalScrollingInEffect(stored); });
}

bool SimMac::accessibilityAllowed() const {
    return readState().accessibilityAllowed();
}

bool SimMac::setAccessibilityAllowed(bool allowed) const {
    return updateState([&](SimState& s) { s.setAccessibilityAllowed(allowed); });
}

bool SimMac::outputMuted() const {
    return readState().outputMuted();
}

bool SimMac::createDesktopStored() const {
    const auto finder = readDomain("com.apple.finder");
    if (!finder) return true;
    const auto it = finder->find("CreateDesktop");
    return it == finder->end() || it->second.truthValue();
}

bool SimMac::desktopIconsShown() const {
    const SimState s = readState();
    return s.isRunning(kFinder) && s.finderCreateDesktop().value_or(true);
}

bool SimMac::addHostProcess(const Process& process) const {
    return updateState([&](SimState& s) { s.addHostProcess(process); });
}

bool SimMac::removeProcess(long pid) const {
    return updateState([pid](SimState& s) { s.removeProcess(pid); });
}

std::vector<Process> SimMac::powerAssertions() const {
    std::vector<Process> held;
    for (Process& p : processes()) {
        if (p.host && !p.assertions.empty() && alive(p)) held.push_back(std::move(p));
    }
    return held;
}

bool SimMac::screenLocked() const {
    return readState().screenLocked();
}

bool SimMac::setScreenLocked(bool locked) const {
    return updateState([locked](SimState& s) { s.setScreenLocked(locked); });
}

bool SimMac::setPasswordAfterSleep(bool on) const {
    return updateState([on](SimState& s) { s.setPasswordAfterSleep(on); });
}

bool SimMac::displaySleepNow() const {
    return updateState([](SimState& s) {
        if (s.passwordAfterSleep()) s.setScreenLocked(true);
    });
}

Latency SimMac::latency() const {
    return readState().latency();
}

bool SimMac::setLatency(Latency latency) const {
    return updateState([latency](SimState& s) { s.setLatency(latency); });
}

MacOSVersion SimMac::macOSVersion() const {
    return readState().macOSVersion();
}

bool SimMac::setMacOSVersion(const MacOSVersion& version) const {
    if (!updateState([&](SimState& s) { s.setMacOSVersion(version); })) return false;
    // The settings application's bundle has the release's name: System Settings.app
    // from 13 on, System Preferences.app before.
    std::vector<App> apps = catalogue();
    bool renamed = false;
    for (App& app : apps) {
        const bool settings = app.path == settingsApplicationPath(kOldestMacOS) ||
                              app.path == settingsApplicationPath(MacOSVersion{13, 0, 0});
        if (!settings || app.path == settingsApplicationPath(version)) continue;
        app.path = settingsApplicationPath(version);
        app.name = settingsApplicationName(version);
        renamed = true;
    }
    return !renamed || setCatalogue(apps);
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
        const auto text = [&](const char* key) {
            const plist::Value* s = v.find(key);
            return s && s->isString() ? *s->asString() : std::string();
        };
        App app;
        app.path = text("path");
        app.bundleIdentifier = text("bundleIdentifier");
        if (const auto* agent = v.find("agent")) app.agent = agent->truthValue();
        app.name = lendmode::bundleDisplayName(app.path);
        apps.push_back(std::move(app));
    }
    return apps;
}

namespace {

// One application per line of the catalogue's index: "PATH<tab>BUNDLE ID<tab>0|1".
// The path comes first and may itself hold a tab; the last two fields never do.
std::string indexLine(const App& app) {
    return app.path + '\t' + app.bundleIdentifier + '\t' + (app.agent ? '1' : '0') + '\n';
}

// Calls f with each application of the index, until it returns true.
void forEachIndexed(std::string_view index, const std::function<bool(App&&)>& f) {
    while (!index.empty()) {
        const std::size_t end = std::min(index.find('\n'), index.size());
        const std::string_view line = index.substr(0, end);
        index.remove_prefix(std::min(end + 1, index.size()));
        const std::size_t agentTab = line.rfind('\t');
        const std::size_t idTab = agentTab == std::string_view::npos || agentTab == 0
                                      ? std::string_view::npos
                                      : line.rfind('\t', agentTab - 1);
        if (idTab == std::string_view::npos) continue;
        App app;
        app.path = std::string(line.substr(0, idTab));
        app.bundleIdentifier = std::string(line.substr(idTab + 1, agentTab - idTab - 1));
        app.agent = line.substr(agentTab + 1) == "1";
        app.name = lendmode::bundleDisplayName(app.path);
        if (f(std::move(app))) return;
    }
}

}  // namespace

std::optional<std::string> SimMac::currentIndex(const std::string& file) const {
    struct stat index {};
    struct stat listed {};
    const bool current = ::stat(file.c_str(), &index) == 0 && ::stat(cataloguePath().c_str(), &listed) == 0 &&
                         std::tie(index.st_mtim.tv_sec, index.st_mtim.tv_nsec) >=
                             std::tie(listed.st_mtim.tv_sec, listed.st_mtim.tv_nsec);
    if (!current) return std::nullopt;
    return plist::readBytes(file);
}

std::optional<App> SimMac::findApp(std::string_view name) const {
    std::optional<App> found;
    const auto match = [&](App&& app) {
        if (app.name != name) return false;
        found = std::move(app);
        return true;
    };
    if (const auto index = currentIndex(catalogueIndex())) {
        // Only the lines that hold "/NAME" can name it: the rest are not looked at.
        const std::string needle = "/" + std::string(name);
        for (std::size_t at = index->find(needle); at != std::string::npos;
             at = index->find(needle, at + 1)) {
            const std::size_t start = index->rfind('\n', at);
            const std::size_t from = start == std::string::npos ? 0 : start + 1;
            const std::size_t end = std::min(index->find('\n', at), index->size());
            forEachIndexed(std::string_view(*index).substr(from, end - from), match);
            if (found) return found;
            at = end;
        }
        return found;
    }
    for (App& app : catalogue()) {
        if (match(std::move(app))) break;
    }
    return found;
}

bool SimMac::setCatalogue(const std::vector<App>& apps) const {
    plist::Array array;
    array.reserve(apps.size());
    std::string index;
    std::string paths;
    for (const App& app : apps) {
        plist::Dictionary d{{"path", app.path}, {"bundleIdentifier", app.bundleIdentifier}};
        if (app.agent) d["agent"] = true;
        array.emplace_back(std::move(d));
        index += indexLine(app);
        paths += app.path + '\n';
    }
    bool ok = false;
    const bool locked = withLock([&] {
        ok = makeDirectories(root_ + "/system") &&
             plist::writeFile(cataloguePath(), plist::Value(std::move(array)));
        // The indexes after the catalogue, so that they are never older than what they list.
        if (ok) ok = plist::writeBytes(catalogueIndex(), index) && plist::writeBytes(pathsIndex(), paths);
    });
    return locked && ok;
}

std::string SimMac::applicationPaths() const {
    if (auto paths = currentIndex(pathsIndex())) return std::move(*paths);
    std::string paths;
    for (const App& app : catalogue()) paths += app.path + '\n';
    return paths;
}

// ---- Processes ----

std::vector<Process> SimMac::processes() const {
    return readState().processes();
}

bool SimMac::isRunning(std::string_view name) const {
    return readState().isRunning(name);
}

std::optional<Process> SimMac::process(long pid) const {
    return readState().process(pid);
}

std::optional<long> SimMac::launch(const App& app) const {
    // The start's time passes before the process shows, and without the lock.
    const SimState before = readState();
    if (!before.isRunning(app.name)) spend(before.latency(), latency::kApplicationLaunch);
    StateSession session(*this);
    const std::optional<long> pid = session.launch(app);
    if (!pid || !session.commit()) return std::nullopt;
    return pid;
}

// Ends the processes `which` selects by a signal: the ones that restart by themselves
// come back (Finder reading CreateDesktop as it starts), and a host process (caffeinate)
// is sent the signal itself once the state is written. The names of the ended ones.
std::optional<std::vector<std::string>> SimMac::kill(const std::function<bool(const Process&)>& which,
                                                     Latency& latency) const {
    std::vector<std::string> ended;
    std::vector<long> hostPids;
    const bool createDesktop = createDesktopStored();
    if (!updateState([&](SimState& s) {
            const auto chosen = [&](const Process& p) {
                if (!which(p)) return false;
                ended.push_back(p.name);
                if (p.host) hostPids.push_back(p.pid);
                return true;
            };
            s.endProcesses(chosen, /*killed=*/true);
            if (std::find(ended.begin(), ended.end(), kFinder) != ended.end())
                s.setFinderCreateDesktop(createDesktop);
            latency = s.latency();
        }))
        return std::nullopt;
    for (const long pid : hostPids) ::kill(static_cast<pid_t>(pid), SIGTERM);
    return ended;
}

std::optional<int> SimMac::killAll(std::string_view name) const {
    Latency latency = Latency::None;
    const auto ended = kill([name](const Process& p) { return p.name == name; }, latency);
    if (!ended) return std::nullopt;
    if (!ended->empty() && restartsAfterKill(name)) spend(latency, latency::kSystemProcessRestart);
    return static_cast<int>(ended->size());
}

std::optional<bool> SimMac::terminate(long pid) const {
    Latency latency = Latency::None;
    const auto ended = kill([pid](const Process& p) { return p.pid == pid; }, latency);
    if (!ended) return std::nullopt;
    return !ended->empty();
}

int SimMac::restarts(std::string_view name) const {
    return readState().restarts(name);
}

// ---- Unsaved documents ----

SimMac::DocumentChange SimMac::addUnsavedDocument(std::string_view name) const {
    bool found = false;
    if (!updateState([&](SimState& s) { found = s.addUnsavedDocument(name); }))
        return DocumentChange::NotUpdated;
    return found ? DocumentChange::Done : DocumentChange::NoSuchProcess;
}

SimMac::DocumentChange SimMac::answerSaveQuestion(std::string_view name, SimState::SaveAnswer answer) const {
    const SimState before = readState();
    const std::vector<Process> all = before.processes();
    if (std::none_of(all.begin(), all.end(),
                     [name](const Process& p) { return p.name == name && p.askingToSave; }))
        return DocumentChange::NoSuchProcess;
    // The application quits after the answer; it is gone once its quit is over.
    if (answer != SimState::SaveAnswer::Cancel) spend(before.latency(), latency::kApplicationQuit);
    bool answered = false;
    if (!updateState([&](SimState& s) { answered = s.answerSaveQuestion(name, answer); }))
        return DocumentChange::NotUpdated;
    return answered ? DocumentChange::Done : DocumentChange::NoSuchProcess;
}

// ---- URL-scheme handlers ----

std::vector<std::string> SimMac::handlers(std::string_view scheme) const {
    return readState().handlers(scheme);
}

std::optional<std::string> SimMac::defaultHandler(std::string_view scheme) const {
    return readState().defaultHandler(scheme);
}

bool SimMac::setDefaultHandler(std::string_view scheme, std::string_view bundleIdentifier) const {
    return updateState([&](SimState& s) { s.setDefaultHandler(scheme, bundleIdentifier); });
}

bool SimMac::registerHandler(std::string_view scheme, std::string_view bundleIdentifier) const {
    return updateState([&](SimState& s) { s.registerHandler(scheme, bundleIdentifier); });
}

// ---- The settings application ----

std::optional<std::string> SimMac::systemPreferencesPane() const {
    return readState().systemPreferencesPane();
}

bool SimMac::setSystemPreferencesPane(std::optional<std::string> pane) const {
    return updateState([&](SimState& s) { s.setSystemPreferencesPane(std::move(pane)); });
}

// ---- Automation ----

bool SimMac::automationAllowed(std::string_view target) const {
    return readState().automationAllowed(target);
}

bool SimMac::setAutomationAllowed(std::string_view target, bool allowed) const {
    return updateState([&](SimState& s) { s.setAutomationAllowed(target, allowed); });
}

std::string SimMac::runDirectory() const {
    // The listeners' socket names ("/<pid>-<n>.sock", LaunchAnnouncer.cpp) and a margin
    // must fit after the folder; under a deep root it is a folder in /tmp named after
    // the root.
    constexpr std::size_t kSocketNameRoom = 32;
    return lendmode::socketPathOrShortName(root_ + "/run", kSocketNameRoom, "lendmode-sim",
                                           std::to_string(std::hash<std::string>{}(root_)));
}

}  // namespace sim
