// A main thread without an event loop: the thread that created the object is the
// main thread, and blocks posted from other threads wait in a queue until
// runPending() is called there. Used by unit tests and by programs without Qt.
#pragma once

#include <deque>
#include <mutex>
#include <thread>

#include "platform/MainThread.h"

namespace platform {

class ManualMainThread : public MainThread {
public:
    ManualMainThread() : mainId_(std::this_thread::get_id()) {}
    bool isMainThread() const override { return std::this_thread::get_id() == mainId_; }
    void post(std::function<void()> block) override;
    // Runs the queued blocks in order; returns how many ran.
    std::size_t runPending();
    std::size_t pendingCount() const;

private:
    std::thread::id mainId_;
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace platform
