#include <gtest/gtest.h>

#include "engine/DefaultBrowser.h"
#include "tests/support/Fakes.h"

using namespace lendmode;
using testing_support::FakeUrlHandlers;

namespace {

FakeUrlHandlers browsers(const std::string& defaultId) {
    FakeUrlHandlers h;
    h.all = std::vector<std::string>{"com.apple.Safari", "com.google.Chrome", "org.mozilla.firefox"};
    h.defaults["http"] = defaultId;
    h.defaults["https"] = defaultId;
    return h;
}

}  // namespace

TEST(DefaultBrowser, ShortNamesAreTheLastComponent) {
    EXPECT_EQ(BundleShortName(std::string("com.apple.Safari")), "Safari");
    EXPECT_EQ(BundleShortName(std::string("Safari")), "Safari");
    EXPECT_EQ(BundleShortName(std::string("com.example.")), "");
    EXPECT_FALSE(BundleShortName(std::nullopt).has_value());
}

TEST(DefaultBrowser, TableIsKeyedByLowerCaseShortNameAndTheLaterHandlerWins) {
    FakeUrlHandlers h;
    h.all = std::vector<std::string>{"com.apple.Safari", "com.other.safari", "org.mozilla.firefox"};
    const auto table = HTTPHandlersByName(h);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at("safari"), "com.other.safari");
    h.all = std::nullopt;
    EXPECT_TRUE(HTTPHandlersByName(h).empty());
}

TEST(DefaultBrowser, NameOfTheDefaultKeepsLetterCase) {
    FakeUrlHandlers h = browsers("com.google.Chrome");
    EXPECT_EQ(DefaultBrowserName(h), "Chrome");
    h.defaults.clear();
    EXPECT_FALSE(DefaultBrowserName(h).has_value());
}

// The answer the request got, or nothing when none came.
std::optional<BrowserAnswer> request(FakeUrlHandlers& h, const std::optional<std::string>& name,
                                     const std::optional<std::string>& https = std::nullopt) {
    std::optional<BrowserAnswer> got;
    RequestDefaultBrowser(name, https, h, nullptr, [&got](BrowserAnswer a) { got = a; });
    return got;
}

TEST(DefaultBrowser, SafariBecomesTheDefaultForBothSchemesWithOneRequestEach) {
    FakeUrlHandlers h = browsers("com.google.Chrome");
    EXPECT_EQ(request(h, std::string("Safari")), BrowserAnswer::Changed);
    EXPECT_EQ(h.defaults["http"], "com.apple.Safari");
    EXPECT_EQ(h.defaults["https"], "com.apple.Safari");
    EXPECT_EQ(h.setCount, 2);
}

TEST(DefaultBrowser, OnlyWhatDiffersIsAskedFor) {
    FakeUrlHandlers h = browsers("com.apple.Safari");
    EXPECT_EQ(request(h, std::string("Safari")), BrowserAnswer::AlreadySo);
    EXPECT_EQ(h.setCount, 0);
    // http is so already: https alone is asked for, to the handler wanted for it.
    EXPECT_EQ(request(h, std::string("Safari"), std::string("com.google.Chrome")), BrowserAnswer::AlreadySo);
    EXPECT_EQ(h.setCount, 1);
    EXPECT_EQ(h.defaults["https"], "com.google.Chrome");
    EXPECT_EQ(h.defaults["http"], "com.apple.Safari");
}

TEST(DefaultBrowser, AnOwnerWhoKeepsTheOldBrowserIsNotAskedAgainForHttps) {
    FakeUrlHandlers h = browsers("com.google.Chrome");
    h.answer = false;
    EXPECT_EQ(request(h, std::string("Safari")), BrowserAnswer::Kept);
    EXPECT_EQ(h.setCount, 1);
    EXPECT_EQ(h.defaults["https"], "com.google.Chrome");
}

TEST(DefaultBrowser, HttpsWaitsForTheAnswerAboutHttp) {
    FakeUrlHandlers h = browsers("com.google.Chrome");
    h.answer = std::nullopt;  // the question stays open
    EXPECT_FALSE(request(h, std::string("Safari")).has_value());
    EXPECT_EQ(h.setCount, 1);
    // The owner agrees later: only then is https compared, and asked for.
    h.answer = true;
    h.defaults["http"] = "com.apple.Safari";
    auto done = std::move(h.open.front());
    done(true);
    EXPECT_EQ(h.setCount, 2);
    EXPECT_EQ(h.defaults["https"], "com.apple.Safari");
}

TEST(DefaultBrowser, UnknownOrMissingNamesAskNothing) {
    FakeUrlHandlers h = browsers("com.google.Chrome");
    EXPECT_EQ(request(h, std::string("NoBrowser")), BrowserAnswer::NoSuchBrowser);
    EXPECT_EQ(request(h, std::nullopt), BrowserAnswer::NoSuchBrowser);
    h.all = std::nullopt;
    EXPECT_EQ(request(h, std::string("Safari")), BrowserAnswer::NoSuchBrowser);
    EXPECT_EQ(h.setCount, 0);
    // A name in another case finds its browser.
    h = browsers("com.google.Chrome");
    EXPECT_EQ(request(h, std::string("safari")), BrowserAnswer::Changed);
}
