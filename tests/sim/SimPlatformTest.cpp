#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <fcntl.h>

#include <csignal>
#include <cstdio>

#include <filesystem>

#include "base/plist/PlistFile.h"
#include "model/BuildInfo.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "platform/sim/SimUrlHandlers.h"
#include "platform/sim/SimUserDefaultsStore.h"
#include "tests/support/TestSupport.h"

using lendmode::Preferences;
using testing_support::runShell;
using testing_support::runTool;
using testing_support::TempMac;

namespace {
std::shared_ptr<const sim::SimMac> share(const TempMac& t) {
    return std::make_shared<const sim::SimMac>(t.root());
}
}  // namespace

TEST(SimUserDefaults, LivesInTheProgramsDomainWhereDefaultsCanReadIt) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), lendmode::build::kBundleIdentifier);
    store.write("LM002", true);
    store.write("LM008", 1);
    EXPECT_EQ(store.file(),
              t.mac().preferencesDirectory() + "/" + lendmode::build::kBundleIdentifier + ".plist");
    const auto run = runTool(t.root(), {"defaults", "read", lendmode::build::kBundleIdentifier, "LM008"});
    if (run.out.empty()) GTEST_SKIP() << "defaults stand-in not built yet";
    EXPECT_EQ(run.out, "1\n");
}

TEST(SimUserDefaults, SeesChangesMadeByOtherProcesses) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.app");
    store.write("a", "one");
    EXPECT_EQ(store.read("a"), plist::Value("one"));
    // Another process rewrites the domain file behind the store's back.
    t.mac().updateDomain("com.example.app", false, [](plist::Dictionary& d) {
        d["a"] = "two";
        d["b"] = 2;
        return true;
    });
    EXPECT_EQ(store.read("a"), plist::Value("two"));
    EXPECT_EQ(store.read("b"), plist::Value(2));
    store.remove("a");
    EXPECT_FALSE(store.read("a").has_value());
    EXPECT_EQ(t.mac().readDomain("com.example.app")->count("b"), 1u)
        << "a write keeps the other process's keys";
}

TEST(SimUserDefaults, ACorruptDomainIsMovedAsideOnceAndNeverOverwritten) {
    TempMac t;
    const std::string file = t.mac().domainFile("com.example.bad", false);
    testing_support::writeTextFile(file, "garbage");
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.bad");
    EXPECT_FALSE(store.read("x").has_value());
    const auto aside = store.takeMovedAsideDamagedStore();
    ASSERT_TRUE(aside.has_value());
    EXPECT_EQ(aside->rfind(file + ".damaged-", 0), 0u);
    EXPECT_EQ(testing_support::readTextFile(*aside), "garbage");
    EXPECT_FALSE(store.takeMovedAsideDamagedStore()) << "reported once";
    EXPECT_TRUE(store.write("x", 1));
    EXPECT_EQ(t.mac().readDomain("com.example.bad")->at("x"), plist::Value(1));
}

TEST(SimUserDefaults, AStoreThatCannotBeReadIsNeverReplaced) {
    TempMac t;
    const std::string file = t.mac().domainFile("com.example.locked", false);
    // A folder where the file should be: it exists, and reading it fails.
    std::filesystem::create_directories(file);
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.locked");
    EXPECT_FALSE(store.read("x").has_value());
    EXPECT_FALSE(store.write("x", 1));
    EXPECT_FALSE(store.takeMovedAsideDamagedStore());
    EXPECT_TRUE(std::filesystem::is_directory(file));
}

