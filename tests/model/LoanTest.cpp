// A loan for a while counts on the monotonic clock while the program runs and on the
// stored wall-clock end across a restart, never longer than its length.
#include "model/Loan.h"

#include <gtest/gtest.h>

#include "model/Keys.h"

using lendmode::Loan;
using std::chrono::hours;
using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::seconds;

namespace {

struct Clocks {
    std::chrono::steady_clock::time_point steady{hours(5)};
    std::chrono::system_clock::time_point wall{hours(400'000)};
    lendmode::LoanClocks clocks() {
        return {[this] { return steady; }, [this] { return wall; }};
    }
    void pass(std::chrono::seconds d) {
        steady += d;
        wall += d;
    }
};

}  // namespace

TEST(Loan, ItCountsOnTheMonotonicClockSoAClockSetBackDoesNotLengthenIt) {
    Clocks c;
    Loan loan(c.clocks());
    EXPECT_EQ(loan.begin(), (plist::Dictionary{{lendmode::keys::kLoanLength, 0}})) << "no time chosen";
    EXPECT_FALSE(loan.timed());

    loan.choose(minutes(30));
    const plist::Dictionary record = loan.begin();
    EXPECT_EQ(record.at(lendmode::keys::kLoanLength), plist::Value(1800));
    EXPECT_EQ(record.at(lendmode::keys::kLoanEnd).asDate()->secondsSince1970,
              std::chrono::duration<double>((c.wall + minutes(30)).time_since_epoch()).count());
    c.pass(minutes(10));
    c.wall -= hours(3);  // the wall clock set back
    EXPECT_EQ(loan.left(), milliseconds(minutes(20)));
    c.pass(minutes(20));
    EXPECT_TRUE(loan.over());
    EXPECT_EQ(loan.left(), milliseconds(0));

    // A monotonic clock that stood still while the computer slept: the wall clock ends it.
    loan.choose(minutes(30));
    (void)loan.begin();
    c.wall += minutes(31);
    EXPECT_TRUE(loan.over());
}

TEST(Loan, AfterARestartItGoesOnFromTheStoredEndForNoLongerThanItsLength) {
    Clocks c;
    Loan before(c.clocks());
    before.choose(minutes(30));
    const plist::Dictionary record = before.begin();

    c.pass(minutes(12));
    Loan after(c.clocks());
    ASSERT_TRUE(after.resume(record));
    EXPECT_EQ(after.left(), milliseconds(minutes(18)));
    EXPECT_EQ(after.length(), seconds(1800));

    c.wall -= hours(5);  // set back while no Lendmode ran
    Loan setBack(c.clocks());
    ASSERT_TRUE(setBack.resume(record));
    EXPECT_EQ(setBack.left(), milliseconds(minutes(30))) << "at most the loan's whole length";

    c.wall += hours(6);
    Loan late(c.clocks());
    ASSERT_TRUE(late.resume(record));
    EXPECT_TRUE(late.over());

    Loan untimed(c.clocks());
    EXPECT_FALSE(untimed.resume({{lendmode::keys::kLoanLength, 0}}));
    EXPECT_FALSE(untimed.resume({{lendmode::keys::kLoanLength, 600}})) << "no end stored";
    EXPECT_FALSE(untimed.timed());
}

TEST(Loan, ItsTimeLeftIsRoundedUpAndAShorterSecondIsOnlyEverShorter) {
    EXPECT_EQ(lendmode::timeLeftText(milliseconds(0)), "0 s");
    EXPECT_EQ(lendmode::timeLeftText(milliseconds(44'001)), "45 s");
    EXPECT_EQ(lendmode::timeLeftText(milliseconds(60'000)), "1 min");
    EXPECT_EQ(lendmode::timeLeftText(milliseconds(60'001)), "2 min");
    EXPECT_EQ(lendmode::timeLeftText(minutes(60)), "1 h");
    EXPECT_EQ(lendmode::timeLeftText(minutes(89) + seconds(1)), "1 h 30 min");
    EXPECT_EQ(lendmode::loanLengthText(seconds(90)), "1 min 30 s");
    EXPECT_EQ(lendmode::loanLengthText(hours(2)), "2 h");

    Clocks c;
    Loan fast(c.clocks(), milliseconds(10));
    fast.choose(seconds(90));
    (void)fast.begin();
    c.steady += milliseconds(300);  // 30 of its seconds
    EXPECT_EQ(fast.left(), milliseconds(seconds(60)));
    Loan slow(c.clocks(), milliseconds(5000));
    EXPECT_EQ(slow.second(), milliseconds(1000));
}
