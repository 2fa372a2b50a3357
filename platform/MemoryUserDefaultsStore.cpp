#include "platform/MemoryUserDefaultsStore.h"

namespace platform {

std::optional<plist::Value> MemoryUserDefaultsStore::read(const std::string& key) {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void MemoryUserDefaultsStore::write(const std::string& key, const plist::Value& value) {
    values_.insert_or_assign(key, value);
    ++writes_[key];
}

void MemoryUserDefaultsStore::remove(const std::string& key) { values_.erase(key); }

std::size_t MemoryUserDefaultsStore::writeCount(const std::string& key) const {
    auto it = writes_.find(key);
    return it == writes_.end() ? 0 : it->second;
}

}  // namespace platform
