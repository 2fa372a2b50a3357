// User defaults kept as the program's own preference domain inside the simulated
// Mac (home/Library/Preferences/<bundle identifier>.plist), so `defaults read
// com.lendmode.Lendmode` shows them. On a real Mac CFPreferences keeps them; this is
// its stand-in.
//
// The decoded dictionary is kept in memory and read again only when another process
// has changed the file (its inode, size, modification or change time differ). Every
// change is made under the Mac's lock: the file is read again if it changed, the
// change is made to the dictionary, and the whole file is encoded and written
// atomically and durably (PlistFile.h). A change that cannot be written returns false
// and is undone, leaving the file and the dictionary as they were.
//
// The owner's data is never replaced unseen: a file that exists but cannot be read
// makes every change fail, and a file that is not a property-list dictionary is
// moved aside (<file>.damaged-<time>) before the store starts again from nothing.
#pragma once

#include <sys/types.h>

#include <memory>
#include <utility>
#include <vector>

#include "platform/UserDefaultsStore.h"
#include "sim/SimMac.h"

namespace platform::simulated {

class SimUserDefaultsStore : public UserDefaultsStore {
public:
    SimUserDefaultsStore(std::shared_ptr<const sim::SimMac> mac, const std::string& domain);
    std::optional<plist::Value> read(const std::string& key) override;
    bool write(const std::string& key, const plist::Value& value) override;
    bool remove(const std::string& key) override;
    bool writeAll(const plist::Dictionary& values) override;
    bool canStore() override;
    std::optional<std::string> takeMovedAsideDamagedStore() override;

    const std::string& file() const { return file_; }

private:
    struct Stamp {
        ino_t inode = 0;
        off_t size = -1;
        long long mtimeNs = -1;
        // A rewrite can keep the inode, the size and (touch -d) the mtime; the change
        // time cannot be set back.
        long long ctimeNs = -1;
        bool operator==(const Stamp&) const = default;
    };
    Stamp currentStamp() const;
    // Re-reads the file when it changed; false when it exists but cannot be read.
    bool refresh();
    // Each key with its new value, or with none to remove it.
    using Changes = std::vector<std::pair<std::string, const plist::Value*>>;
    // Makes the changes in one write; nothing changes when the write fails.
    bool change(const Changes& changes);

    std::shared_ptr<const sim::SimMac> mac_;
    std::string file_;
    plist::Value cache_{plist::Dictionary{}};  // always a dictionary
    Stamp stamp_;
    bool readable_ = true;
    std::optional<std::string> movedAside_;
};

}  // namespace platform::simulated
