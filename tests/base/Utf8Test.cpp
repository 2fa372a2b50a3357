#include <gtest/gtest.h>

#include <string>

#include "base/Utf8.h"

using lendmode::isValidUtf8;

// Validation skips ASCII a word at a time: every sequence must be judged wherever it
// falls, at the start, across a word's edge, and in the short tail.
TEST(Utf8, EverySequenceIsJudgedWhereverItFalls) {
    const std::string valid[] = {"é", "€", "😀", "\xF4\x8F\xBF\xBF"};  // the last is U+10FFFF
    const std::string invalid[] = {
        "\xC0\xAF",          // an overlong '/'
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\x80",              // a continuation alone
        "\xE2\x82",          // cut short
        "\xFF",
    };
    for (std::size_t before = 0; before < 12; ++before) {
        const std::string pad(before, 'a');
        EXPECT_TRUE(isValidUtf8(pad));
        for (const std::string& s : valid) {
            EXPECT_TRUE(isValidUtf8(pad + s + "/Applications/X.app\n")) << before;
            EXPECT_TRUE(isValidUtf8(pad + s)) << before;
        }
        for (const std::string& s : invalid) {
            EXPECT_FALSE(isValidUtf8(pad + s + "/Applications/X.app\n")) << before;
            EXPECT_FALSE(isValidUtf8(pad + s)) << before;
        }
    }
    EXPECT_TRUE(isValidUtf8(""));
}
