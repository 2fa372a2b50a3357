// Port: a second durable copy of what a switch-on records for its undoing (the
// owner snapshot, the applications to reopen, the owner's https handler), kept apart
// from the user-defaults store, so that a store damaged, replaced or removed while
// Lendmode is on still leaves the next start able to put the owner's settings back.
#pragma once

#include <optional>

#include "base/plist/Value.h"

namespace platform {

class RecordCopy {
public:
    virtual ~RecordCopy() = default;
    // The record kept; nothing when none is kept or it cannot be read.
    virtual std::optional<plist::Dictionary> load() = 0;
    // Each reports whether the change reached durable storage.
    [[nodiscard]] virtual bool save(const plist::Dictionary& record) = 0;
    [[nodiscard]] virtual bool clear() = 0;
};

}  // namespace platform
