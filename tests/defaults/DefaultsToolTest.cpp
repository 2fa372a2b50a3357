// The `defaults` executable run as a process against a fresh simulated Mac.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <dirent.h>
#include <atomic>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "base/plist/PlistFile.h"
#include "sim/defaults/PlistText.h"
#include "tests/model/data/ExpandingPlists.h"
#include "tests/support/TestSupport.h"

using plist::Array;
using plist::Dictionary;
using plist::Value;
using testing_support::ToolRun;

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> filesIn(const std::string& directory) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(directory.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.emplace_back(e->d_name);
        }
        ::closedir(dir);
    }
    return names;
}

class DefaultsTool : public ::testing::Test {
protected:
    ToolRun defaults(std::vector<std::string> args) const {
        args.insert(args.begin(), "defaults");
        return testing_support::runTool(mac_.root(), args);
    }
    ToolRun shell(const std::string& text) const { return testing_support::runShell(mac_.root(), text); }
    const sim::SimMac& mac() const { return mac_.mac(); }
    std::string prefs() const { return mac().preferencesDirectory(); }
    std::string home() const { return mac().home(); }

    // A failed command: nothing on stdout, exit 1, the log line
    // "YYYY-MM-DD HH:MM:SS.mmm defaults[PID:TID] " and then exactly these message lines.
    static void expectLogged(const ToolRun& run, const std::string& message) {
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(run.out, "");
        const std::size_t length = logPrefixLength(run.err);
        ASSERT_NE(length, 0u) << run.err;
        EXPECT_EQ(run.err.substr(length), message + "\n");
    }

    // Length of the log line at the start of text (with its line feed), 0 if there is none.
    static std::size_t logPrefixLength(const std::string& text) {
        const std::string shape = "####-##-## ##:##:##.### defaults[";
        if (text.size() < shape.size()) return 0;
        for (std::size_t i = 0; i < shape.size(); ++i) {
            const bool digit = text[i] >= '0' && text[i] <= '9';
            if (shape[i] == '#' ? !digit : text[i] != shape[i]) return 0;
        }
        std::size_t i = shape.size();
        const auto run = [&](const char* allowed) {
            const std::size_t start = i;
            while (i < text.size() && std::strchr(allowed, text[i]) && text[i] != '\0') ++i;
            return i > start;
        };
        if (!run("0123456789") || text.compare(i, 1, ":") != 0) return 0;
        ++i;
        if (!run("0123456789abcdef") || text.compare(i, 3, "] \n") != 0) return 0;
        return i + 3;
    }

    testing_support::TempMac mac_;
};

TEST_F(DefaultsTool, SnapshotReadsOfTheSeededMac) {
    struct Case {
        const char* command;
        const char* out;
    } cases[] = {
        {"defaults read ~/Library/Preferences/ByHost/com.apple.notificationcenterui.plist doNotDisturb",
         "0\n"},
        {"defaults read -g com.apple.swipescrolldirection", "1\n"},
        {"defaults read com.apple.dock autohide", "1\n"},
        {"defaults read com.apple.dock orientation", "left\n"},
        {"defaults read -g AppleInterfaceStyle", "Dark\n"},
        {"defaults read com.apple.dock | grep wvous",
         "    \"wvous-br-corner\" = 4;\n    \"wvous-br-modifier\" = 0;\n"
         "    \"wvous-tl-corner\" = 2;\n    \"wvous-tl-modifier\" = 524288;\n"},
    };
    for (const Case& c : cases) {
        const ToolRun run = shell(c.command);
        EXPECT_EQ(run.exitStatus, 0) << c.command << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.command;
        EXPECT_EQ(run.err, "") << c.command;
    }
    expectLogged(
        shell("defaults read -g AppleInterfaceStyleSwitchesAutomatically"),
        "The domain/default pair of (kCFPreferencesAnyApplication, AppleInterfaceStyleSwitchesAutomatically) "
        "does not exist");
}

