#include "sim/Latency.h"

#include <cstdlib>
#include <thread>

#include "base/EnvironmentDuration.h"

namespace sim {

std::string_view latencyName(Latency latency) {
    return latency == Latency::Realistic ? "realistic" : "none";
}

void spend(Latency latency, std::chrono::milliseconds time) {
    if (latency == Latency::Realistic && time.count() > 0) std::this_thread::sleep_for(time);
}

std::chrono::milliseconds appleEventTimeout() {
    return lendmode::millisecondsFromEnvironment(kAppleEventTimeoutVariable).value_or(kAppleEventTimeout);
}

}  // namespace sim
