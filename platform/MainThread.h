// Port: the main thread and a way to hand work to it.
#pragma once

#include <functional>

namespace platform {

class MainThread {
public:
    virtual ~MainThread() = default;
    virtual bool isMainThread() const = 0;
    // Queues the block to run later on the main thread; returns at once.
    virtual void post(std::function<void()> block) = 0;
};

}  // namespace platform
