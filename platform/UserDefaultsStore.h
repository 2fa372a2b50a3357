// Port: the per-user key-value store behind the program's user defaults (one domain,
// the program's own). It keeps stored values only; registered defaults are the
// model's business.
#pragma once

#include <optional>
#include <string>

#include "model/plist/Value.h"

namespace platform {

class UserDefaultsStore {
public:
    virtual ~UserDefaultsStore() = default;
    virtual std::optional<plist::Value> read(const std::string& key) = 0;
    virtual void write(const std::string& key, const plist::Value& value) = 0;
    virtual void remove(const std::string& key) = 0;
};

}  // namespace platform
