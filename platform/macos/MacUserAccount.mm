#include "platform/macos/MacUserAccount.h"

#import <Foundation/Foundation.h>

#include "platform/macos/FoundationValues.h"
#include "platform/posix/RealHomeDirectory.h"

namespace platform::macos {

std::optional<std::string> MacUserAccount::loginName() {
    @autoreleasepool {
        const std::string name = utf8String(NSUserName());
        if (name.empty()) return std::nullopt;
        return name;
    }
}

std::string MacUserAccount::homeDirectory() {
    return RealHomeDirectory();
}

}  // namespace platform::macos
