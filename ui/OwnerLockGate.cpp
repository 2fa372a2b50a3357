#include "ui/OwnerLockGate.h"

#include "base/Log.h"

namespace lendmode {

OwnerLockGate::OwnerLockGate(std::shared_ptr<platform::OwnerAuthentication> authentication, Clock clock)
    : authentication_(std::move(authentication)), clock_(std::move(clock)) {}

std::chrono::seconds OwnerLockGate::waitLeft() const {
    if (failures_ < kAllowedFailures) return std::chrono::seconds(0);
    const auto left = kWait - (clock_() - lastFailure_);
    if (left <= std::chrono::steady_clock::duration::zero()) return std::chrono::seconds(0);
    return std::chrono::ceil<std::chrono::seconds>(left);
}

OwnerLockGate::Result OwnerLockGate::authenticate(const std::string& reason) {
    using Outcome = platform::OwnerAuthentication::Outcome;
    if (asking_) {
        log::info("owner authentication not asked: a question is open already");
        return Result::Cancelled;
    }
    if (const std::chrono::seconds wait = waitLeft(); wait.count() > 0) {
        log::error("owner authentication refused: wait " + std::to_string(wait.count()) + " s");
        return Result::Waiting;
    }
    if (failures_ >= kAllowedFailures) failures_ = 0;  // the wait is over
    if (!authentication_) {
        log::error("owner authentication unavailable");
        return Result::Unavailable;
    }

    const Outcome outcome = [&] {
        asking_ = true;
        const struct Done {
            bool& asking;
            ~Done() { asking = false; }
        } done{asking_};
        return authentication_->authenticate(reason);
    }();
    switch (outcome) {
        case Outcome::Granted:
            failures_ = 0;
            log::info("owner authentication succeeded");
            return Result::Granted;
        case Outcome::Denied: {
            ++failures_;
            std::string line = "owner authentication failed (" + std::to_string(failures_) + " of " +
                               std::to_string(kAllowedFailures) + ")";
            if (failures_ >= kAllowedFailures) {
                lastFailure_ = clock_();
                line += "; asking again in " + std::to_string(kWait.count()) + " s";
            }
            log::error(line);
            return Result::Denied;
        }
        case Outcome::Cancelled: log::info("owner authentication cancelled"); return Result::Cancelled;
        case Outcome::Unavailable: break;
    }
    log::error("owner authentication unavailable");
    return Result::Unavailable;
}

}  // namespace lendmode
