#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fcntl.h>

#include <cstdio>

#include <filesystem>
#include <iterator>

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
    EXPECT_FALSE(store.writeAll({{"x", 1}, {"y", 2}}));
    EXPECT_FALSE(store.remove("x"));
    EXPECT_FALSE(store.takeMovedAsideDamagedStore());
    EXPECT_TRUE(std::filesystem::is_directory(file));
}

// Every change writes the whole file anew: what it does not touch must come through
// each one as it was, also when the file comes to need wider references, and another
// store (another process) must read the same from the file.
TEST(SimUserDefaults, TheSetsSurviveEveryChangeAroundThem) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.sets");
    const auto another = [&t] {
        return platform::simulated::SimUserDefaultsStore(share(t), "com.example.sets");
    };
    ASSERT_TRUE(store.write("small", 1));
    plist::Array sets;
    for (int i = 0; i < 12; ++i)
        sets.emplace_back(plist::Array{"App " + std::to_string(i), i % 2 == 0, "/p"});
    ASSERT_TRUE(store.write("sets", sets));
    ASSERT_TRUE(store.write("flag", true));
    ASSERT_TRUE(store.write("flag", false));
    EXPECT_EQ(store.read("sets"), plist::Value(sets));
    auto onDisk = t.mac().readDomain("com.example.sets");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(*onDisk, (plist::Dictionary{{"small", 1}, {"sets", sets}, {"flag", false}}));

    // A tick and an untick inside the sets: the file holds both, and so does what
    // another store reads from it.
    (*sets[3].asArray())[1] = true;
    (*sets[4].asArray())[1] = false;
    ASSERT_TRUE(store.write("sets", sets));
    EXPECT_EQ(t.mac().readDomain("com.example.sets")->at("sets"), plist::Value(sets));
    EXPECT_EQ(another().read("sets"), plist::Value(sets));
    EXPECT_EQ(store.read("sets"), plist::Value(sets));

    // Past 256 objects the references take two bytes.
    plist::Dictionary many;
    for (int i = 0; i < 300; ++i) many["key " + std::to_string(i)] = i;
    ASSERT_TRUE(store.writeAll(many));
    onDisk = t.mac().readDomain("com.example.sets");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->at("sets"), plist::Value(sets));
    EXPECT_EQ(onDisk->at("key 299"), plist::Value(299));
    EXPECT_EQ(onDisk->size(), 3u + 300u);

    // A changed value is stored as changed, and a removed key is gone from the file.
    sets.pop_back();
    ASSERT_TRUE(store.write("sets", sets));
    ASSERT_TRUE(store.remove("key 0"));
    onDisk = t.mac().readDomain("com.example.sets");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->at("sets"), plist::Value(sets));
    EXPECT_EQ(onDisk->count("key 0"), 0u);
    EXPECT_EQ(another().read("sets"), plist::Value(sets));
    EXPECT_FALSE(another().read("key 0").has_value());

    // A larger value beside them leaves them as they were.
    const plist::Array larger(40, plist::Value(sets));
    ASSERT_TRUE(store.write("larger", larger));
    ASSERT_TRUE(store.write("flag", true));
    onDisk = t.mac().readDomain("com.example.sets");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->at("sets"), plist::Value(sets));
    EXPECT_EQ(onDisk->at("larger"), plist::Value(larger));
    EXPECT_EQ(onDisk->at("small"), plist::Value(1));
    EXPECT_EQ(onDisk->at("flag"), plist::Value(true));
    EXPECT_EQ(store.read("sets"), plist::Value(sets));
    EXPECT_EQ(store.read("larger"), plist::Value(larger));
}

