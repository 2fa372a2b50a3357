// The program's user defaults: a store of property-list values plus registered
// defaults, which answer reads of keys that hold no stored value and are never stored.
// Reads are lenient in the manner of NSUserDefaults (a string "0" reads as integer 0).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/plist/Value.h"
#include "platform/UserDefaultsStore.h"

namespace lendmode {

class UserDefaults {
public:
    explicit UserDefaults(std::shared_ptr<platform::UserDefaultsStore> store) : store_(std::move(store)) {}

    void registerDefaults(const plist::Dictionary& defaults);

    // The stored value, else the registered default, else nothing.
    std::optional<plist::Value> object(const std::string& key) const;
    bool boolean(const std::string& key) const;          // NO when absent
    std::int64_t integer(const std::string& key) const;  // 0 when absent

    // Each says whether the value was stored; see UserDefaultsStore.
    [[nodiscard]] bool setObject(const std::string& key, const plist::Value& value);
    [[nodiscard]] bool setBoolean(const std::string& key, bool value) {
        return setObject(key, plist::Value(value));
    }
    [[nodiscard]] bool setInteger(const std::string& key, std::int64_t value) {
        return setObject(key, plist::Value(static_cast<long long>(value)));
    }
    [[nodiscard]] bool remove(const std::string& key);
    // All of the values stored in one change, or none.
    [[nodiscard]] bool setObjects(const plist::Dictionary& values);
    // The store behind, for what only it can tell (a damaged file moved aside).
    platform::UserDefaultsStore& store() { return *store_; }

private:
    std::shared_ptr<platform::UserDefaultsStore> store_;
    plist::Dictionary registered_;
};

}  // namespace lendmode
