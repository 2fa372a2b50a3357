// The program's user defaults in the preferences system (cfprefsd), through
// CFPreferences: the current user's domain of the program, on any host. Only what is
// stored there is read: not the argument, global or registration domains that
// NSUserDefaults would also search.
#pragma once

#include <string>

#include "platform/UserDefaultsStore.h"

namespace platform::macos {

class MacUserDefaultsStore : public UserDefaultsStore {
public:
    explicit MacUserDefaultsStore(std::string domain) : domain_(std::move(domain)) {}
    std::optional<plist::Value> read(const std::string& key) override;
    [[nodiscard]] bool write(const std::string& key, const plist::Value& value) override;
    [[nodiscard]] bool remove(const std::string& key) override;
    // One change through CFPreferencesSetMultiple. When synchronizing fails, or a key
    // does not read back as written, the earlier values are put back and false says so;
    // a write to disk that fails later, in cfprefsd, is seen by nobody (see the .mm).
    [[nodiscard]] bool writeAll(const plist::Dictionary& values) override;

private:
    std::string domain_;
};

}  // namespace platform::macos
