// The main thread of a Qt program: the thread of the application object, with blocks
// from other threads queued to its event loop.
#pragma once

#include "platform/MainThread.h"

namespace platform::qt {

class QtMainThread : public MainThread {
public:
    bool isMainThread() const override;
    void post(std::function<void()> block) override;
};

}  // namespace platform::qt
