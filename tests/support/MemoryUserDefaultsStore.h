// A user-defaults store kept in memory, for unit tests. It counts writes so tests can
// tell how often something was stored.
#pragma once

#include <map>
#include <optional>

#include "platform/UserDefaultsStore.h"

namespace testing_support {

class MemoryUserDefaultsStore : public platform::UserDefaultsStore {
public:
    std::optional<plist::Value> read(const std::string& key) override;
    bool write(const std::string& key, const plist::Value& value) override;
    bool remove(const std::string& key) override;
    bool writeAll(const plist::Dictionary& values) override;
    // A full disk takes no new file either.
    bool canStore() override { return !failAfter_ || *failAfter_ > 0; }

    std::size_t writeCount(const std::string& key) const;
    const plist::Dictionary& contents() const { return values_; }
    // A full disk: every change fails and nothing changes, once `failAfter` more
    // changes have succeeded (0: at once). A writeAll is one change.
    void failWrites(std::size_t failAfter = 0) { failAfter_ = failAfter; }
    void allowWrites() { failAfter_.reset(); }

private:
    bool mayChange();

    plist::Dictionary values_;
    std::map<std::string, std::size_t> writes_;
    std::optional<std::size_t> failAfter_;
};

}  // namespace testing_support
