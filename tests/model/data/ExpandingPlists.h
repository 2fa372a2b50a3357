// Binary property lists that are small on disk but whose shared object references
// expand into enormous values: inputs for the reader's expansion bound, built here
// byte by byte so that no large or opaque file has to be kept in the tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_plists {

// A bplist00 file from already encoded objects (marker and payload, one-byte object
// references); the top object is the last one.
inline std::string binaryList(const std::vector<std::string>& objects) {
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const std::string& object : objects) {
        offsets.push_back(out.size());
        out += object;
    }
    const std::uint64_t table = out.size();
    const int offsetSize = table < 0x100 ? 1 : table < 0x10000 ? 2 : 4;
    auto appendBigEndian = [&out](std::uint64_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    for (std::uint64_t offset : offsets) appendBigEndian(offset, offsetSize);
    out.append(6, '\0');
    appendBigEndian(static_cast<std::uint64_t>(offsetSize), 1);
    appendBigEndian(1, 1);  // reference size
    appendBigEndian(objects.size(), 8);
    appendBigEndian(objects.size() - 1, 8);
    appendBigEndian(table, 8);
    return out;
}

// An array of `count` references to object `ref`.
inline std::string arrayOf(std::size_t count, std::uint8_t ref) {
    std::string out;
    if (count < 0xF) {
        out += static_cast<char>(0xA0 | count);
    } else {
        out += "\xAF\x11";  // length in the two-byte integer that follows
        out += static_cast<char>(count >> 8);
        out += static_cast<char>(count & 0xFF);
    }
    out.append(count, static_cast<char>(ref));
    return out;
}

// 154 bytes: nested arrays (fan-outs 3, 11 and five times 14) whose 17.7 million
// leaves all refer to one 14-character string. About 19 million values in all, each
// value in memory some tens of bytes: over a gigabyte.
inline std::string gigabyteFrom154Bytes() {
    std::vector<std::string> objects{
        "\x5E"
        "fourteen chars"};
    for (std::size_t fanOut : {14, 14, 14, 14, 14, 11, 3}) {
        objects.push_back(arrayOf(fanOut, static_cast<std::uint8_t>(objects.size() - 1)));
    }
    return binaryList(objects);
}

// About 62 KB: one 60,000-byte string, an array referring to it 1,000 times and an
// array referring to that array 1,000 times: 60 GB of text from a million values.
inline std::string sixtyGigabytesFrom62Kilobytes() {
    std::string text = "\x5F\x11\xEA\x60";  // string, length 60,000
    text.append(60000, 'x');
    return binaryList({text, arrayOf(1000, 0), arrayOf(1000, 1)});
}

}  // namespace test_plists