TEST_F(DefaultsTool, SnapshotWritersChangeTheDomainFiles) {
    const std::string ncui = "~/Library/Preferences/ByHost/com.apple.notificationcenterui";
    const char* commands[] = {
        "defaults write com.apple.dock wvous-tl-corner -int 0",
        "defaults delete NSGlobalDomain AppleInterfaceStyle",
        "defaults write NSGlobalDomain AppleInterfaceStyleSwitchesAutomatically -bool true",
        "defaults write NSGlobalDomain com.apple.swipescrolldirection -bool false",
    };
    for (const char* command : commands) {
        const ToolRun run = shell(command);
        EXPECT_EQ(run.exitStatus, 0) << command << "\n" << run.err;
        EXPECT_EQ(run.out + run.err, "") << command;
    }
    const auto dock = mac().readDomain("com.apple.dock");
    ASSERT_TRUE(dock);
    EXPECT_EQ(dock->at("wvous-tl-corner"), Value(0));
    EXPECT_EQ(dock->at("wvous-br-corner"), Value(4));
    const auto global = mac().readDomain("-g");
    ASSERT_TRUE(global);
    EXPECT_FALSE(global->count("AppleInterfaceStyle"));
    EXPECT_EQ(global->at("AppleInterfaceStyleSwitchesAutomatically"), Value(true));
    EXPECT_EQ(global->at("com.apple.swipescrolldirection"), Value(false));

    const std::string ncuiFile = prefs() + "/ByHost/com.apple.notificationcenterui.plist";
    EXPECT_EQ(shell("defaults -currentHost write " + ncui + " doNotDisturb -boolean true").exitStatus, 0);
    const auto before = static_cast<double>(std::time(nullptr));
    ToolRun run = shell("defaults -currentHost write " + ncui +
                        " doNotDisturbDate -date \"`date -u +\"%Y-%m-%d %H:%M:%S +0000\"`\"");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    auto ncuiDomain = plist::readDictionaryFile(ncuiFile);
    ASSERT_TRUE(ncuiDomain);
    EXPECT_EQ(ncuiDomain->at("doNotDisturb"), Value(true));
    ASSERT_TRUE(ncuiDomain->at("doNotDisturbDate").isDate());
    EXPECT_LE(std::fabs(ncuiDomain->at("doNotDisturbDate").asDate()->secondsSince1970 - before), 5.0);

    run = shell("defaults -currentHost delete " + ncui + " doNotDisturbDate");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    ncuiDomain = plist::readDictionaryFile(ncuiFile);
    ASSERT_TRUE(ncuiDomain);
    EXPECT_EQ(*ncuiDomain, (Dictionary{{"doNotDisturb", true}}));
}

TEST_F(DefaultsTool, MissingKeysAndDomainsAreReportedByDisplayName) {
    const std::string path = home() + "/Desktop/Thing";
    defaults({"write", path, "present", "1"});
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"read", "com.apple.dock", "nope"},
         "The domain/default pair of (com.apple.dock, nope) does not exist"},
        {{"read", "-g", "nope"},
         "The domain/default pair of (kCFPreferencesAnyApplication, nope) does not exist"},
        {{"read", "NSGlobalDomain", "nope"},
         "The domain/default pair of (kCFPreferencesAnyApplication, nope) does not exist"},
        {{"read", path, "nope"}, "The domain/default pair of (" + path + ", nope) does not exist"},
        {{"read", path + ".plist", "nope"}, "The domain/default pair of (" + path + ", nope) does not exist"},
        {{"read", "com.example.none", "k"},
         "The domain/default pair of (com.example.none, k) does not exist"},
        {{"read-type", "com.apple.dock", "nope"},
         "The domain/default pair of (com.apple.dock, nope) does not exist"},
        {{"read", "com.example.none"}, "Domain com.example.none does not exist"},
        {{"read", home() + "/none.plist"}, "Domain " + home() + "/none does not exist"},
        {{"delete", "com.example.none"},
         "Domain (com.example.none) not found.\nDefaults have not been changed."},
        {{"delete", "com.apple.dock", "nope"},
         "Domain (com.apple.dock) not found.\nDefaults have not been changed."},
        {{"delete", "com.example.none", "k"},
         "Domain (com.example.none) not found.\nDefaults have not been changed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        expectLogged(defaults(c.args), c.message);
    }
    EXPECT_FALSE(exists(prefs() + "/com.example.none.plist"));
}