// A flag's change stores the flag and keeps every other value, including a key another
// process added since the store last wrote.
TEST(SimUserDefaults, AFlagChangeKeepsEverythingElseInTheFile) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.flags");
    const plist::Array sets(20, plist::Value(plist::Array{"App", false, "/Applications/App.app"}));
    ASSERT_TRUE(store.writeAll({{"sets", sets}, {"on", true}, {"other", false}, {"name", "x"}}));
    ASSERT_TRUE(store.write("on", false));
    ASSERT_TRUE(store.write("other", true));
    auto onDisk = t.mac().readDomain("com.example.flags");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(*onDisk, (plist::Dictionary{{"sets", sets}, {"on", false}, {"other", true}, {"name", "x"}}));
    EXPECT_EQ(store.read("on"), plist::Value(false));
    platform::simulated::SimUserDefaultsStore second(share(t), "com.example.flags");
    EXPECT_EQ(second.read("on"), plist::Value(false));
    EXPECT_EQ(second.read("other"), plist::Value(true));

    // A value that becomes a flag, and a flag that becomes something else.
    ASSERT_TRUE(store.write("name", true));
    ASSERT_TRUE(store.write("other", 2));
    EXPECT_EQ(second.read("name"), plist::Value(true));
    EXPECT_EQ(second.read("other"), plist::Value(2));
    const auto run = runTool(t.root(), {"defaults", "read", "com.example.flags", "name"});
    if (!run.out.empty()) {
        EXPECT_EQ(run.out, "1\n");
    }

    t.mac().updateDomain("com.example.flags", false, [](plist::Dictionary& d) {
        d["a first key"] = plist::Array{"moves", "everything", "on"};
        return true;
    });
    ASSERT_TRUE(store.write("on", true));
    onDisk = t.mac().readDomain("com.example.flags");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(*onDisk, (plist::Dictionary{{"a first key", plist::Array{"moves", "everything", "on"}},
                                          {"sets", sets},
                                          {"on", true},
                                          {"other", 2},
                                          {"name", true}}));
    EXPECT_EQ(store.read("a first key"), plist::Value(plist::Array{"moves", "everything", "on"}));
}

// A rewrite by another process that keeps the inode, the size and (touch -d) the
// modification time is still seen: the change time cannot be set back.
TEST(SimUserDefaults, ARewriteThatForgesTheInodeSizeAndTimeIsStillSeen) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.forged");
    const plist::Array sets(20, plist::Value(plist::Array{"App", false, "/Applications/App.app"}));
    ASSERT_TRUE(store.writeAll({{"sets", sets}, {"ab", false}, {"on", true}}));
    ASSERT_TRUE(store.write("ab", true));
    struct stat before {};
    ASSERT_EQ(::stat(store.file().c_str(), &before), 0);
    // The same shape, other keys: written over the file in place, so it stays the
    // same file of the same size.
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

    EXPECT_FALSE(store.read("ab").has_value());
    EXPECT_EQ(store.read("zz"), plist::Value(true));
    ASSERT_TRUE(store.write("on", false));
    const auto onDisk = t.mac().readDomain("com.example.forged");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(*onDisk, (plist::Dictionary{{"sets", sets}, {"on", false}, {"zz", true}}))
        << "the change is made to the other process's file, not to what the store held before";
}

// A change that cannot be written (here: past the size this process may write) is
// reported, and leaves the file, byte for byte, and the store's values as they were,
// with no temporary file beside them; the store goes on from there.
TEST(SimUserDefaults, AFailedWriteLeavesTheFileAndTheStoreAsTheyWere) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.full");
    plist::Array sets;
    for (int i = 0; i < 200; ++i) sets.emplace_back(plist::Array{"App " + std::to_string(i), false, "/p"});
    ASSERT_TRUE(store.writeAll({{"sets", sets}, {"flag", true}}));
    const std::string before = testing_support::readTextFile(store.file());
    const auto entries = [&t] {
        const std::filesystem::directory_iterator folder(t.mac().preferencesDirectory());
        return std::distance(std::filesystem::begin(folder), std::filesystem::end(folder));
    };
    const auto entriesBefore = entries();

    plist::Array ticked = sets;
    (*ticked[5].asArray())[1] = true;
    {
        testing_support::FileSizeLimit full(512);
        EXPECT_FALSE(store.writeAll({{"sets", ticked}, {"other", 1}}));
        EXPECT_FALSE(store.write("flag", false));
        EXPECT_FALSE(store.remove("flag"));
    }
    EXPECT_EQ(testing_support::readTextFile(store.file()), before);
    EXPECT_EQ(entries(), entriesBefore) << "no temporary file left behind";
    EXPECT_EQ(store.read("sets"), plist::Value(sets));
    EXPECT_FALSE(store.read("other").has_value()) << "all keys or none";
    EXPECT_EQ(store.read("flag"), plist::Value(true));

    ASSERT_TRUE(store.write("flag", false));
    ASSERT_TRUE(store.writeAll({{"sets", ticked}, {"other", 1}}));
    const auto onDisk = t.mac().readDomain("com.example.full");
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(*onDisk, (plist::Dictionary{{"sets", ticked}, {"flag", false}, {"other", 1}}));
}

