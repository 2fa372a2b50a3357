#include "base/plist/PlistFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <plist/plist.h>

#include "base/AppleEpoch.h"
#include "base/plist/BinaryReader.h"
#include "base/plist/BinaryWriter.h"

namespace plist {
namespace {

struct NodeDeleter {
    void operator()(plist_t node) const {
        if (node) plist_free(node);
    }
};
using Node = std::unique_ptr<void, NodeDeleter>;

// Property lists from outside can nest without bound; stop well before the stack does.
constexpr int kMaxDepth = 512;

// libplist holds every integer in 64 unsigned bits, so a negative integer and one
// above INT64_MAX look alike; only the text it writes for the node tells them apart.
// (Values beyond 64 bits it reads as UINT64_MAX, which refuses them too.)
bool isNegativeInteger(plist_t node) {
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    const bool negative = xml && std::string_view(xml, length).find("<integer>-") != std::string_view::npos;
    if (xml) plist_to_xml_free(xml);
    return negative;
}

// XML has no 4-byte reals: one is written as the 8-byte real nearest its own shortest
// digits (0.12, not 0.11999999731779099), so that it reads back printing the same.
double realByDigits(float f) {
    char digits[32];
    const char* end = std::to_chars(digits, digits + sizeof digits, f).ptr;
    double d = f;
    std::from_chars(digits, end, d);
    return d;
}

std::optional<Value> fromNode(plist_t node, int depth) {
    if (!node || depth > kMaxDepth) return std::nullopt;
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return Value(b != 0);
        }
        case PLIST_UINT: {
            uint64_t u = 0;
            plist_get_uint_val(node, &u);
            if (u > INT64_MAX && !isNegativeInteger(node)) return std::nullopt;
            return Value(static_cast<long long>(u));
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return Value(d);
        }
        case PLIST_STRING:
        case PLIST_KEY: {
            uint64_t len = 0;
            const char* p = plist_get_string_ptr(node, &len);
            return Value(std::string(p ? p : "", p ? len : 0));
        }
        case PLIST_DATA: {
            uint64_t len = 0;
            const char* p = plist_get_data_ptr(node, &len);
            Data data;
            if (p)
                data.assign(reinterpret_cast<const uint8_t*>(p), reinterpret_cast<const uint8_t*>(p) + len);
            return Value(std::move(data));
        }
        case PLIST_DATE: {
            int32_t sec = 0, usec = 0;
            plist_get_date_val(node, &sec, &usec);
            return Value(Date{static_cast<double>(sec) + usec / 1e6 + lendmode::kAppleEpochOffset});
        }
        case PLIST_UID: {
            uint64_t u = 0;
            plist_get_uid_val(node, &u);
            return Value(static_cast<long long>(u));
        }
        case PLIST_ARRAY: {
            Array array;
            const uint32_t n = plist_array_get_size(node);
            array.reserve(n);
            for (uint32_t i = 0; i < n; ++i) {
                auto item = fromNode(plist_array_get_item(node, i), depth + 1);
                if (!item) return std::nullopt;
                array.push_back(std::move(*item));
            }
            return Value(std::move(array));
        }
        case PLIST_DICT: {
            Dictionary dict;
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            if (!it) return Value(std::move(dict));
            for (;;) {
                char* key = nullptr;
                plist_t val = nullptr;
                plist_dict_next_item(node, it, &key, &val);
                if (!val) {
                    std::free(key);
                    break;
                }
                auto item = fromNode(val, depth + 1);
                if (!item || !key) {
                    std::free(key);
                    std::free(it);
                    return std::nullopt;
                }
                dict.insert_or_assign(std::string(key), std::move(*item));
                std::free(key);
            }
            std::free(it);
            return Value(std::move(dict));
        }
        default: return std::nullopt;
    }
}