TEST_F(DefaultsTool, GlobalDomainHasThreeNames) {
    EXPECT_EQ(defaults({"write", "-g", "a", "one"}).exitStatus, 0);
    EXPECT_EQ(defaults({"write", "-globalDomain", "b", "two"}).exitStatus, 0);
    EXPECT_EQ(defaults({"write", "NSGlobalDomain", "c", "three"}).exitStatus, 0);
    for (const char* name : {"-g", "-globalDomain", "NSGlobalDomain"}) {
        EXPECT_EQ(defaults({"read", name, "a"}).out, "one\n");
        EXPECT_EQ(defaults({"read", name, "c"}).out, "three\n");
        EXPECT_EQ(defaults({"read", name}).out, defaults({"read", "-g"}).out);
    }
    const auto global = plist::readDictionaryFile(prefs() + "/.GlobalPreferences.plist");
    ASSERT_TRUE(global);
    EXPECT_EQ(global->at("b"), Value("two"));
    EXPECT_EQ(global->at("AppleInterfaceStyle"), Value("Dark"));
    EXPECT_FALSE(exists(prefs() + "/NSGlobalDomain.plist"));
}

TEST_F(DefaultsTool, PathDomainsWithAndWithoutPlistSuffix) {
    EXPECT_TRUE(sim::makeDirectories(home() + "/Desktop"));
    ToolRun run = shell("defaults write ~/Desktop/TestFile foo bar");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(exists(home() + "/Desktop/TestFile.plist"));
    EXPECT_FALSE(exists(home() + "/Desktop/TestFile"));
    EXPECT_EQ(shell("defaults write ~/Desktop/TestFile.plist n -int 3").exitStatus, 0);
    EXPECT_EQ(shell("defaults read ~/Desktop/TestFile foo").out, "bar\n");
    EXPECT_EQ(shell("defaults read ~/Desktop/TestFile.plist").out, "{\n    foo = bar;\n    n = 3;\n}\n");
    // -currentHost leaves a path as it is.
    EXPECT_EQ(shell("defaults -currentHost read ~/Desktop/TestFile n").out, "3\n");

    // A path in a missing folder, or under a file, cannot be written; nothing is created.
    for (const std::string& bad : {home() + "/Missing/Sub/File", home() + "/Desktop/TestFile.plist/Inner"}) {
        expectLogged(defaults({"write", bad, "k", "v"}), "Could not write domain " + bad + "; exiting");
    }
    EXPECT_FALSE(exists(home() + "/Missing"));
}

TEST_F(DefaultsTool, CurrentHostNamesUseTheHardwareUuid) {
    EXPECT_EQ(defaults({"-currentHost", "write", "com.example.host", "k", "-int", "5"}).exitStatus, 0);
    const std::string byHost = prefs() + "/ByHost/com.example.host." + mac().hardwareUUID() + ".plist";
    ASSERT_TRUE(exists(byHost));
    EXPECT_EQ(plist::readDictionaryFile(byHost), (Dictionary{{"k", 5}}));
    EXPECT_FALSE(exists(prefs() + "/com.example.host.plist"));
    EXPECT_EQ(defaults({"-currentHost", "read", "com.example.host", "k"}).out, "5\n");
    expectLogged(defaults({"read", "com.example.host", "k"}),
                 "The domain/default pair of (com.example.host, k) does not exist");
    EXPECT_EQ(defaults({"-currentHost", "domains"}).out, "com.example.host\n");

    EXPECT_EQ(defaults({"-currentHost", "write", "-g", "hostwide", "1"}).exitStatus, 0);
    EXPECT_TRUE(exists(prefs() + "/ByHost/.GlobalPreferences." + mac().hardwareUUID() + ".plist"));
    EXPECT_FALSE(mac().readDomain("-g")->count("hostwide"));
}