// A value nested deeper than the readers here accept would make the whole file
// unreadable: it is refused, and the file it would replace is kept.
TEST(SimUserDefaults, AValueTooDeepToReadBackIsRefusedAndTheFileKept) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.deep");
    ASSERT_TRUE(store.write("a", 1));
    plist::Value deep("leaf");
    for (int i = 0; i < plist::kMaxNesting; ++i) deep = plist::Value(plist::Array{deep});
    EXPECT_FALSE(store.write("deep", deep));
    EXPECT_FALSE(store.read("deep").has_value());
    EXPECT_EQ(t.mac().readDomain("com.example.deep"), (plist::Dictionary{{"a", 1}}));
}

// canStore tries a page beside the store: it says no where a file written anew would
// not fit, and leaves nothing behind either way.
TEST(SimUserDefaults, CanStoreTriesAPageAndLeavesNothingBehind) {
    TempMac t;
    platform::simulated::SimUserDefaultsStore store(share(t), "com.example.room");
    ASSERT_TRUE(store.write("a", 1));
    const auto entries = [&t] {
        const std::filesystem::directory_iterator folder(t.mac().preferencesDirectory());
        return std::distance(std::filesystem::begin(folder), std::filesystem::end(folder));
    };
    const auto entriesBefore = entries();
    EXPECT_TRUE(store.canStore());
    {
        testing_support::FileSizeLimit full(1024);
        EXPECT_FALSE(store.canStore());
    }
    EXPECT_EQ(entries(), entriesBefore);
    EXPECT_EQ(t.mac().readDomain("com.example.room"), (plist::Dictionary{{"a", 1}}));
}

TEST(SimUrlHandlers, ReadsTheHandlerTableAndChangesItAsTheOwnerAnswers) {
    TempMac t;
    platform::simulated::SimUrlHandlers handlers(share(t));
    EXPECT_EQ(handlers.allHandlers("http")->size(), 3u);
    EXPECT_FALSE(handlers.allHandlers("gopher").has_value());
    EXPECT_EQ(handlers.defaultHandler("http"), "com.google.Chrome");
    std::vector<bool> answers;
    const auto record = [&answers](bool changed) { answers.push_back(changed); };
    handlers.setDefaultHandler("http", "com.apple.Safari", record);
    EXPECT_EQ(t.mac().defaultHandler("http"), "com.apple.Safari");
    EXPECT_EQ(t.mac().defaultHandler("https"), "com.google.Chrome");
    ASSERT_TRUE(t.mac().setBrowserAnswer(sim::SimState::BrowserAnswer::Keep));
    handlers.setDefaultHandler("https", "com.apple.Safari", record);
    EXPECT_EQ(t.mac().defaultHandler("https"), "com.google.Chrome");
    // A question left open is not answered here.
    ASSERT_TRUE(t.mac().setBrowserAnswer(sim::SimState::BrowserAnswer::Later));
    handlers.setDefaultHandler("https", "com.apple.Safari", record);
    EXPECT_EQ(answers, (std::vector<bool>{true, false}));
    EXPECT_EQ(t.mac().handlerRequests(), 3);
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