plist_t toNode(const Value& value) {
    switch (value.type()) {
        case Value::Type::String: return plist_new_string(value.asString()->c_str());
        case Value::Type::Integer: return plist_new_uint(static_cast<uint64_t>(value.integer()));
        case Value::Type::Real:
            return plist_new_real(value.isSingleReal() ? realByDigits(static_cast<float>(value.real()))
                                                       : value.real());
        case Value::Type::Boolean: return plist_new_bool(value.boolean() ? 1 : 0);
        case Value::Type::DateType: {
            const double rel = value.asDate()->secondsSince1970 - lendmode::kAppleEpochOffset;
            double whole = std::floor(rel);
            if (whole > INT32_MAX) whole = INT32_MAX;
            if (whole < INT32_MIN) whole = INT32_MIN;
            const auto usec = static_cast<int32_t>(std::lround((rel - std::floor(rel)) * 1e6) % 1000000);
            return plist_new_date(static_cast<int32_t>(whole), usec);
        }
        case Value::Type::DataType: {
            const Data& d = *value.asData();
            return plist_new_data(reinterpret_cast<const char*>(d.data()), d.size());
        }
        case Value::Type::ArrayType: {
            plist_t node = plist_new_array();
            for (const Value& item : *value.asArray()) plist_array_append_item(node, toNode(item));
            return node;
        }
        case Value::Type::DictionaryType: {
            plist_t node = plist_new_dict();
            for (const auto& [key, item] : *value.asDictionary())
                plist_dict_set_item(node, key.c_str(), toNode(item));
            return node;
        }
    }
    return plist_new_string("");
}

bool looksLikeXml(std::string_view bytes) {
    for (char c : bytes) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        return c == '<';
    }
    return false;
}

}  // namespace

std::optional<Value> parse(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > UINT32_MAX) return std::nullopt;
    if (isBinaryPropertyList(bytes)) return parseBinary(bytes);
    if (!looksLikeXml(bytes)) return std::nullopt;
    plist_t raw = nullptr;
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &raw);
    Node node(raw);
    return fromNode(node.get(), 0);
}

std::string serialize(const Value& value, Format format) {
    if (format == Format::Binary) return serializeBinary(value);
    Node node(toNode(value));
    char* out = nullptr;
    uint32_t len = 0;
    plist_to_xml(node.get(), &out, &len);
    std::string result(out ? out : "", out ? len : 0);
    if (out) plist_to_xml_free(out);
    return result;
}

std::optional<std::string> readBytes(const std::string& path) {
    // Straight into a buffer of the file's size (a stream copied everything twice),
    // and on to the end, as a file may grow while it is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    std::string bytes(ok && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0, '\0');
    std::size_t done = 0;
    char more[4096];
    while (ok) {
        // Past the size it had: a small read finds the end (or what was added).
        const bool full = done == bytes.size();
        const ssize_t n =
            full ? ::read(fd, more, sizeof more) : ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (full) bytes.append(more, static_cast<std::size_t>(n));
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    bytes.resize(done);  // a file that shrank meanwhile
    return bytes;
}

std::optional<Value> readFile(const std::string& path) {
    const auto bytes = readBytes(path);
    if (!bytes) return std::nullopt;
    return parse(*bytes);
}

std::optional<Dictionary> readDictionaryFile(const std::string& path) {
    auto value = readFile(path);
    if (!value || !value->isDictionary()) return std::nullopt;
    return std::move(*value->asDictionary());
}

std::optional<Array> readArrayFile(const std::string& path) {
    auto value = readFile(path);
    if (!value || !value->isArray()) return std::nullopt;
    return std::move(*value->asArray());
}

bool writeFile(const std::string& path, const Value& value, Format format, Durability durability) {
    const std::string bytes = serialize(value, format);
    if (bytes.empty()) {
        errno = EINVAL;
        return false;
    }
    return writeBytes(path, bytes, 0644, durability);
}

bool writeBytes(const std::string& path, std::string_view bytes, unsigned mode, Durability durability) {
    const bool durable = durability == Durability::Durable;
    std::string tmp = path + ".XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) return false;
    // Undoes the temporary file and keeps errno from the call that failed.
    const auto fail = [&] {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        errno = error;
        return false;
    };
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail();
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    // mkstemp creates 0600 files; preference files are ordinary user files.
    ::fchmod(fd, static_cast<mode_t>(mode));
    // The contents reach the disk before the name does, so a crash cannot leave an
    // empty or partial file under the real name.
    if (durable && ::fsync(fd) != 0) return fail();
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0 || std::rename(tmp.c_str(), path.c_str()) != 0) return fail();
    if (!durable) return true;

    // The rename itself is durable once the folder's entry is on disk.
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    const bool synced = ::fsync(dir) == 0 || errno == EINVAL || errno == EROFS || errno == ENOTSUP;
    const int error = errno;
    ::close(dir);
    errno = error;
    return synced;
}

}  // namespace plist
