#include "platform/posix/RealHomeDirectory.h"

#include <pwd.h>
#include <unistd.h>

#include <cassert>
#include <cstdio>
#include <cstdlib>

namespace platform {

std::string RealHomeDirectory() {
    const passwd* pw = ::getpwuid(::getuid());
    assert(pw);
    if (!pw) {  // assertions may be compiled out; the stop is not optional
        std::fprintf(stderr, "RealHomeDirectory: no password database entry for uid %u\n", ::getuid());
        std::abort();
    }
    return pw->pw_dir ? pw->pw_dir : "";
}

}  // namespace platform