TEST_F(DefaultsTool, EveryTypeRoundTrips) {
    struct Case {
        std::vector<std::string> value;
        Value stored;
        std::string read;
        std::string type;
    } cases[] = {
        {{"plain text"}, "plain text", "plain text", "string"},
        {{"-string", "-int"}, "-int", "-int", "string"},
        {{"-string", "caf\xC3\xA9 \"q\""}, "caf\xC3\xA9 \"q\"", "caf\xC3\xA9 \"q\"", "string"},
        {{"-int", "-42"}, -42, "-42", "integer"},
        {{"-integer", "+7"}, 7, "7", "integer"},
        {{"-float", "0.5"}, Value::singleReal(0.5f), "0.5", "float"},
        {{"-float", "-2e3"}, Value::singleReal(-2000.0f), "-2000", "float"},
        {{"-bool", "YES"}, true, "1", "boolean"},
        {{"-boolean", "false"}, false, "0", "boolean"},
        {{"-date", "2021-01-08 12:05:53 +0000"},
         plist::Date{1610107553},
         "2021-01-08 12:05:53 +0000",
         "date"},
        {{"-date", "2021-01-08 13:05:53 +0100"},
         plist::Date{1610107553},
         "2021-01-08 12:05:53 +0000",
         "date"},
        {{"-data", "0102FF"}, plist::Data{1, 2, 255}, "{length = 3, bytes = 0x0102ff}", "data"},
        {{"-array", "a b", "-int", "2", "-bool", "no"},
         Array{"a b", 2, false},
         "(\n    \"a b\",\n    2,\n    0\n)",
         "array"},
        {{"-array"}, Array{}, "(\n)", "array"},
        {{"-dict", "k", "v", "n", "-float", "1.5"},
         Dictionary{{"k", "v"}, {"n", Value::singleReal(1.5f)}},
         "{\n    k = v;\n    n = \"1.5\";\n}",
         "dictionary"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value[0]);
        std::vector<std::string> args{"write", "com.example.types", "key"};
        args.insert(args.end(), c.value.begin(), c.value.end());
        const ToolRun write = defaults(args);
        EXPECT_EQ(write.exitStatus, 0) << write.err;
        EXPECT_EQ(write.out + write.err, "");
        EXPECT_EQ(mac().readDomain("com.example.types")->at("key"), c.stored);
        EXPECT_EQ(defaults({"read", "com.example.types", "key"}).out, c.read + "\n");
        EXPECT_EQ(defaults({"read-type", "com.example.types", "key"}).out, "Type is " + c.type + "\n");
    }
    const std::pair<const char*, const char*> words[] = {
        {"TRUE", "1"},  {"YES", "1"}, {"true", "1"},  {"yes", "1"}, {"1", "1"},
        {"FALSE", "0"}, {"NO", "0"},  {"false", "0"}, {"no", "0"},  {"0", "0"}};
    for (const auto& [word, printed] : words) {
        EXPECT_EQ(defaults({"write", "com.example.types", "b", "-bool", word}).exitStatus, 0) << word;
        EXPECT_EQ(defaults({"read", "com.example.types", "b"}).out, std::string(printed) + "\n") << word;
    }
}

TEST_F(DefaultsTool, FourByteRealsStayFourBytesAndPrintAtTheirOwnPrecision) {
    // Marker 0x22 and a float's four bytes: 0.12 for k, 0.7788008 for f.
    const std::string realK = "\x22\x3D\xF5\xC2\x8F", realF = "\x22\x3F\x47\x5F\x7D";
    const std::string file = prefs() + "/com.example.float.plist";
    testing_support::writeTextFile(file,
                                   test_plists::binaryList({"\x51k", realK, std::string("\xD1\x00\x01", 3)}));
    EXPECT_EQ(defaults({"read", "com.example.float", "k"}).out, "0.12\n") << "a file macOS wrote";

    EXPECT_EQ(defaults({"write", "com.example.float", "f", "-float", "0.7788008"}).exitStatus, 0);
    EXPECT_EQ(defaults({"read", "com.example.float"}).out,
              "{\n    f = \"0.7788008\";\n    k = \"0.12\";\n}\n");
    const std::string bytes = testing_support::readTextFile(file);
    EXPECT_NE(bytes.find(realK), std::string::npos);
    EXPECT_NE(bytes.find(realF), std::string::npos);
}

