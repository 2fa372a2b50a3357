// A user-defaults store kept in memory, for unit tests. It counts writes so tests can
// tell how often something was stored.
#pragma once

#include <map>

#include "platform/UserDefaultsStore.h"

namespace platform {

class MemoryUserDefaultsStore : public UserDefaultsStore {
public:
    std::optional<plist::Value> read(const std::string& key) override;
    void write(const std::string& key, const plist::Value& value) override;
    void remove(const std::string& key) override;

    std::size_t writeCount(const std::string& key) const;
    const plist::Dictionary& contents() const { return values_; }

private:
    plist::Dictionary values_;
    std::map<std::string, std::size_t> writes_;
};

}  // namespace platform
