#include "base/Log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <utility>

namespace lendmode::log {
namespace {

constexpr const char* kVariable = "LENDMODE_LOG";

std::atomic<Level>& thresholdSlot() {
    static std::atomic<Level> slot{levelFromEnvironmentValue(std::getenv(kVariable))};
    return slot;
}

// The installed sink, shared so that a line being written keeps it alive while
// another thread replaces it. Never destroyed, so that lines written while the
// process ends still find it.
struct SinkSlot {
    std::mutex mutex;
    std::shared_ptr<const Sink> sink;
};
SinkSlot& sinkSlot() {
    static auto* slot = new SinkSlot;
    return *slot;
}

}  // namespace

Level levelFromEnvironmentValue(const char* value) {
    return value && std::string_view(value) == "debug" ? Level::Debug : Level::Info;
}

Level threshold() {
    return thresholdSlot().load(std::memory_order_relaxed);
}

void setThreshold(Level level) {
    thresholdSlot().store(level, std::memory_order_relaxed);
}

void readEnvironment() {
    setThreshold(levelFromEnvironmentValue(std::getenv(kVariable)));
}

Sink setSink(Sink sink) {
    auto replacement = sink ? std::make_shared<const Sink>(std::move(sink)) : nullptr;
    SinkSlot& slot = sinkSlot();
    std::lock_guard lock(slot.mutex);
    std::shared_ptr<const Sink> previous = std::exchange(slot.sink, std::move(replacement));
    return previous ? *previous : Sink();
}

void writeToStandardError(Level, std::string_view message) {
    while (message.ends_with('\n')) message.remove_suffix(1);
    std::string text = "Lendmode: ";
    for (const char c : message) {
        text += c;
        if (c == '\n') text += "    ";
    }
    text += '\n';
    // One write per entry, so that lines from two threads do not interleave.
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void write(Level level, std::string_view message) {
    if (!enabled(level)) return;
    std::shared_ptr<const Sink> sink;
    {
        SinkSlot& slot = sinkSlot();
        std::lock_guard lock(slot.mutex);
        sink = slot.sink;
    }
    if (sink) {
        (*sink)(level, message);
    } else {
        writeToStandardError(level, message);
    }
}

std::string millisecondsSince(std::chrono::steady_clock::time_point start) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()) + " ms";
}

}  // namespace lendmode::log
