#include "tests/support/MemoryUserDefaultsStore.h"

namespace testing_support {

std::optional<plist::Value> MemoryUserDefaultsStore::read(const std::string& key) {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

bool MemoryUserDefaultsStore::mayChange() {
    if (!failAfter_) return true;
    if (*failAfter_ == 0) return false;
    --*failAfter_;
    return true;
}

bool MemoryUserDefaultsStore::write(const std::string& key, const plist::Value& value) {
    if (!mayChange()) return false;
    values_.insert_or_assign(key, value);
    ++writes_[key];
    return true;
}

bool MemoryUserDefaultsStore::writeAll(const plist::Dictionary& values) {
    if (!mayChange()) return false;
    for (const auto& [key, value] : values) {
        values_.insert_or_assign(key, value);
        ++writes_[key];
    }
    return true;
}

bool MemoryUserDefaultsStore::remove(const std::string& key) {
    if (!mayChange()) return false;
    values_.erase(key);
    return true;
}

std::size_t MemoryUserDefaultsStore::writeCount(const std::string& key) const {
    auto it = writes_.find(key);
    return it == writes_.end() ? 0 : it->second;
}

}  // namespace testing_support
