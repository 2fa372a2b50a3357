// A value handed from another thread or queue (a completion handler, a blocking call
// dispatched elsewhere) to a thread that waits for it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace platform::macos {

// Waits until `arrived()`, read with `lock` held, is true, or until `limit` has passed;
// returns arrived(). On the main thread the run loop runs in short turns meanwhile, so
// that the system's dialogs, the program's windows and anything the answer needs from
// the main thread keep going; any other thread just waits on `signal`.
bool waitForArrival(std::unique_lock<std::mutex>& lock, std::condition_variable& signal,
                    const std::function<bool()>& arrived,
                    std::optional<std::chrono::milliseconds> limit = std::nullopt);

// Shared (std::shared_ptr) between the waiter and the giver, so that an answer that
// comes after the waiter gave up finds it still there.
template <typename T>
class Handover {
public:
    // Any thread; the first value is kept, later ones are dropped.
    void give(T value) {
        const std::lock_guard lock(mutex_);
        if (value_) return;
        value_ = std::move(value);
        arrived_.notify_all();
    }
    // The value, once given; nothing when `limit` passed first.
    std::optional<T> take(std::optional<std::chrono::milliseconds> limit = std::nullopt) {
        std::unique_lock lock(mutex_);
        waitForArrival(
            lock, arrived_, [this] { return value_.has_value(); }, limit);
        return value_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::optional<T> value_;
};

template <typename T>
std::shared_ptr<Handover<T>> makeHandover() {
    return std::make_shared<Handover<T>>();
}

}  // namespace platform::macos
