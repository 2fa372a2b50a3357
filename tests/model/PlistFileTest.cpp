#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>

#include <plist/plist.h>
#include <thread>

#include "base/plist/BinaryWriter.h"
#include "base/plist/PlistFile.h"
#include "tests/model/data/ExpandingPlists.h"
#include "tests/support/TestSupport.h"

using plist::Array;
using plist::Dictionary;
using plist::Value;
using testing_support::TempDir;
using testing_support::writeTextFile;

namespace {

Value everyType() {
    return Value(Dictionary{
        {"string", "Apple’s natural scrolling"},
        {"empty", ""},
        {"integer", 524288},
        {"negative", -5},
        {"real", 0.5},
        {"bool", true},
        {"date", plist::Date{1610107553.0}},
        {"data", plist::Data{0x01, 0x02, 0x03}},
        {"array", Array{1, "two", Array{}, Dictionary{}}},
        {"nested", Dictionary{{"wvous-tl-corner", "2"}}},
    });
}

int filesIn(const std::string& dir) {
    int n = 0;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
    return n;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// Lets this process map only `extra` bytes more than it has now, so that a reader that
// expands a hostile file anyway fails with bad_alloc instead of taking all the memory
// of the machine. AddressSanitizer reserves terabytes of address space up front, so
// under it the cap is left off.
void capAddressSpace(std::size_t extra) {
    if (kAddressSanitizer) return;
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    const auto limit = static_cast<rlim_t>(pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) + extra);
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
}

// `levels` arrays, each the only item of the one around it; the innermost holds a string.
Value nestedArrays(int levels) {
    Value v("leaf");
    for (int i = 0; i < levels; ++i) v = Value(Array{v});
    return v;
}

// The same as a binary list, each array referring to the one inside it, built by hand:
// our writer writes nothing deeper than it reads. Four-byte references and offsets.
std::string nestedBinaryArrays(int levels) {
    std::string out = "bplist00";
    const auto bigEndian = [&out](std::uint64_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    std::vector<std::uint64_t> offsets{out.size()};
    out += "\x54leaf";
    for (int i = 0; i < levels; ++i) {
        offsets.push_back(out.size());
        out += '\xA1';
        bigEndian(static_cast<std::uint64_t>(i), 4);
    }
    const std::uint64_t table = out.size();
    for (std::uint64_t offset : offsets) bigEndian(offset, 4);
    out.append(6, '\0');
    bigEndian(4, 1);
    bigEndian(4, 1);
    bigEndian(offsets.size(), 8);
    bigEndian(offsets.size() - 1, 8);
    bigEndian(table, 8);
    return out;
}

std::string times(std::string_view text, int n) {
    std::string out;
    while (n-- > 0) out += text;
    return out;
}

}  // namespace

TEST(PlistFile, EveryTypeSurvivesXmlAndBinary) {
    TempDir dir;
    for (auto format : {plist::Format::Xml, plist::Format::Binary}) {
        const std::string path = dir.path() + "/values.plist";
        ASSERT_TRUE(plist::writeFile(path, everyType(), format));
        const auto back = plist::readFile(path);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, everyType());
    }
}

TEST(PlistFile, OurBinaryIsReadByAnotherReader) {
    // libplist's reader is independent of ours: what it reads from our binary output,
    // written back as XML, must be the value we started from.
    const std::string bin = plist::serialize(everyType(), plist::Format::Binary);
    plist_t node = nullptr;
    plist_from_bin(bin.data(), static_cast<uint32_t>(bin.size()), &node);
    ASSERT_NE(node, nullptr);
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    const auto back = plist::parse(std::string_view(xml, length));
    plist_to_xml_free(xml);
    plist_free(node);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, everyType());
}

TEST(PlistFile, XmlIsReadableByHand) {
    const std::string xml = plist::serialize(Value(Dictionary{{"LM002", false}}), plist::Format::Xml);
    EXPECT_NE(xml.find("<key>LM002</key>"), std::string::npos);
    EXPECT_NE(xml.find("<false/>"), std::string::npos);
}

