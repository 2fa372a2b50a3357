// While a CapturedLog lives, the log entries that pass its threshold are kept instead
// of written; the sink and threshold before it come back when it goes.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Log.h"

namespace testing_support {

class CapturedLog {
public:
    struct Entry {
        lendmode::log::Level level;
        std::string message;
        bool operator==(const Entry&) const = default;
    };

    explicit CapturedLog(lendmode::log::Level threshold) : threshold_(lendmode::log::threshold()) {
        lendmode::log::setThreshold(threshold);
        sink_ = lendmode::log::setSink([this](lendmode::log::Level level, std::string_view message) {
            std::lock_guard lock(mutex_);
            entries_.push_back({level, std::string(message)});
        });
    }
    ~CapturedLog() {
        lendmode::log::setSink(std::move(sink_));
        lendmode::log::setThreshold(threshold_);
    }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    // The entries kept since the last call.
    std::vector<Entry> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(entries_, {});
    }

private:
    lendmode::log::Level threshold_;
    lendmode::log::Sink sink_;
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

}  // namespace testing_support
