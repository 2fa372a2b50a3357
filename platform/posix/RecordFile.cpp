#include "platform/posix/RecordFile.h"

#include <unistd.h>

#include <cerrno>

#include "base/plist/PlistFile.h"

namespace platform {

std::optional<plist::Dictionary> RecordFile::load() {
    return plist::readDictionaryFile(path_);
}

bool RecordFile::save(const plist::Dictionary& record) {
    return plist::writeFile(path_, plist::Value(record));
}

bool RecordFile::clear() {
    return ::unlink(path_.c_str()) == 0 || errno == ENOENT;
}

}  // namespace platform
