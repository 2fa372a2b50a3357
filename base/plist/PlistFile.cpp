#include "base/plist/PlistFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <plist/plist.h>

#include "base/AppleEpoch.h"
#include "base/Utf8.h"
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

// Text as XML can hold it and Value holds it: UTF-8 without NUL, which ends libplist's
// strings (text holding one would be read back shorter).
bool isXmlText(std::string_view text) {
    return text.find('\0') == std::string_view::npos && lendmode::isValidUtf8(text);
}

// The node inside `depth` containers. Containers deeper than kMaxNesting were refused
// before libplist built them (XmlNesting); the check here is for lists built otherwise.
std::optional<Value> fromNode(plist_t node, int depth) {
    if (!node) return std::nullopt;
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
            std::string text(p ? p : "", p ? len : 0);
            if (!isXmlText(text)) return std::nullopt;
            return Value(std::move(text));
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
            if (depth >= kMaxNesting) return std::nullopt;
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
            if (depth >= kMaxNesting) return std::nullopt;
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
                if (!item || !key || !isXmlText(key)) {
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

// Whether the value can be written as XML and read back the same: text as isXmlText
// says, containers no deeper than kMaxNesting. Stops at the first level too deep.
bool fitsXml(const Value& value, int depth) {
    if (const std::string* text = value.asString()) return isXmlText(*text);
    const Array* array = value.asArray();
    const Dictionary* dict = value.asDictionary();
    if (!array && !dict) return true;
    if (depth >= kMaxNesting) return false;
    if (array) {
        return std::all_of(array->begin(), array->end(),
                           [depth](const Value& item) { return fitsXml(item, depth + 1); });
    }
    return std::all_of(dict->begin(), dict->end(), [depth](const auto& entry) {
        return isXmlText(entry.first) && fitsXml(entry.second, depth + 1);
    });
}

// How deep the tree that libplist (2.2) builds from XML will nest, found before it
// builds it: it builds the whole tree first and frees it recursively, so a list some
// hundred thousand levels deep overflows the stack in plist_free, however it is
// refused afterwards. This walks the markup as libplist does and builds nothing.
// Where libplist departs from XML it follows libplist, so that no level libplist
// builds is hidden from the count: quoted text is skipped in instructions, tags and
// document types, a tag is empty only when '/' comes right before its '>', an empty
// root container still takes what follows, and reading stops where libplist stops
// (the root closed, or a root that is not a container). Markup it cannot follow
// (unknown tags, unclosed quotes, comments or sections) it refuses, as libplist does,
// rather than guess how libplist would go on.
class XmlNesting {
public:
    explicit XmlNesting(std::string_view xml) : s_(xml) {}

    // False when containers would nest deeper than kMaxNesting, or libplist refuses
    // the markup.
    bool withinLimit() {
        while (pos_ < s_.size()) {
            skipSpace();
            if (pos_ >= s_.size()) break;
            if (s_[pos_] != '<' || ++pos_ >= s_.size()) return false;
            if (s_[pos_] == '?') {
                if (!find("?>", true)) return false;
                pos_ += 2;
            } else if (s_[pos_] == '!') {
                if (!declarationOrComment()) return false;
            } else {
                const Step step = element();
                if (step != Step::Next) return step == Step::Done;
            }
        }
        return true;
    }

private:
    enum class Step { Next, Done, Refused };

    bool at(std::string_view text) const { return s_.substr(std::min(pos_, s_.size())).starts_with(text); }

    void skipSpace() {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
            ++pos_;
    }

    // From an opening '"' to its closing one; false when there is none.
    bool skipQuoted() {
        pos_ = s_.find('"', pos_ + 1);
        return pos_ != std::string_view::npos;
    }

    // To the next `text`, passing over quoted text when `quotes`.
    bool find(std::string_view text, bool quotes) {
        for (; pos_ + text.size() <= s_.size(); ++pos_) {
            if (at(text)) return true;
            if (quotes && s_[pos_] == '"' && !skipQuoted()) return false;
        }
        return false;
    }

    // To the next of `chars`, passing over quoted text when `quotes`.
    bool findAny(std::string_view chars, bool quotes) {
        for (; pos_ < s_.size(); ++pos_) {
            if (quotes && s_[pos_] == '"' && !skipQuoted()) return false;
            if (chars.find(s_[pos_]) != std::string_view::npos) return true;
        }
        return false;
    }

    // "<!--" or "<!DOCTYPE", at the '!'.
    bool declarationOrComment() {
        if (s_.size() - pos_ > 3 && at("!--")) {
            pos_ += 3;
            if (!find("-->", false)) return false;
            pos_ += 3;
            return true;
        }
        if (s_.size() - pos_ <= 8 || !at("!DOCTYPE")) return false;
        pos_ += 8;
        while (pos_ < s_.size()) {
            if (!findAny(" \t\r\n[>", true)) return false;
            if (s_[pos_] == '[') {
                if (!find("]>", true)) return false;
                pos_ += 2;
                return true;
            }
            if (s_[pos_] == '>') {
                ++pos_;
                return true;
            }
            skipSpace();
        }
        return true;
    }

    // A tag, just after its '<'.
    Step element() {
        const std::size_t start = pos_;
        if (!findAny(" \r\n\t<>", false)) return Step::Refused;
        std::string_view name = s_.substr(start, pos_ - start);
        if (s_[pos_] != '>' && !findAny("<>", true)) return Step::Refused;
        if (s_[pos_] != '>') return Step::Refused;
        const bool empty = s_[pos_ - 1] == '/';
        if (empty && pos_ - start - 1 < name.size()) name = name.substr(0, pos_ - start - 1);
        ++pos_;

        if (name == "plist") {
            if (open_.empty() && rooted_) return Step::Done;
            // libplist takes one inside another and builds nothing from it; no list
            // holds one, and refusing it keeps what is open here (and there) short.
            if (empty || !open_.empty()) return Step::Refused;
            open_.push_back(name);
            return Step::Next;
        }
        if (name == "array" || name == "dict") {
            // The root is level 1; an empty root still takes what follows.
            if (level_ + 1 > kMaxNesting) return Step::Refused;
            if (!rooted_ || !empty) ++level_;
            if (!empty) open_.push_back(name);
            rooted_ = true;
            return Step::Next;
        }
        if (name.starts_with('/')) {
            name.remove_prefix(1);
            if (open_.empty() || open_.back() != name) return Step::Refused;
            open_.pop_back();
            if (name == "plist") return Step::Next;
            return --level_ == 0 ? Step::Done : Step::Next;
        }
        static constexpr std::string_view kScalars[] = {"key",  "string", "integer", "real",
                                                        "true", "false",  "date",    "data"};
        if (std::find(std::begin(kScalars), std::end(kScalars), name) == std::end(kScalars))
            return Step::Refused;
        if (!empty && !text(name)) return Step::Refused;
        if (!rooted_) return Step::Done;  // a root that is not a container is the whole list
        return Step::Next;
    }

    // A scalar's content and closing tag: text, comments and CDATA sections only.
    bool text(std::string_view name) {
        for (;;) {
            pos_ = s_.find('<', pos_);
            if (pos_ == std::string_view::npos || ++pos_ >= s_.size()) return false;
            if (s_[pos_] == '/') break;
            if (s_[pos_] != '!' || ++pos_ + 1 >= s_.size()) return false;
            if (at("--")) {
                pos_ += 2;
                if (!find("-->", false)) return false;
                pos_ += 3;
            } else if (at("[") && pos_ + 9 < s_.size() && s_.substr(pos_ + 1).starts_with("CDATA[")) {
                pos_ += 7;
                if (!find("]]>", false)) return false;
                pos_ += 3;
            } else {
                return false;
            }
        }
        ++pos_;
        if (pos_ + name.size() >= s_.size() || !at(name)) return false;
        pos_ += name.size();
        skipSpace();
        if (pos_ >= s_.size() || s_[pos_] != '>') return false;
        ++pos_;
        return true;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    std::vector<std::string_view> open_;  // the open plist, array and dict tags
    int level_ = 0;                       // of the container that takes the next value
    bool rooted_ = false;
};

}  // namespace

std::optional<Value> parse(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > UINT32_MAX) return std::nullopt;
    if (isBinaryPropertyList(bytes)) return parseBinary(bytes);
    // XML holds no NUL character, and libplist would end a string at one.
    if (!looksLikeXml(bytes) || bytes.find('\0') != std::string_view::npos) return std::nullopt;
    if (!XmlNesting(bytes).withinLimit()) return std::nullopt;
    plist_t raw = nullptr;
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &raw);
    Node node(raw);
    return fromNode(node.get(), 0);
}

