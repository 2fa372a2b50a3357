#include "model/SwitchProgress.h"

#include <algorithm>
#include <utility>

#include "model/Keys.h"
#include "model/NotificationCenter.h"

namespace lendmode {

SwitchProgress::Scope::Scope(SwitchProgress& progress, bool on, int steps)
    : progress_(progress), outer_(!progress.underWay()) {
    if (!outer_) {
        progress_.addSteps(steps);
        return;
    }
    // Posted from its first step on: the start itself changes nothing to show yet.
    progress_.now_ = Now{on, std::string(), 0, std::max(steps, 0), std::string()};
}

SwitchProgress::Scope::~Scope() {
    if (!outer_) return;
    progress_.now_.reset();
    progress_.post();
}

void SwitchProgress::step(std::string text) {
    if (!now_) return;
    now_->step = std::move(text);
    now_->done = std::min(now_->done + 1, std::max(now_->total, 1));
    post();
}

void SwitchProgress::addSteps(int steps) {
    if (now_ && steps > 0) now_->total += steps;
}

void SwitchProgress::beginQuit(const std::string& application) {
    if (!now_) return;
    skip_ = false;
    now_->quitting = application;
    step("Quitting " + application + "\u2026");
}

void SwitchProgress::endQuit() {
    if (!now_) return;
    now_->quitting.clear();
    skip_ = false;
}

void SwitchProgress::post() const {
    NotificationCenter::defaultCenter().post(notifications::kSwitchProgress);
}

}  // namespace lendmode
