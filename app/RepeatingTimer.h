// A repeating timer on the main thread. The program uses a QTimer; tests use one they
// fire by hand, so that a day's refresh needs no day.
#pragma once

#include <QTimer>
#include <chrono>
#include <functional>

namespace lendmode {

class RepeatingTimer {
public:
    virtual ~RepeatingTimer() = default;
    // Calls tick every interval, the first time one interval from now.
    virtual void start(std::chrono::seconds interval, std::function<void()> tick) = 0;
};

class QtRepeatingTimer : public RepeatingTimer {
public:
    void start(std::chrono::seconds interval, std::function<void()> tick) override {
        timer_.setTimerType(Qt::VeryCoarseTimer);
        timer_.setInterval(std::chrono::duration_cast<std::chrono::milliseconds>(interval));
        QObject::connect(&timer_, &QTimer::timeout, std::move(tick));
        timer_.start();
    }

private:
    QTimer timer_;
};

}  // namespace lendmode