TEST(PlistFile, BadFilesGiveNothing) {
    TempDir dir;
    EXPECT_FALSE(plist::readFile(dir.path() + "/missing.plist"));
    EXPECT_FALSE(plist::readFile(dir.path()));  // a folder

    const std::string empty = dir.path() + "/empty.plist";
    writeTextFile(empty, "");
    EXPECT_FALSE(plist::readFile(empty));

    const std::string garbage = dir.path() + "/garbage.plist";
    writeTextFile(garbage, "this is not a property list {(;");
    EXPECT_FALSE(plist::readFile(garbage));

    const std::string truncated = dir.path() + "/truncated.plist";
    std::string bin = plist::serialize(everyType(), plist::Format::Binary);
    writeTextFile(truncated, bin.substr(0, bin.size() / 2));
    EXPECT_FALSE(plist::readFile(truncated));

    const std::string brokenXml = dir.path() + "/broken.plist";
    writeTextFile(brokenXml, "<?xml version=\"1.0\"?><plist><dict><key>a</key><string>x</dict>");
    EXPECT_FALSE(plist::readFile(brokenXml));

    const std::string unreadable = dir.path() + "/unreadable.plist";
    ASSERT_TRUE(plist::writeFile(unreadable, everyType()));
    chmod(unreadable.c_str(), 0);
    if (geteuid() != 0) {  // root reads anything
        EXPECT_FALSE(plist::readFile(unreadable));
    }
}

TEST(PlistFile, FilesTooLargeToReadWholeAreRefusedWithEFBIG) {
    TempDir dir;
    // Sparse: a gigabyte on paper, nothing on the disk.
    const std::string huge = dir.path() + "/huge.plist";
    const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{1} << 30), 0);
    ::close(fd);
    // Never ending, and of no size on paper.
    const std::string endless = "/dev/zero";
    for (const std::string* path : {&huge, &endless}) {
        SCOPED_TRACE(*path);
        EXPECT_EXIT(
            {
                capAddressSpace(std::size_t{512} << 20);
                errno = 0;
                const bool bytes = plist::readBytes(*path).has_value() || errno != EFBIG;
                errno = 0;
                const bool value = plist::readFile(*path).has_value() || errno != EFBIG;
                std::_Exit(bytes || value ? 1 : 0);
            },
            ::testing::ExitedWithCode(0), "");
    }
    // Nor is such a file written, over one that can be read.
    const std::string kept = dir.path() + "/kept";
    ASSERT_TRUE(plist::writeBytes(kept, "small"));
    EXPECT_FALSE(plist::writeBytes(kept, std::string(plist::kMaxFileSize + 1, 'x')));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_EQ(plist::readBytes(kept), "small");
}

TEST(PlistFile, WrongRootTypeGivesNothing) {
    TempDir dir;
    const std::string path = dir.path() + "/array.plist";
    ASSERT_TRUE(plist::writeFile(path, Value(Array{1, 2})));
    EXPECT_FALSE(plist::readDictionaryFile(path));
    EXPECT_TRUE(plist::readArrayFile(path));
    ASSERT_TRUE(plist::writeFile(path, Value("just a string")));
    EXPECT_FALSE(plist::readArrayFile(path));
}

TEST(PlistFile, RandomBytesNeverCrashTheReader) {
    std::mt19937 gen(7);
    const std::string valid = plist::serialize(everyType(), plist::Format::Binary);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = valid;
        // Flip a few bytes of a valid binary list: offsets and lengths go wild.
        for (int k = 0; k < 4; ++k) bytes[gen() % bytes.size()] = static_cast<char>(gen());
        (void)plist::parse(bytes);
    }
    SUCCEED();
}

TEST(PlistFile, WritesAreAtomicAndLeaveNoTemporaryFiles) {
    TempDir dir;
    const std::string path = dir.path() + "/domain.plist";
    const Value small(Dictionary{{"k", "small"}});
    Array big;
    for (int i = 0; i < 5000; ++i) big.emplace_back("item " + std::to_string(i));
    const Value large(Dictionary{{"k", big}});
    ASSERT_TRUE(plist::writeFile(path, small));

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        // Durable or not, every write is atomic.
        for (int i = 0; i < 200; ++i) {
            const auto durability = i % 3 == 0 ? plist::Durability::AtomicOnly : plist::Durability::Durable;
            EXPECT_TRUE(plist::writeFile(path, i % 2 ? small : large, plist::Format::Binary, durability));
        }
        stop = true;
    });
    int reads = 0;
    while (!stop) {
        const auto v = plist::readFile(path);
        ASSERT_TRUE(v.has_value()) << "a reader saw a half-written file";
        EXPECT_TRUE(*v == small || *v == large);
        ++reads;
    }
    writer.join();
    EXPECT_GT(reads, 0);
    EXPECT_EQ(filesIn(dir.path()), 1);
}

