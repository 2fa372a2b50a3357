// The program's user defaults: a store of property-list values plus registered
// defaults, which answer reads of keys that hold no stored value and are never stored.
// Reads are lenient in the manner of NSUserDefaults (a string "0" reads as integer 0).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/plist/Value.h"
#include "platform/UserDefaultsStore.h"

namespace lendmode {

class UserDefaults {
public:
    explicit UserDefaults(std::shared_ptr<platform::UserDefaultsStore> store) : store_(std::move(store)) {}

    void registerDefaults(const plist::Dictionary& defaults);

    // The stored value, else the registered default, else nothing.
    std::optional<plist::Value> object(const std::string& key) const;
    bool boolean(const std::string& key) const;        // NO when absent
    std::int64_t integer(const std::string& key) const;  // 0 when absent

    void setObject(const std::string& key, const plist::Value& value);
    void setBoolean(const std::string& key, bool value) { setObject(key, plist::Value(value)); }
    void setInteger(const std::string& key, std::int64_t value) {
        setObject(key, plist::Value(static_cast<long long>(value)));
    }
    void remove(const std::string& key);

private:
    std::shared_ptr<platform::UserDefaultsStore> store_;
    plist::Dictionary registered_;
};

}  // namespace lendmode
