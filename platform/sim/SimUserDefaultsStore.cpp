#include "platform/sim/SimUserDefaultsStore.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <utility>

#include "base/plist/PlistFile.h"

namespace platform::simulated {
namespace {

enum class FileState { Missing, Unreadable, Read };

FileState readBytes(const std::string& path, std::string& bytes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? FileState::Missing : FileState::Unreadable;
    if (!S_ISREG(st.st_mode)) return FileState::Unreadable;
    std::ifstream in(path, std::ios::binary);
    if (!in) return FileState::Unreadable;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return FileState::Unreadable;
    bytes = buffer.str();
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
    return Stamp{st.st_ino, st.st_size,
                 static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
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

bool SimUserDefaultsStore::change(const std::function<void(plist::Dictionary&)>& edit) {
    bool ok = false;
    (void)mac_->withLock([&] {
        if (!refresh()) return;
        plist::Value next = cache_;
        edit(*next.asDictionary());
        const auto slash = file_.rfind('/');
        if (!sim::makeDirectories(file_.substr(0, slash))) return;
        if (!plist::writeFile(file_, next)) return;
        cache_ = std::move(next);
        stamp_ = currentStamp();
        ok = true;
    });
    return ok;
}

bool SimUserDefaultsStore::write(const std::string& key, const plist::Value& value) {
    return change([&](plist::Dictionary& d) { d.insert_or_assign(key, value); });
}

bool SimUserDefaultsStore::writeAll(const plist::Dictionary& values) {
    return change([&](plist::Dictionary& d) {
        for (const auto& [key, value] : values) d.insert_or_assign(key, value);
    });
}

bool SimUserDefaultsStore::remove(const std::string& key) {
    return change([&](plist::Dictionary& d) { d.erase(key); });
}

}  // namespace platform::simulated
