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

TEST(DefaultBrowser, SafariBecomesTheDefaultForBothSchemes) {
    FakeUrlHandlers h = browsers("com.google.Chrome");
    EXPECT_TRUE(SetDefaultBrowser(std::string("Safari"), h));
    EXPECT_EQ(h.defaults["http"], "com.apple.Safari");
    EXPECT_EQ(h.defaults["https"], "com.apple.Safari");
}

TEST(DefaultBrowser, AnExactMatchOfTheCurrentDefaultChangesNothing) {
    FakeUrlHandlers h = browsers("com.apple.Safari");
    h.defaults["https"] = "com.google.Chrome";
    EXPECT_TRUE(SetDefaultBrowser(std::string("Safari"), h));
    EXPECT_EQ(h.setCount, 0);
    EXPECT_EQ(h.defaults["https"], "com.google.Chrome");
}

TEST(DefaultBrowser, ALowerCaseNameSetsSafariAgainForBothSchemes) {
    FakeUrlHandlers h = browsers("com.apple.Safari");
    h.defaults["https"] = "com.google.Chrome";
    EXPECT_TRUE(SetDefaultBrowser(std::string("safari"), h));
    EXPECT_EQ(h.setCount, 2);
    EXPECT_EQ(h.defaults["https"], "com.apple.Safari");
}

TEST(DefaultBrowser, UnknownOrMissingNamesChangeNothing) {
    FakeUrlHandlers h = browsers("com.google.Chrome");
    EXPECT_FALSE(SetDefaultBrowser(std::string("NoBrowser"), h));
    EXPECT_FALSE(SetDefaultBrowser(std::nullopt, h));
    h.all = std::nullopt;
    EXPECT_FALSE(SetDefaultBrowser(std::string("Safari"), h));
    EXPECT_EQ(h.setCount, 0);
}
