#include "base/SocketPath.h"

#include <sys/un.h>
#include <unistd.h>

namespace lendmode {

std::string socketPathOrShortName(std::string path, std::size_t room, std::string_view stem,
                                  std::string_view tag) {
    // One byte of the address is left for the terminating NUL.
    if (!path.empty() && path.size() + room < sizeof(sockaddr_un::sun_path)) return path;
    return "/tmp/" + std::string(stem) + "-" + std::to_string(::getuid()) + "-" + std::string(tag);
}

}  // namespace lendmode