// The largest value is kept encoded between writes and copied into each new file;
// every change around it, including one that makes the file need wider references,
// must leave it exactly as it was.
TEST(SimUserDefaults, TheLargestValueSurvivesEveryChangeAroundIt) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.sets");
    ASSERT_TRUE(store.write("small", 1));  // the largest until the sets come
    plist::Array sets;
    for (int i = 0; i < 12; ++i)
        sets.emplace_back(plist::Array{"App " + std::to_string(i), i % 2 == 0, "/p"});
    ASSERT_TRUE(store.write("sets", sets));
    ASSERT_TRUE(store.write("flag", true));
    ASSERT_TRUE(store.write("flag", false));
    EXPECT_EQ(store.read("sets"), plist::Value(sets));
    auto onDisk = t.mac().readDomain("com.example.sets");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->at("sets"), plist::Value(sets));
    EXPECT_EQ(onDisk->at("flag"), plist::Value(false));

    // A tick turns its byte over in the file itself, which stays the same file.
    struct stat before {};
    ASSERT_EQ(::stat(store.file().c_str(), &before), 0);
    (*sets[3].asArray())[1] = true;
    (*sets[4].asArray())[1] = false;
    ASSERT_TRUE(store.write("sets", sets));
    struct stat after {};
    ASSERT_EQ(::stat(store.file().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(t.mac().readDomain("com.example.sets")->at("sets"), plist::Value(sets));
    EXPECT_EQ(store.read("sets"), plist::Value(sets));

    // Past 256 objects the references take two bytes.
    plist::Dictionary many;
    for (int i = 0; i < 300; ++i) many["key " + std::to_string(i)] = i;
    ASSERT_TRUE(store.writeAll(many));
    onDisk = t.mac().readDomain("com.example.sets");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->at("sets"), plist::Value(sets));
    EXPECT_EQ(onDisk->at("key 299"), plist::Value(299));

    // A changed value is stored as changed, and the store reads it back.
    sets.pop_back();
    ASSERT_TRUE(store.write("sets", sets));
    ASSERT_TRUE(store.remove("key 0"));
    EXPECT_EQ(t.mac().readDomain("com.example.sets")->at("sets"), plist::Value(sets));
    EXPECT_EQ(platform::simulated::SimUserDefaultsStore(share(t), "com.example.sets").read("sets"),
              plist::Value(sets));

    // A larger value takes the place of the kept one, which stays as it was.
    const plist::Array larger(40, plist::Value(sets));
    ASSERT_TRUE(store.write("larger", larger));
    ASSERT_TRUE(store.write("flag", true));
    onDisk = t.mac().readDomain("com.example.sets");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->at("sets"), plist::Value(sets));
    EXPECT_EQ(onDisk->at("larger"), plist::Value(larger));
    EXPECT_EQ(onDisk->at("small"), plist::Value(1));
    EXPECT_EQ(store.read("sets"), plist::Value(sets));
    EXPECT_EQ(store.read("larger"), plist::Value(larger));
}

// A flag's change turns its one byte over in the file, which stays the same file; once
// another process has rewritten the file, the byte is looked for anew.
TEST(SimUserDefaults, AFlagIsTurnedOverInTheFileItself) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.flags");
    const plist::Array sets(20, plist::Value(plist::Array{"App", false, "/Applications/App.app"}));
    ASSERT_TRUE(store.writeAll({{"sets", sets}, {"on", true}, {"other", false}, {"name", "x"}}));
    const auto inode = [&] {
        struct stat st {};
        return ::stat(store.file().c_str(), &st) == 0 ? st.st_ino : 0;
    };
    const auto first = inode();
    // One write at a time: a file written anew may be given the inode freed before.
    ASSERT_TRUE(store.write("on", false));
    EXPECT_EQ(inode(), first);
    ASSERT_TRUE(store.write("other", true));
    EXPECT_EQ(inode(), first);
    auto onDisk = t.mac().readDomain("com.example.flags");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(*onDisk, (plist::Dictionary{{"sets", sets}, {"on", false}, {"other", true}, {"name", "x"}}));
    EXPECT_EQ(store.read("on"), plist::Value(false));

    // A value that is not a flag, or a flag that was something else, writes the file anew.
    ASSERT_TRUE(store.write("name", true));
    EXPECT_NE(inode(), first);

    t.mac().updateDomain("com.example.flags", false, [](plist::Dictionary& d) {
        d["a first key"] = plist::Array{"moves", "everything", "on"};
        return true;
    });
    ASSERT_TRUE(store.write("on", true));
    onDisk = t.mac().readDomain("com.example.flags");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->at("on"), plist::Value(true));
    EXPECT_EQ(onDisk->at("other"), plist::Value(true));
    EXPECT_EQ(onDisk->at("name"), plist::Value(true));
    EXPECT_EQ(onDisk->at("sets"), plist::Value(sets));
    EXPECT_EQ(onDisk->count("a first key"), 1u);
}

