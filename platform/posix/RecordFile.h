// The record copy as a binary property-list file in the program's state folder,
// beside its single-instance lock: written atomically and durably, removed when the
// owner's settings are back.
#pragma once

#include <string>

#include "platform/RecordCopy.h"

namespace platform {

// Its name in the state folder, on both platforms.
inline constexpr const char* kRecordFileName = "lendmode-record.plist";

class RecordFile : public RecordCopy {
public:
    explicit RecordFile(std::string path) : path_(std::move(path)) {}
    std::optional<plist::Dictionary> load() override;
    bool save(const plist::Dictionary& record) override;
    bool clear() override;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace platform
