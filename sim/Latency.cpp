#include "sim/Latency.h"

#include <charconv>
#include <cstdlib>
#include <thread>

namespace sim {

std::string_view latencyName(Latency latency) {
    return latency == Latency::Realistic ? "realistic" : "none";
}

void spend(Latency latency, std::chrono::milliseconds time) {
    if (latency == Latency::Realistic && time.count() > 0) std::this_thread::sleep_for(time);
}

std::chrono::milliseconds appleEventTimeout() {
    const char* text = std::getenv(kAppleEventTimeoutVariable);
    if (!text || !*text) return kAppleEventTimeout;
    const std::string_view digits(text);
    long long ms = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), ms);
    if (ec != std::errc() || end != digits.data() + digits.size() || ms < 0) return kAppleEventTimeout;
    return std::chrono::milliseconds(ms);
}

}  // namespace sim