TEST_F(DefaultsTool, ArrayAddAndDictAddExtendExistingValues) {
    EXPECT_EQ(defaults({"write", "com.example.add", "list", "-array", "a"}).exitStatus, 0);
    EXPECT_EQ(defaults({"write", "com.example.add", "list", "-array-add", "b", "-int", "3"}).exitStatus, 0);
    EXPECT_EQ(defaults({"write", "com.example.add", "map", "-dict-add", "x", "1"}).exitStatus, 0);
    EXPECT_EQ(defaults({"write", "com.example.add", "map", "-dict-add", "y", "2", "x", "3"}).exitStatus, 0);
    const auto domain = mac().readDomain("com.example.add");
    EXPECT_EQ(domain->at("list"), Value(Array{"a", "b", 3}));
    EXPECT_EQ(domain->at("map"), Value(Dictionary{{"x", "3"}, {"y", "2"}}));
    const std::string before = testing_support::readTextFile(prefs() + "/com.example.add.plist");
    EXPECT_EQ(defaults({"write", "com.example.add", "map", "-array-add", "z"}).exitStatus, 1);
    EXPECT_EQ(defaults({"write", "com.example.add", "list", "-dict-add", "z", "1"}).exitStatus, 1);
    EXPECT_EQ(testing_support::readTextFile(prefs() + "/com.example.add.plist"), before);
}

TEST_F(DefaultsTool, BadValuesAreRefusedAndLeaveTheFileAlone) {
    const std::string file = prefs() + "/com.apple.dock.plist";
    const std::string before = testing_support::readTextFile(file);
    const std::vector<std::vector<std::string>> bad = {
        {"-int", "abc"},
        {"-int", "1.5"},
        {"-int", "99999999999999999999"},
        {"-int", ""},
        {"-int", "0x10"},
        {"-float", "abc"},
        {"-float", "nan"},
        {"-float", "inf"},
        {"-float", "1e999"},
        {"-float", "1e39"},  // beyond a four-byte real
        {"-bool", "maybe"},
        {"-bool", ""},
        {"-date", "yesterday"},
        {"-date", "2021-02-30 10:00:00 +0000"},
        {"-date", "2100-01-01 00:00:00 +0000"},
        {"-data", "abc"},
        {"-data", "zz"},
        {"-int"},
        {"-int", "1", "2"},
        {"-dict", "k"},
        {"-array", "-int"},
        {"-array", "-array", "x"},
        {"-bogus", "x"},
        {"one", "two"},
        {"\xFF"},
    };
    for (const auto& value : bad) {
        std::vector<std::string> args{"write", "com.apple.dock", "autohide"};
        args.insert(args.end(), value.begin(), value.end());
        const ToolRun run = defaults(args);
        SCOPED_TRACE(value[0] + (value.size() > 1 ? " " + value[1] : std::string()));
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("Defaults have not been changed."), std::string::npos) << run.err;
    }
    EXPECT_EQ(defaults({"write", "com.apple.dock", "\xC3", "v"}).exitStatus, 1);  // a key cut mid-character
    EXPECT_EQ(testing_support::readTextFile(file), before);
}

TEST_F(DefaultsTool, DamagedDomainFilesAreNeverOverwritten) {
    const std::string file = prefs() + "/com.example.broken.plist";
    testing_support::writeTextFile(file, "<?xml version=\"1.0\"?><plist><dict><key>a</key>");
    expectLogged(defaults({"write", "com.example.broken", "k", "v"}),
                 "Could not write domain com.example.broken; exiting");
    expectLogged(defaults({"read", "com.example.broken"}), "Domain com.example.broken does not exist");
    EXPECT_EQ(testing_support::readTextFile(file), "<?xml version=\"1.0\"?><plist><dict><key>a</key>");
    // An empty file is an empty domain.
    testing_support::writeTextFile(file, "");
    EXPECT_EQ(defaults({"write", "com.example.broken", "k", "v"}).exitStatus, 0);
    EXPECT_EQ(defaults({"read", "com.example.broken", "k"}).out, "v\n");
}

