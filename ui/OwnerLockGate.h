// The owner lock's gate in front of the owner authentication port. After three wrong
// answers in a row it asks no more until thirty seconds have passed since the third,
// so that a borrower cannot try one password after another; a right answer starts
// the count again, and so does the end of a wait. Every answer is logged.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/OwnerAuthentication.h"

namespace lendmode {

class OwnerLockGate {
public:
    enum class Result { Granted, Denied, Cancelled, Unavailable, Waiting };
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr int kAllowedFailures = 3;
    static constexpr std::chrono::seconds kWait{30};

    // Without an authentication every question is Unavailable.
    explicit OwnerLockGate(std::shared_ptr<platform::OwnerAuthentication> authentication,
                           Clock clock = std::chrono::steady_clock::now);

    // Asks the owner through the port, `reason` saying what for. Waiting, without
    // asking, while a wait runs. Cancelled, without asking, while a question is open
    // already: a modal prompt lets other events run, and one question is enough.
    Result authenticate(const std::string& reason);
    // How long until the owner may be asked again, in whole seconds rounded up; zero
    // when now.
    std::chrono::seconds waitLeft() const;

private:
    std::shared_ptr<platform::OwnerAuthentication> authentication_;
    Clock clock_;
    int failures_ = 0;  // wrong answers in a row
    std::chrono::steady_clock::time_point lastFailure_{};
    bool asking_ = false;
};

}  // namespace lendmode
