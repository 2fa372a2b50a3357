// A loan for a while: Lendmode on for a chosen time, then off by itself with the screen
// locked. While the program runs the time left is counted on the monotonic clock, so
// that a clock set back cannot lengthen a loan, and never past the wall-clock end
// either (a monotonic clock may stand still while the computer sleeps); the wall-clock
// end is what is stored, for a later start to go on from (never past the stored length).
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/plist/Value.h"

namespace lendmode {

// The clocks a loan counts on; tests give their own.
struct LoanClocks {
    std::function<std::chrono::steady_clock::time_point()> steady = std::chrono::steady_clock::now;
    std::function<std::chrono::system_clock::time_point()> wall = std::chrono::system_clock::now;
};

class Loan {
public:
    using Seconds = std::chrono::seconds;
    using Milliseconds = std::chrono::milliseconds;
    using Clocks = LoanClocks;
    // The lengths a loan may have: one second to a day.
    static constexpr Seconds kShortest{1};
    static constexpr Seconds kLongest{24 * 3600};
    // How long before its end the borrower is told.
    static constexpr Seconds kWarning{60};

    // `second`: how long a second of a loan lasts; tests shorten it (only ever shorter).
    explicit Loan(Clocks clocks = {}, std::optional<Milliseconds> second = std::nullopt);
    // The program's: a second as LENDMODE_LOAN_SECOND_MS says, else a second.
    static Loan fromEnvironment();

    // The length the next switch-on lends the Mac for; nothing for "until I switch off".
    void choose(std::optional<Seconds> length) { chosen_ = length; }
    std::optional<Seconds> chosen() const { return chosen_; }

    // The switch-on: counting the chosen length starts now. What the switch-on record
    // stores of it (a length of 0 for a loan without a time).
    plist::Dictionary begin();
    // A change while on: `length` from now, or no time at all. What to store of it.
    plist::Dictionary change(std::optional<Seconds> length);
    // A start that finds the guest settings on: counting goes on from the record's end,
    // for no longer than its length. False when the record holds no time.
    bool resume(const plist::Dictionary& record);
    // Switched off: nothing is counted any more.
    void end();

    // Counting a time (Lendmode is on for a while).
    bool timed() const { return end_.has_value(); }
    // The length of the running loan; nothing when it has no time.
    std::optional<Seconds> length() const { return timed() ? std::optional(length_) : std::nullopt; }
    // The time left in seconds of the loan (zero once over); nothing without a time.
    std::optional<Milliseconds> left() const;
    bool over() const { return timed() && left()->count() == 0; }
    // How long one of its seconds lasts (a second, but for tests).
    Milliseconds second() const { return second_; }
    // Whether the borrower has been told of the end (once per loan).
    bool warned() const { return warned_; }
    void setWarned() { warned_ = true; }

private:
    plist::Dictionary startCounting(std::optional<Seconds> length);

    Clocks clocks_;
    Milliseconds second_;
    std::optional<Seconds> chosen_;
    std::optional<std::chrono::steady_clock::time_point> end_;
    std::chrono::system_clock::time_point wallEnd_;
    Seconds length_{0};
    bool warned_ = false;
};

// The choices the popover offers, the last (no time) the default.
struct LoanChoice {
    const char* caption;
    std::optional<Loan::Seconds> length;
};
const std::vector<LoanChoice>& loanChoices();

// A short text of a time left: "45 s", "29 min", "1 h 30 min" (rounded up, so that it
// never says less than is left).
std::string timeLeftText(Loan::Milliseconds left);
// A loan's length as it was given: "1 min 30 s", "30 min", "2 h".
std::string loanLengthText(Loan::Seconds length);

}  // namespace lendmode
