#include "model/UserDefaults.h"

namespace lendmode {

void UserDefaults::registerDefaults(const plist::Dictionary& defaults) {
    for (const auto& [key, value] : defaults) registered_.insert_or_assign(key, value);
}

std::optional<plist::Value> UserDefaults::object(const std::string& key) const {
    if (auto stored = store_->read(key)) return stored;
    if (auto it = registered_.find(key); it != registered_.end()) return it->second;
    return std::nullopt;
}

bool UserDefaults::boolean(const std::string& key) const {
    const auto value = object(key);
    return value && value->truthValue();
}

std::int64_t UserDefaults::integer(const std::string& key) const {
    const auto value = object(key);
    return value ? value->integerValue() : 0;
}

bool UserDefaults::setObject(const std::string& key, const plist::Value& value) {
    return store_->write(key, value);
}

bool UserDefaults::remove(const std::string& key) {
    return store_->remove(key);
}

bool UserDefaults::setObjects(const plist::Dictionary& values) {
    return store_->writeAll(values);
}

}  // namespace lendmode
