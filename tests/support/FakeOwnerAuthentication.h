// An owner authentication that answers from a script of outcomes and records every
// reason it was asked with.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/OwnerAuthentication.h"

namespace testing_support {

class FakeOwnerAuthentication : public platform::OwnerAuthentication {
public:
    // The answers still to give, first first; Denied once they run out.
    std::deque<Outcome> answers;
    std::vector<std::string> reasons;
    // Runs while the question is open, as other events may during a modal prompt.
    std::function<void()> whileAsking;

    Outcome authenticate(const std::string& reason) override {
        reasons.push_back(reason);
        if (whileAsking) whileAsking();
        if (answers.empty()) return Outcome::Denied;
        const Outcome next = answers.front();
        answers.pop_front();
        return next;
    }
};

}  // namespace testing_support