TEST(PlistFile, LargeBinaryListsWithWideOffsetsReadBack) {
    // Over 65,536 objects: the writer needs three-byte offsets and references.
    Array apps;
    for (int i = 0; i < 30000; ++i) {
        apps.emplace_back(Dictionary{{"path", "/Applications/App " + std::to_string(i) + ".app"}, {"n", i}});
    }
    const Value big(apps);
    const auto back = plist::parse(plist::serialize(big, plist::Format::Binary));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, big);
}

TEST(PlistFile, ABinaryKeyHoldingANulByteIsReadNotFatal) {
    // bplist00 with one dictionary {"a\0b" = true}: the NUL stays part of the key.
    // clang-format off
    const unsigned char bytes[] = {'b', 'p', 'l', 'i', 's', 't', '0', '0',  // header
                                   0xD1, 0x01, 0x02,                        // dict: key 1, value 2
                                   0x53, 'a', 0x00, 'b',                    // "a\0b"
                                   0x09,                                    // true
                                   0x08, 0x0B, 0x0F,                        // offset table
                                   0, 0, 0, 0, 0, 0, 1, 1,                  // trailer: sizes
                                   0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16};
    // clang-format on
    const auto v = plist::parse(std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes));
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->find(std::string_view("a\0b", 3))->boolean(), true);
}

TEST(PlistFile, StringsThatCannotBeHeldAsTheyAreAreRefusedNotChanged) {
    // Each list holds two keys that differ only in what UTF-8 cannot hold: read as
    // replacement characters they would become one key, and a value would be lost.
    const auto twoKeys = [](const std::string& a, const std::string& b) {
        return plist::parse(
            test_plists::binaryList({a, b, "\x09", "\x08", std::string("\xD2\x00\x01\x02\x03", 5)}));
    };
    EXPECT_FALSE(twoKeys("\x51\xE9", "\x51\xE8")) << "bytes above 0x7F in an ASCII string";
    EXPECT_FALSE(twoKeys(std::string("\x61\xD8\x00", 3), std::string("\x61\xD8\x01", 3)))
        << "unpaired UTF-16 surrogates";
    EXPECT_FALSE(plist::parse("<plist><dict><key>\xFF</key><true/><key>\xFE</key><false/></dict></plist>"))
        << "XML that is not UTF-8";
    // NUL ends libplist's strings: XML holding one is never read as the shorter text.
    using namespace std::string_literals;
    EXPECT_FALSE(plist::parse("<plist><dict><key>k</key><string>ab\0cd</string></dict></plist>"s));
    EXPECT_FALSE(plist::parse("<plist><dict><key>a\0b</key><true/><key>a\0c</key><false/></dict></plist>"s));
    // XML cannot hold a NUL character, so such a value is not written as XML.
    TempDir dir;
    EXPECT_FALSE(plist::writeFile(dir.path() + "/nul.plist", Value(Dictionary{{"k"s, "ab\0cd"s}}),
                                  plist::Format::Xml));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(plist::readFile(dir.path() + "/nul.plist"), std::nullopt);

    // What is held faithfully still reads: ASCII, and a surrogate pair.
    EXPECT_EQ(twoKeys(std::string{'\x51', 'a'}, std::string("\x62\xD8\x3D\xDE\x00", 5)),
              Value(Dictionary{{"a", true}, {"\xF0\x9F\x98\x80", false}}));
}

TEST(PlistFile, IntegersBeyondSixtyFourSignedBitsAreRefusedNotWrapped) {
    // A 16-byte integer, high and low halves big-endian: how Apple stores values above INT64_MAX.
    const auto sixteenBytes = [](std::uint64_t high, std::uint64_t low) {
        std::string out = "\x14";
        for (int shift = 120; shift >= 0; shift -= 8)
            out += static_cast<char>((shift >= 64 ? high >> (shift - 64) : low >> shift) & 0xFF);
        return plist::parse(test_plists::binaryList({out}));
    };
    EXPECT_FALSE(sixteenBytes(0, UINT64_MAX));
    EXPECT_FALSE(sixteenBytes(1, 0));
    EXPECT_EQ(sixteenBytes(UINT64_MAX, static_cast<std::uint64_t>(-3)), Value(-3));
    const auto xml = [](const std::string& n) {
        return plist::parse("<plist><integer>" + n + "</integer></plist>");
    };
    EXPECT_FALSE(xml("18446744073709551615"));
    EXPECT_FALSE(xml("99999999999999999999"));
    EXPECT_EQ(xml("-9223372036854775808"), Value(INT64_MIN));
}

