// Port: the per-user key-value store behind the program's user defaults (one domain,
// the program's own). It keeps stored values only; registered defaults are the
// model's business.
#pragma once

#include <optional>
#include <string>

#include "base/plist/Value.h"

namespace platform {

class UserDefaultsStore {
public:
    virtual ~UserDefaultsStore() = default;
    virtual std::optional<plist::Value> read(const std::string& key) = 0;
    // Both report whether the change reached durable storage; a store that cannot
    // keep what it is given (full disk, read-only folder) says false and keeps what
    // it had.
    [[nodiscard]] virtual bool write(const std::string& key, const plist::Value& value) = 0;
    [[nodiscard]] virtual bool remove(const std::string& key) = 0;
    // Several keys in one change: all of them stored, or none.
    [[nodiscard]] virtual bool writeAll(const plist::Dictionary& values) {
        for (const auto& [key, value] : values) {
            if (!write(key, value)) return false;
        }
        return true;
    }
    // Whether a change could be stored now (room on the disk, a folder that takes new
    // files), changing nothing: a caller about to do what it could not record asks first.
    [[nodiscard]] virtual bool canStore() { return true; }
    // The path a damaged store was moved to when it was found, once: the caller tells
    // the user. Nothing when the store was sound.
    virtual std::optional<std::string> takeMovedAsideDamagedStore() { return std::nullopt; }
};

}  // namespace platform
