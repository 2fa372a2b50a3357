#include "sim/LaunchAnnouncer.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/plist/PlistFile.h"
#include "sim/SimMac.h"

namespace sim {
namespace {

constexpr const char* kSuffix = ".sock";

bool fillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

int announceLaunch(const std::string& runDirectory, const plist::Dictionary& info) {
    DIR* dir = ::opendir(runDirectory.c_str());
    if (!dir) return 0;
    std::vector<std::string> sockets;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > std::strlen(kSuffix) && name.ends_with(kSuffix))
            sockets.push_back(std::string(runDirectory).append("/").append(name));
    }
    ::closedir(dir);
    if (sockets.empty()) return 0;

    const std::string message = plist::serialize(plist::Value(info), plist::Format::Xml);
    if (message.empty()) return 0;  // a name or path XML cannot hold: nothing to announce
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    int delivered = 0;
    for (const std::string& path : sockets) {
        sockaddr_un addr{};
        if (!fillAddress(path, addr)) continue;
        const ssize_t sent = ::sendto(fd, message.data(), message.size(), MSG_DONTWAIT,
                                      reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        if (sent >= 0) {
            ++delivered;
        } else if (errno == ECONNREFUSED || errno == ENOENT) {
            ::unlink(path.c_str());  // its listener is gone
        }
    }
    ::close(fd);
    return delivered;
}

LaunchListener::LaunchListener(const std::string& runDirectory) {
    if (!makeDirectories(runDirectory)) return;
    path_ = runDirectory + "/" + std::to_string(::getpid()) + "-" +
            std::to_string(reinterpret_cast<std::uintptr_t>(this) & 0xffffff) + kSuffix;
    sockaddr_un addr{};
    if (!fillAddress(path_, addr)) return;
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    ::unlink(path_.c_str());
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

LaunchListener::~LaunchListener() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
}

std::optional<plist::Dictionary> LaunchListener::receive(std::chrono::milliseconds timeout) {
    if (fd_ < 0) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<char> buffer(std::size_t{256} * 1024);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return std::nullopt;
        }
        auto value = plist::parse(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        if (value && value->isDictionary()) return std::move(*value->asDictionary());
    }
}

}  // namespace sim
