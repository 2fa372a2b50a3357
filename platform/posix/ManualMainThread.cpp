#include "platform/posix/ManualMainThread.h"

namespace platform {

void ManualMainThread::post(std::function<void()> block) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(block));
}

std::size_t ManualMainThread::runPending() {
    std::size_t ran = 0;
    for (;;) {
        std::function<void()> block;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return ran;
            block = std::move(queue_.front());
            queue_.pop_front();
        }
        block();
        ++ran;
    }
}

std::size_t ManualMainThread::pendingCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace platform
