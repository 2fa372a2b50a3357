// How the simulated Mac tells running programs that an application is starting, in
// place of NSWorkspace's will-launch notification.
//
// Each listener binds a Unix datagram socket in the simulated Mac's run directory;
// `open` sends every socket there one XML property list (a dictionary carrying
// NSApplicationPath, NSApplicationName, NSApplicationBundleIdentifier and
// NSApplicationProcessIdentifier). Sockets whose owner has gone are removed.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "base/plist/Value.h"

namespace sim {

// Sends the launch information to every listener; returns how many received it.
int announceLaunch(const std::string& runDirectory, const plist::Dictionary& info);

class LaunchListener {
public:
    explicit LaunchListener(const std::string& runDirectory);
    ~LaunchListener();
    LaunchListener(const LaunchListener&) = delete;
    LaunchListener& operator=(const LaunchListener&) = delete;

    bool isListening() const { return fd_ >= 0; }
    // The socket, for an event loop to watch for reading.
    int fd() const { return fd_; }
    // The next announcement, waiting at most `timeout` (zero: do not wait). Messages
    // that are not a dictionary are skipped.
    std::optional<plist::Dictionary> receive(
        std::chrono::milliseconds timeout = std::chrono::milliseconds(0));

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace sim
