#include "platform/sim/SimUserDefaultsStore.h"

#include <sys/stat.h>

#include "model/plist/PlistFile.h"

namespace platform::simulated {

SimUserDefaultsStore::SimUserDefaultsStore(std::shared_ptr<const sim::SimMac> mac, std::string domain)
    : mac_(std::move(mac)), file_(mac_->domainFile(domain, false)) {}

SimUserDefaultsStore::Stamp SimUserDefaultsStore::currentStamp() const {
    struct stat st {};
    if (::stat(file_.c_str(), &st) != 0) return Stamp{};
    return Stamp{st.st_ino, st.st_size, static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

void SimUserDefaultsStore::refresh() {
    const Stamp now = currentStamp();
    if (now == stamp_) return;
    // A missing or unreadable domain reads as empty; the next write replaces it.
    cache_ = plist::Value(plist::readDictionaryFile(file_).value_or(plist::Dictionary{}));
    stamp_ = now;
}

std::optional<plist::Value> SimUserDefaultsStore::read(const std::string& key) {
    refresh();
    const plist::Value* value = cache_.find(key);
    if (!value) return std::nullopt;
    return *value;
}

void SimUserDefaultsStore::change(const std::function<void(plist::Dictionary&)>& edit) {
    mac_->withLock([&] {
        refresh();
        edit(*cache_.asDictionary());
        const auto slash = file_.rfind('/');
        sim::makeDirectories(file_.substr(0, slash));
        plist::writeFile(file_, cache_);
        stamp_ = currentStamp();
    });
}

void SimUserDefaultsStore::write(const std::string& key, const plist::Value& value) {
    change([&](plist::Dictionary& d) { d.insert_or_assign(key, value); });
}

void SimUserDefaultsStore::remove(const std::string& key) {
    change([&](plist::Dictionary& d) { d.erase(key); });
}

}  // namespace platform::simulated
