// User defaults kept as the program's own preference domain inside the simulated
// Mac (home/Library/Preferences/<bundle identifier>.plist), so `defaults read
// com.lendmode.Lendmode` shows them. The file is re-read only when another process
// has changed it, and every change is written atomically and durably under the Mac's
// lock.
//
// The owner's data is never replaced unseen: a file that exists but cannot be read
// makes every change fail, and a file that is not a property-list dictionary is
// moved aside (<file>.damaged-<time>) before the store starts again from nothing.
//
// The file is rewritten whole at every change, so the largest value (the definition
// sets) is kept encoded and copied into each new file while it is unchanged. A flag
// costs what a flag should: its byte is turned over in the file. Neither its decoded form (the program keeps
// its own) nor, between changes, its encoding is held in memory: both are read back from the file when
// needed. An application ticked in it turns one byte over in the file.
#pragma once

#include <sys/types.h>

#include <memory>
#include <vector>

#include "base/plist/BinaryWriter.h"

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
    // Each key with its new value, or with none to remove it; the values are the
    // caller's, copied only where they are kept decoded.
    using Changes = std::vector<std::pair<std::string, const plist::Value*>>;
    // Makes the changes in one write; nothing changes when the write fails.
    bool change(const Changes& changes);
    // A key's value as the file holds it, for the value not kept decoded.
    std::optional<plist::Value> storedValue(const std::string& key) const;
    // The largest value is the one kept encoded; its decoded form is dropped.
    void keepLargestEncoded();
    // Between changes the kept value's bytes are only in the file (they are read back
    // for the next change), so that an idle program does not hold them twice.
    bool loadKeptBytes();
    void releaseKeptBytes();
    // A change of the kept value in booleans alone (an application ticked) is made in
    // the file itself, one byte per boolean: each byte is either as it was or as it
    // is now, so the file is whole whatever happens. False when the change is of
    // another kind or could not be made so (the caller writes the file anew).
    bool turnBooleansInFile(const Changes& changes);
    // The same for a change of one of the file's own booleans (a flag): its one byte.
    bool turnRootBooleanInFile(const Changes& changes);

    std::shared_ptr<const sim::SimMac> mac_;
    std::string file_;
    plist::Value cache_{plist::Dictionary{}};  // always a dictionary
    Stamp stamp_;
    bool readable_ = true;
    std::optional<std::string> movedAside_;
    plist::EncodedEntry kept_;    // the largest value, encoded as it is in the file
    std::size_t keptWeight_ = 0;  // how many values it holds
    bool keptDropped_ = false;    // cache_ holds a placeholder for it
    std::size_t keptLength_ = 0;  // its bytes' length while they are only in the file
    std::size_t keptCount_ = 0;   // and how many objects they hold
};

}  // namespace platform::simulated
