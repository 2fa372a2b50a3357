#include "platform/posix/RealHomeDirectory.h"

#include <pwd.h>
#include <unistd.h>

#include <cassert>
#include <cstdlib>

#include "base/Log.h"

namespace platform {

std::string RealHomeDirectory() {
    const passwd* pw = ::getpwuid(::getuid());
    assert(pw);
    if (!pw) {  // assertions may be compiled out; the stop is not optional
        lendmode::log::error("RealHomeDirectory: no password database entry for uid " +
                             std::to_string(::getuid()));
        std::abort();
    }
    return pw->pw_dir ? pw->pw_dir : "";
}

}  // namespace platform
