#include "platform/macos/Handover.h"

#import <Foundation/Foundation.h>

#include <algorithm>

namespace platform::macos {

bool waitForArrival(std::unique_lock<std::mutex>& lock, std::condition_variable& signal,
                    const std::function<bool()>& arrived, std::optional<std::chrono::milliseconds> limit) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kTurn = std::chrono::milliseconds(50);
    const auto deadline = limit ? std::optional(Clock::now() + *limit) : std::nullopt;
    const bool mainThread = [NSThread isMainThread];
    while (!arrived()) {
        auto turn = kTurn;
        if (deadline) {
            const auto now = Clock::now();
            if (now >= *deadline) return false;
            turn = std::min(turn, std::chrono::ceil<std::chrono::milliseconds>(*deadline - now));
        }
        bool ran = false;
        if (mainThread) {
            lock.unlock();
            @autoreleasepool {
                NSDate* until =
                    [NSDate dateWithTimeIntervalSinceNow:std::chrono::duration<double>(turn).count()];
                ran = [[NSRunLoop currentRunLoop] runMode:NSDefaultRunLoopMode beforeDate:until];
            }
            lock.lock();
        }
        // A run loop with nothing to run returns at once: wait for the answer instead.
        if (!ran) signal.wait_for(lock, turn);
    }
    return true;
}

}  // namespace platform::macos
