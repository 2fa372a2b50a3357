#include "model/Loan.h"

#include <algorithm>

#include "base/EnvironmentDuration.h"
#include "model/Keys.h"

namespace lendmode {

Loan::Loan(Clocks clocks, std::optional<Milliseconds> second)
    : clocks_(std::move(clocks)),
      second_(second && second->count() > 0 ? std::min(*second, Milliseconds(1000)) : Milliseconds(1000)) {}

Loan Loan::fromEnvironment() {
    return Loan({}, millisecondsFromEnvironment("LENDMODE_LOAN_SECOND_MS"));
}

plist::Dictionary Loan::startCounting(std::optional<Seconds> length) {
    warned_ = false;
    if (!length) {
        end_.reset();
        length_ = Seconds(0);
        return {{keys::kLoanLength, 0}};
    }
    length_ = std::clamp(*length, kShortest, kLongest);
    const auto real = second_ * length_.count();
    end_ = clocks_.steady() + real;
    wallEnd_ = clocks_.wall() + real;
    const double since1970 = std::chrono::duration<double>(wallEnd_.time_since_epoch()).count();
    return {{keys::kLoanEnd, plist::Date{since1970}}, {keys::kLoanLength, length_.count()}};
}

plist::Dictionary Loan::begin() {
    return startCounting(chosen_);
}

plist::Dictionary Loan::change(std::optional<Seconds> length) {
    chosen_ = length;
    return startCounting(length);
}

bool Loan::resume(const plist::Dictionary& record) {
    const auto stored = record.find(keys::kLoanEnd);
    const auto length = record.find(keys::kLoanLength);
    if (stored == record.end() || !stored->second.isDate() || length == record.end() ||
        !length->second.isInteger() || length->second.integerValue() <= 0) {
        end();
        return false;
    }
    length_ = std::clamp(Seconds(length->second.integerValue()), kShortest, kLongest);
    const auto wallEnd =
        std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::duration<double>(stored->second.asDate()->secondsSince1970)));
    // A clock set back since cannot give more than the loan's whole length.
    const auto real = std::clamp<std::chrono::system_clock::duration>(
        wallEnd - clocks_.wall(), std::chrono::system_clock::duration::zero(), second_ * length_.count());
    end_ = clocks_.steady() + real;
    wallEnd_ = wallEnd;
    chosen_ = length_;
    warned_ = false;
    return true;
}

void Loan::end() {
    end_.reset();
    length_ = Seconds(0);
    warned_ = false;
}

std::optional<Loan::Milliseconds> Loan::left() const {
    if (!end_) return std::nullopt;
    const auto real = std::min(std::chrono::duration_cast<Milliseconds>(*end_ - clocks_.steady()),
                               std::chrono::duration_cast<Milliseconds>(wallEnd_ - clocks_.wall()));
    if (real.count() <= 0) return Milliseconds(0);
    // In the loan's own seconds.
    return Milliseconds(real.count() * 1000 / second_.count());
}

const std::vector<LoanChoice>& loanChoices() {
    static const std::vector<LoanChoice> choices{
        {"for 15 min", Loan::Seconds(15 * 60)}, {"for 30 min", Loan::Seconds(30 * 60)},
        {"for 1 hour", Loan::Seconds(3600)},    {"for 2 hours", Loan::Seconds(2 * 3600)},
        {"until I switch off", std::nullopt},
    };
    return choices;
}

std::string timeLeftText(Loan::Milliseconds left) {
    const long long seconds = (std::max<long long>(left.count(), 0) + 999) / 1000;
    if (seconds < 60) return std::to_string(seconds) + " s";
    const long long minutes = (seconds + 59) / 60;
    if (minutes < 60) return std::to_string(minutes) + " min";
    const long long hours = minutes / 60;
    const long long rest = minutes % 60;
    return std::to_string(hours) + " h" + (rest ? " " + std::to_string(rest) + " min" : "");
}

std::string loanLengthText(Loan::Seconds length) {
    const long long total = std::max<long long>(length.count(), 0);
    std::string text;
    const auto add = [&text](long long count, const char* unit) {
        if (count == 0) return;
        text += (text.empty() ? "" : " ") + std::to_string(count) + " " + unit;
    };
    add(total / 3600, "h");
    add(total % 3600 / 60, "min");
    add(total % 60, "s");
    return text.empty() ? "0 s" : text;
}

}  // namespace lendmode