TEST(PlistFile, FourByteRealsKeepTheirWidthInBinaryAndTheirDigitsInXml) {
    const std::string twelve = "\x22\x3D\xF5\xC2\x8F";  // 0.12 as a float
    const auto read = plist::parse(test_plists::binaryList({twelve}));
    ASSERT_EQ(read, Value::singleReal(0.12f));
    EXPECT_NE(plist::serialize(*read, plist::Format::Binary).find(twelve), std::string::npos);
    EXPECT_EQ(plist::parse(plist::serialize(*read, plist::Format::Xml)), Value(0.12));
}

TEST(PlistFile, SelfReferencingBinaryContainersAreRefused) {
    // An array whose only item is itself.
    // clang-format off
    const unsigned char bytes[] = {'b', 'p', 'l', 'i', 's', 't', '0', '0', 0xA1, 0x00, 0x08,
                                   0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1,
                                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10};
    // clang-format on
    EXPECT_FALSE(
        plist::parse(std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes)).has_value());
}

TEST(PlistFile, SharedReferencesThatExpandFarBeyondTheFileAreRefused) {
    const std::string small = test_plists::gigabyteFrom154Bytes();
    const std::string medium = test_plists::sixtyGigabytesFrom62Kilobytes();
    ASSERT_EQ(small.size(), 154u);
    ASSERT_LT(medium.size(), 64u * 1024);
    for (const std::string* bytes : {&small, &medium}) {
        SCOPED_TRACE(bytes->size());
        // In a child process with 512 MiB to spare: expanding either file dies there.
        EXPECT_EXIT(
            {
                capAddressSpace(std::size_t{512} << 20);
                std::_Exit(plist::parse(*bytes).has_value() ? 1 : 0);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

TEST(PlistFile, StringsSharedAsOurWriterSharesThemReadBack) {
    // Both definition sets name the same 10,000 applications, so each name and path is
    // stored once and referred to twice; one path also recurs 20,000 times.
    Array set;
    for (int i = 0; i < 10000; ++i) {
        const std::string name = "Application " + std::to_string(i);
        set.emplace_back(Array{name, i % 2, "/Applications/" + name + ".app"});
    }
    const Value sets(
        Dictionary{{"sets", Array{set, set}},
                   {"recent", Array(20000, Value("/System/Applications/Utilities/Terminal.app"))}});
    const auto back = plist::parse(plist::serialize(sets, plist::Format::Binary));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, sets);
}

// The writer shares strings alone: each boolean, number and record is its own object,
// so a tick in one application of a large set reads back there and nowhere else, and
// a renamed application, a changed number or a shorter list read back as changed.
TEST(PlistFile, BooleansAndNestedRecordsReadBackAsWrittenAfterEveryChange) {
    Array apps;
    for (int i = 0; i < 300; ++i)
        apps.emplace_back(Array{"App " + std::to_string(i), false, "/A/" + std::to_string(i)});
    Value root(Dictionary{{"flag", true}, {"sets", Array{apps, Dictionary{{"ID", 41}, {"box", 1}}}}});
    const auto readBack = [](const Value& value) { return plist::parse(plist::serializeBinary(value)); };
    EXPECT_EQ(readBack(root), root);

    Array& first = *(*root.find("sets")->asArray())[0].asArray();
    (*first[7].asArray())[1] = true;  // a tick
    (*first[299].asArray())[1] = true;
    *root.find("flag") = false;
    TempDir dir;
    const std::string path = dir.path() + "/ticked.plist";
    ASSERT_TRUE(plist::writeFile(path, root));
    const auto ticked = plist::readFile(path);
    ASSERT_TRUE(ticked);
    EXPECT_EQ(*ticked, root);
    int ticks = 0;
    for (const Value& app : *(*ticked->find("sets")->asArray())[0].asArray())
        ticks += (*app.asArray())[1].boolean() ? 1 : 0;
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(*ticked->find("flag"), Value(false));

    Value renamed = root;
    *(*(*renamed.find("sets")->asArray())[0].asArray())[3].asArray()->at(0).asString() = "App x";
    EXPECT_EQ(readBack(renamed), renamed);
    Value box = root;
    *(*box.find("sets")->asArray())[1].find("box") = 2;
    EXPECT_EQ(readBack(box), box);
    Value shorter = root;
    (*shorter.find("sets")->asArray())[0].asArray()->pop_back();
    EXPECT_EQ(readBack(shorter), shorter);
}

TEST(PlistFile, WriteIntoMissingFolderFails) {
    TempDir dir;
    EXPECT_FALSE(plist::writeFile(dir.path() + "/no/such/folder/x.plist", Value(1)));
}

TEST(PlistFile, DeepNestingIsRefusedNotOverflowed) {
    const std::string xml = "<plist>" + times("<array>", 2000) + times("</array>", 2000) + "</plist>";
    EXPECT_FALSE(plist::parse(xml).has_value());
}

TEST(PlistFile, NestingLimitIsTheSameForBothReadersAndTheWriter) {
    const Value deepest = nestedArrays(plist::kMaxNesting);
    for (auto format : {plist::Format::Xml, plist::Format::Binary}) {
        EXPECT_EQ(plist::parse(plist::serialize(deepest, format)), deepest);
    }
    EXPECT_EQ(plist::parse(nestedBinaryArrays(plist::kMaxNesting)), deepest);

    // One more level is refused by each reader, and is not written: a list that could
    // not be read again would be lost with everything else in it.
    const Value deeper = nestedArrays(plist::kMaxNesting + 1);
    EXPECT_FALSE(plist::parse(nestedBinaryArrays(plist::kMaxNesting + 1)));
    EXPECT_FALSE(plist::parse("<plist>" + times("<array>", plist::kMaxNesting + 1) + "<true/>" +
                              times("</array>", plist::kMaxNesting + 1) + "</plist>"));
    TempDir dir;
    for (auto format : {plist::Format::Xml, plist::Format::Binary}) {
        EXPECT_TRUE(plist::serialize(deeper, format).empty());
        EXPECT_FALSE(plist::writeFile(dir.path() + "/deep.plist", deeper, format));
        EXPECT_EQ(errno, EINVAL);
    }
    // Inside a dictionary the deepest value is one level deeper, and refused as well.
    EXPECT_TRUE(
        plist::serializeBinary(Value(Dictionary{{"deep", nestedArrays(plist::kMaxNesting)}})).empty());
}

TEST(PlistFile, HugelyNestedListsAreRefusedBeforeTheyAreBuilt) {
    // libplist builds the whole tree before we see it, then frees it recursively: 200,000
    // levels (3 MB) overflow the stack there unless refused first. The variants hide
    // closing tags where libplist does not see them (comments, CDATA, quoted text in
    // instructions, tags and document types), or open arrays it does not close.
    constexpr int kLevels = 200000;
    const auto wrapped = [](std::string_view level) {
        return "<plist>" + times(level, kLevels) + "</plist>";
    };
    const std::string lists[] = {
        "<plist>" + times("<array>", kLevels) + times("</array>", kLevels) + "</plist>",
        wrapped("<array>"),
        wrapped("<dict><key>k</key>"),
        wrapped("<array><!-- </array> -->"),
        wrapped("<array><string><![CDATA[</array>]]></string>"),
        wrapped("<array><?x \"?>\" </array> ?>"),
        wrapped("<array x=\"</array>\">"),
        wrapped("<array><!DOCTYPE x [ </array> ]>"),
        wrapped("<array / >"),
        "<plist><array/>" + times("<array>", kLevels) + "</plist>",
        nestedBinaryArrays(kLevels),
    };
    for (const std::string& bytes : lists) {
        SCOPED_TRACE(bytes.substr(0, 60));
        // In a child process: a reader that overflows its stack dies there.
        EXPECT_EXIT(std::_Exit(plist::parse(bytes).has_value() ? 1 : 0), ::testing::ExitedWithCode(0), "");
    }
}

TEST(PlistFile, MarkupInCommentsTextAndInstructionsIsNotCountedAsNesting) {
    const std::string opens = times("<array><dict>", plist::kMaxNesting);
    const std::string xml = "<?xml version=\"1.0\"?><!DOCTYPE plist [ " + opens +
                            " ]><plist version=\"1.0\">" + "<!-- " + opens +
                            " --><dict><key>cdata</key><string><![CDATA[" + opens + "]]></string><?pi " +
                            opens + " ?><key>quoted</key><array x=\"" + opens + "\">" +
                            times("<array/><dict />", 1000) + "</array></dict></plist>";
    Array empties;
    for (int i = 0; i < 1000; ++i) {
        empties.emplace_back(Array{});
        empties.emplace_back(Dictionary{});
    }
    EXPECT_EQ(plist::parse(xml), Value(Dictionary{{"cdata", opens}, {"quoted", empties}}));
}
