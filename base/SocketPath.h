// Unix socket addresses hold short paths (sockaddr_un::sun_path: 104 bytes on macOS,
// 108 on Linux), so a socket meant to live under a deep folder needs a short stand-in.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lendmode {

// `path` when it, with `room` more bytes after it (the names of sockets made inside a
// folder), still fits in a socket address; otherwise "/tmp/<stem>-<uid>-<tag>", a short
// name that every process of this user reaches from the same tag.
std::string socketPathOrShortName(std::string path, std::size_t room, std::string_view stem,
                                  std::string_view tag);

}  // namespace lendmode
