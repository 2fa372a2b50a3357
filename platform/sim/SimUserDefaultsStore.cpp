#include "platform/sim/SimUserDefaultsStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "base/plist/PlistFile.h"

namespace platform::simulated {
namespace {

enum class FileState { Missing, Unreadable, Read };

FileState readBytes(const std::string& path, std::string& bytes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? FileState::Missing : FileState::Unreadable;
    if (!S_ISREG(st.st_mode)) return FileState::Unreadable;
    auto read = plist::readBytes(path);
    if (!read) return FileState::Unreadable;
    bytes = std::move(*read);
    return FileState::Read;
}

// "<file>.damaged-20261207-102501": beside the store, named for what it is and when
// it was found.
std::string damagedName(const std::string& file) {
    char when[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", &local);
    std::string name = file + ".damaged-" + when;
    struct stat st {};
    for (int n = 2; ::stat(name.c_str(), &st) == 0; ++n)
        name = file + ".damaged-" + when + "-" + std::to_string(n);
    return name;
}

}  // namespace

SimUserDefaultsStore::SimUserDefaultsStore(std::shared_ptr<const sim::SimMac> mac, const std::string& domain)
    : mac_(std::move(mac)), file_(mac_->domainFile(domain, false)) {}

SimUserDefaultsStore::Stamp SimUserDefaultsStore::currentStamp() const {
    struct stat st {};
    if (::stat(file_.c_str(), &st) != 0) return Stamp{};
    const auto nanoseconds = [](const timespec& t) {
        return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
    };
    return Stamp{st.st_ino, st.st_size, nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

bool SimUserDefaultsStore::refresh() {
    const Stamp now = currentStamp();
    if (now == stamp_) return readable_;
    std::string bytes;
    const FileState state = readBytes(file_, bytes);
    readable_ = state != FileState::Unreadable;
    std::optional<plist::Value> parsed;
    if (state == FileState::Read) parsed = plist::parse(bytes);
    if (state == FileState::Read && !(parsed && parsed->isDictionary())) {
        // Damaged: kept for the owner to look at, never overwritten.
        const std::string aside = damagedName(file_);
        if (std::rename(file_.c_str(), aside.c_str()) == 0) {
            movedAside_ = aside;
        } else {
            readable_ = false;  // cannot be moved: leave it alone and change nothing
        }
        parsed.reset();
    }
    cache_ = parsed ? std::move(*parsed) : plist::Value(plist::Dictionary{});
    stamp_ = currentStamp();
    return readable_;
}

std::optional<plist::Value> SimUserDefaultsStore::read(const std::string& key) {
    if (currentStamp() != stamp_) {
        // Under the lock, so that a damaged file is judged and moved aside once.
        bool ran = false;
        (void)mac_->withLock([&] {
            ran = true;
            refresh();
        });
        if (!ran) refresh();
    }
    const plist::Value* value = cache_.find(key);
    if (!value) return std::nullopt;
    return *value;
}

std::optional<std::string> SimUserDefaultsStore::takeMovedAsideDamagedStore() {
    (void)read("");  // judges the file if nothing has read it yet
    return std::exchange(movedAside_, std::nullopt);
}

bool SimUserDefaultsStore::change(const Changes& changes) {
    bool ok = false;
    (void)mac_->withLock([&] {
        if (!refresh()) return;
        // The kept dictionary is changed, written whole, and changed back when the
        // write fails: what each changed key held before is kept for that.
        plist::Dictionary& values = *cache_.asDictionary();
        std::vector<std::pair<std::string, std::optional<plist::Value>>> before;
        before.reserve(changes.size());
        for (const auto& [key, value] : changes) {
            const auto old = values.find(key);
            before.emplace_back(key,
                                old == values.end() ? std::nullopt : std::optional(std::move(old->second)));
            if (value) {
                values.insert_or_assign(key, *value);
            } else {
                values.erase(key);
            }
        }
        if (sim::makeDirectories(file_.substr(0, file_.rfind('/'))) && plist::writeFile(file_, cache_)) {
            stamp_ = currentStamp();
            ok = true;
            return;
        }
        for (auto it = before.rbegin(); it != before.rend(); ++it) {
            if (it->second) {
                values.insert_or_assign(it->first, std::move(*it->second));
            } else {
                values.erase(it->first);
            }
        }
    });
    return ok;
}

bool SimUserDefaultsStore::canStore() {
    // A page made, flushed and removed beside the store: a full disk or a folder that
    // takes no new files refuses it, as it would refuse any file written anew.
    const std::string folder = file_.substr(0, file_.rfind('/'));
    if (!sim::makeDirectories(folder)) return false;
    std::string name = folder + "/.lendmode-room-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    const std::string page(4096, '\0');
    const bool ok =
        ::write(fd, page.data(), page.size()) == static_cast<ssize_t>(page.size()) && ::fsync(fd) == 0;
    ::close(fd);
    ::unlink(name.c_str());
    return ok;
}

bool SimUserDefaultsStore::write(const std::string& key, const plist::Value& value) {
    return change({{key, &value}});
}

bool SimUserDefaultsStore::writeAll(const plist::Dictionary& values) {
    Changes changes;
    for (const auto& [key, value] : values) changes.emplace_back(key, &value);
    return change(changes);
}

bool SimUserDefaultsStore::remove(const std::string& key) {
    return change({{key, nullptr}});
}

}  // namespace platform::simulated