TEST_F(DefaultsTool, ADomainFileThatExpandsBeyondReasonIsNoDomain) {
    // 62 KB on disk, 60 GB when read naively.
    testing_support::writeTextFile(prefs() + "/com.example.expanding.plist",
                                   test_plists::sixtyGigabytesFrom62Kilobytes());
    expectLogged(defaults({"read", "com.example.expanding"}), "Domain com.example.expanding does not exist");
}

TEST_F(DefaultsTool, DeleteRemovesKeysAndWholeDomains) {
    EXPECT_EQ(defaults({"write", "com.example.gone", "a", "1"}).exitStatus, 0);
    EXPECT_EQ(defaults({"write", "com.example.gone", "b", "2"}).exitStatus, 0);
    ToolRun run = defaults({"delete", "com.example.gone", "a"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(mac().readDomain("com.example.gone"), (Dictionary{{"b", "2"}}));
    run = defaults({"delete", "com.example.gone"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_FALSE(exists(prefs() + "/com.example.gone.plist"));
    expectLogged(defaults({"read", "com.example.gone"}), "Domain com.example.gone does not exist");
}

TEST_F(DefaultsTool, WholeDomainListingMatchesTheStoredFile) {
    const ToolRun run = defaults({"read", "com.apple.dock"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, sim::formatDomainListing(*mac().readDomain("com.apple.dock")) + "\n");
    EXPECT_NE(run.out.find("    \"persistent-apps\" =     (\n                {\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("    \"autohide-time-modifier\" = \"0.5\";\n"), std::string::npos);

    const ToolRun all = defaults({"read"});
    EXPECT_EQ(all.exitStatus, 0);
    EXPECT_EQ(all.out.rfind("{\n    NSGlobalDomain =     {\n", 0), 0u) << all.out;
    EXPECT_NE(all.out.find("    \"com.apple.dock\" =     {\n"), std::string::npos);
    EXPECT_EQ(defaults({"domains"}).out, "com.apple.dock\n");
}

TEST_F(DefaultsTool, UsageErrorsExitOne) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"frobnicate"},
                                               {"-currentHost"},
                                               {"-nonsense", "read"},
                                               {"read", "a", "b", "c"},
                                               {"write", "com.apple.dock", "k"},
                                               {"delete"},
                                               {"read-type", "com.apple.dock"},
                                               {"read", ""}}) {
        const ToolRun run = defaults(args);
        EXPECT_EQ(run.exitStatus, 1) << (args.empty() ? "(none)" : args[0]);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("defaults"), std::string::npos);
    }
    const ToolRun help = defaults({"help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.out.find("write <domain> <key>"), std::string::npos);
}

TEST_F(DefaultsTool, ConcurrentWritersLoseNoKeyAndNeverLeaveHalfAFile) {
    const std::string file = prefs() + "/com.example.race.plist";
    EXPECT_EQ(defaults({"write", "com.example.race", "seed", "0"}).exitStatus, 0);
    std::atomic<bool> done{false};
    std::atomic<int> damaged{0}, reads{0};
    std::thread reader([&] {
        while (!done) {
            if (!plist::readDictionaryFile(file)) ++damaged;
            ++reads;
        }
    });
    const ToolRun run = shell(
        "for i in $(seq 1 20); do defaults write com.example.race key$i -int $i & done; wait; "
        "for i in $(seq 1 20); do defaults read com.example.race key$i >/dev/null & done; wait");
    done = true;
    reader.join();
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(damaged.load(), 0) << "of " << reads.load() << " reads";
    const auto domain = mac().readDomain("com.example.race");
    ASSERT_TRUE(domain);
    EXPECT_EQ(domain->size(), 21u);
    for (int i = 1; i <= 20; ++i) {
        const auto it = domain->find("key" + std::to_string(i));
        EXPECT_TRUE(it != domain->end() && it->second == Value(i)) << "key" << i;
    }
    for (const std::string& name : filesIn(prefs())) {
        EXPECT_EQ(name.find("com.example.race.plist."), std::string::npos) << "left behind: " << name;
    }
}

}  // namespace
