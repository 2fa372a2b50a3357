#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/NotificationCenter.h"

using lendmode::NotificationCenter;

TEST(NotificationCenter, DeliversToEveryObserverOfTheNameBeforePostReturns) {
    NotificationCenter center;
    std::vector<std::string> calls;
    int a = 0, b = 0, c = 0;
    center.addObserver(&a, "VVVN1", [&] { calls.push_back("a"); });
    center.addObserver(&b, "VVVN1", [&] { calls.push_back("b"); });
    center.addObserver(&c, "VVVN2", [&] { calls.push_back("c"); });
    center.post("VVVN1");
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "b"}));
    center.post("VVVN3");
    EXPECT_EQ(calls.size(), 2u);
}

TEST(NotificationCenter, RemovingByNameLeavesOtherNames) {
    NotificationCenter center;
    int hits = 0, owner = 0;
    center.addObserver(&owner, "VVVN1", [&] { ++hits; });
    center.addObserver(&owner, "VVVN2", [&] { hits += 10; });
    center.removeObserver(&owner, "VVVN1");
    center.post("VVVN1");
    center.post("VVVN2");
    EXPECT_EQ(hits, 10);
    center.removeObserver(&owner);
    center.post("VVVN2");
    EXPECT_EQ(hits, 10);
}

TEST(NotificationCenter, ObserverMayRemoveItselfOrAnotherDuringAPost) {
    NotificationCenter center;
    int first = 0, second = 0, third = 0;
    std::vector<std::string> calls;
    center.addObserver(&first, "N", [&] {
        calls.push_back("first");
        center.removeObserver(&first);   // itself: its own handler keeps running safely
        center.removeObserver(&second);  // another, not yet called in this post
    });
    center.addObserver(&second, "N", [&] { calls.push_back("second"); });
    center.addObserver(&third, "N", [&] { calls.push_back("third"); });
    center.post("N");
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "third"}));
    calls.clear();
    center.post("N");
    EXPECT_EQ(calls, (std::vector<std::string>{"third"}));
}

TEST(NotificationCenter, ObserverAddedDuringAPostWaitsForTheNextOne) {
    NotificationCenter center;
    int owner = 0, late = 0, lateCalls = 0;
    center.addObserver(&owner, "N", [&] {
        if (center.observerCount("N") == 1) center.addObserver(&late, "N", [&] { ++lateCalls; });
    });
    center.post("N");
    EXPECT_EQ(lateCalls, 0);
    center.post("N");
    EXPECT_EQ(lateCalls, 1);
}

TEST(NotificationCenter, NestedPostsAreDeliveredInside) {
    NotificationCenter center;
    std::vector<std::string> calls;
    int a = 0, b = 0;
    center.addObserver(&a, "outer", [&] {
        calls.push_back("outer");
        center.post("inner");
        calls.push_back("outer done");
    });
    center.addObserver(&b, "inner", [&] { calls.push_back("inner"); });
    center.post("outer");
    EXPECT_EQ(calls, (std::vector<std::string>{"outer", "inner", "outer done"}));
}