std::string serialize(const Value& value, Format format) {
    if (format == Format::Binary) return serializeBinary(value);
    if (!fitsXml(value, 0)) return {};
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
    const auto refuse = [fd](int error) -> std::optional<std::string> {
        ::close(fd);
        errno = error;
        return std::nullopt;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return refuse(errno);
    if (S_ISDIR(st.st_mode)) return refuse(EISDIR);
    const auto size = static_cast<std::uint64_t>(st.st_size > 0 ? st.st_size : 0);
    if (size > kMaxFileSize) return refuse(EFBIG);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    char more[4096];
    for (;;) {
        // Past the size it had: a small read finds the end (or what was added).
        const bool full = done == bytes.size();
        const ssize_t n =
            full ? ::read(fd, more, sizeof more) : ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return refuse(errno);
        if (n == 0) break;
        if (full) {
            // Grown past the bound, or never ending (a device).
            if (bytes.size() + static_cast<std::size_t>(n) > kMaxFileSize) return refuse(EFBIG);
            bytes.append(more, static_cast<std::size_t>(n));
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(done);  // a file that shrank meanwhile
    return bytes;
}

std::optional<Value> readFile(const std::string& path) {
    const auto bytes = readBytes(path);
    if (!bytes) return std::nullopt;
    auto value = parse(*bytes);
    if (!value) errno = EINVAL;
    return value;
}

std::optional<Dictionary> readDictionaryFile(const std::string& path) {
    auto value = readFile(path);
    if (!value) return std::nullopt;
    if (!value->isDictionary()) {
        errno = EINVAL;
        return std::nullopt;
    }
    return std::move(*value->asDictionary());
}

std::optional<Array> readArrayFile(const std::string& path) {
    auto value = readFile(path);
    if (!value) return std::nullopt;
    if (!value->isArray()) {
        errno = EINVAL;
        return std::nullopt;
    }
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
    // What readBytes would refuse is not written: the file it replaces stays readable.
    if (bytes.size() > kMaxFileSize) {
        errno = EFBIG;
        return false;
    }
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