// A rewrite by another process that keeps the inode, the size and (touch -d) the
// modification time is still seen: the change time cannot be set back.
TEST(SimUserDefaults, ARewriteThatForgesTheInodeSizeAndTimeIsStillSeen) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.forged");
    const plist::Array sets(20, plist::Value(plist::Array{"App", false, "/Applications/App.app"}));
    ASSERT_TRUE(store.writeAll({{"sets", sets}, {"ab", false}, {"on", true}}));
    ASSERT_TRUE(store.write("ab", true));  // the flags' places in the file are known now
    struct stat before {};
    ASSERT_EQ(::stat(store.file().c_str(), &before), 0);
    // The same shape, other keys: "on" is where "ab" was, and "zz" where "on" was.
    const std::string forged = plist::serialize(
        plist::Value(plist::Dictionary{{"sets", sets}, {"on", true}, {"zz", true}}), plist::Format::Binary);
    ASSERT_EQ(static_cast<off_t>(forged.size()), before.st_size);
    {
        std::FILE* file = std::fopen(store.file().c_str(), "r+b");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(forged.data(), 1, forged.size(), file), forged.size());
        std::fclose(file);
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, store.file().c_str(), times, 0), 0);
    struct stat after {};
    ASSERT_EQ(::stat(store.file().c_str(), &after), 0);
    ASSERT_EQ(after.st_ino, before.st_ino);

    ASSERT_TRUE(store.write("on", false));
    const auto onDisk = t.mac().readDomain("com.example.forged");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(*onDisk, (plist::Dictionary{{"sets", sets}, {"on", false}, {"zz", true}}))
        << "a byte turned where the old file had its flag lands on another value";
}

// A file that cannot be written anew (here: past the size this process may write)
// leaves the store as it was, the sets kept encoded included; it goes on from there.
TEST(SimUserDefaults, AFailedWriteLeavesTheStoreAsItWas) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.full");
    plist::Array sets;
    for (int i = 0; i < 200; ++i) sets.emplace_back(plist::Array{"App " + std::to_string(i), false, "/p"});
    ASSERT_TRUE(store.writeAll({{"sets", sets}, {"flag", true}}));
    ASSERT_TRUE(store.write("flag", false));  // the sets are now kept encoded, not decoded

    // A tick beside another value: the kept encoding is taken for the new file and
    // its byte turned there.
    plist::Array ticked = sets;
    (*ticked[5].asArray())[1] = true;
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 512;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = store.writeAll({{"sets", ticked}, {"other", 1}});
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &before), 0);
    EXPECT_FALSE(written);

    EXPECT_EQ(store.read("sets"), plist::Value(sets));
    EXPECT_FALSE(store.read("other").has_value());
    ASSERT_TRUE(store.write("flag", true));
    ASSERT_TRUE(store.writeAll({{"sets", ticked}, {"other", 1}}));
    const auto onDisk = t.mac().readDomain("com.example.full");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(*onDisk, (plist::Dictionary{{"sets", ticked}, {"flag", true}, {"other", 1}}));
}

TEST(SimUrlHandlers, ReadsAndSetsTheHandlerTable) {
    TempMac t;
    platform::simulated::SimUrlHandlers handlers(share(t));
    EXPECT_EQ(handlers.allHandlers("http")->size(), 3u);
    EXPECT_FALSE(handlers.allHandlers("gopher").has_value());
    EXPECT_EQ(handlers.defaultHandler("http"), "com.google.Chrome");
    handlers.setDefaultHandler("http", "com.apple.Safari");
    EXPECT_EQ(t.mac().defaultHandler("http"), "com.apple.Safari");
    EXPECT_EQ(t.mac().defaultHandler("https"), "com.google.Chrome");
}

TEST(SimPorts, AppleScriptRunsInProcessAgainstTheMac) {
    TempMac t;
    Preferences& prefs = Preferences::resetShared(platform::simulated::portsFor(t.root()));
    EXPECT_EQ(prefs.runAppleScript("if application \"Slack\" is running then\n quit application \"Slack\"\n "
                                   "return 1\n end if\n return 0\n"),
              "1");
    EXPECT_FALSE(t.mac().isRunning("Slack"));
    EXPECT_EQ(prefs.runAppleScript("this does not compile\n"), "");
    Preferences::resetShared();
}
